// The owner of a controller's grammar objects, and what a grammar object needs of it: the
// recogniser, the log, the notification sinks and the two grammar lists. Objects that leave
// a list are handed to the controller's lifetime (ControllerLifetime.h).
#pragma once

#include "ControllerLifetime.h"
#include "../common/DriverWindowOutput.h"
#include "DragonInterfaces.h"
#include "GrammarWalk.h"

#include <wrl/client.h>

#include <functional>

class CGramObj;
class GrammarSink;

enum class GrammarKind { Command, Builtin };

class GrammarOwner {
public:
    using Busy = ControllerLifetime::Busy;

    // Makes a new sink for grammar, of the kind's class, holding one reference in sink: the
    // sinks' classes belong to the commands that answer them, so the controller supplies it.
    using GrammarSinkMaker = std::function<HRESULT(CGramObj& grammar, GrammarKind kind, DWORD option1, DWORD option2,
                                                   Microsoft::WRL::ComPtr<GrammarSink>& sink)>;

    GrammarOwner(ControllerLifetime& lifetime, GrammarSinkMaker makeSink)
        : m_lifetime(lifetime), m_makeSink(std::move(makeSink))
    {
    }
    GrammarOwner(const GrammarOwner&) = delete;
    GrammarOwner& operator=(const GrammarOwner&) = delete;

    // The controller's lifetime, which the grammar objects that left a list wait in.
    ControllerLifetime& lifetime() { return m_lifetime; }

    // The recogniser; null before connecting and after disconnecting.
    ISRCentralW* central() const { return m_central.Get(); }
    void setCentral(Microsoft::WRL::ComPtr<ISRCentralW> central) { m_central = std::move(central); }
    // From the start of a shutdown to the next connection: nothing is loaded or activated.
    bool shuttingDown() const { return m_shuttingDown; }
    void setShuttingDown(bool shuttingDown) { m_shuttingDown = shuttingDown; }

    // The test-driver window, while there is one: the log and the statistics boxes.
    DriverOutput& driverOutput() { return m_driverOutput; }
    const DriverOutput& driverOutput() const { return m_driverOutput; }
    // The message log; nothing is written without a test-driver window.
    void log(const char* text, int highlight = 0) { m_driverOutput.appendLog(text, highlight); }
    // printf-style into a 256-byte buffer; longer texts are cut.
    void logFormat(const char* format, ...);

    HRESULT makeSink(CGramObj& grammar, GrammarKind kind, DWORD option1, DWORD option2,
                     Microsoft::WRL::ComPtr<GrammarSink>& sink) const
    {
        return m_makeSink ? m_makeSink(grammar, kind, option1, option2, sink) : E_UNEXPECTED;
    }

    // The heads of the two lists, newest first; each list owns its grammar objects.
    CGramObj* commandGrammars() const { return m_grammars; }
    CGramObj* builtinGrammars() const { return m_builtinGrammars; }

    void linkGrammar(CGramObj* grammar);
    void unlinkGrammar(CGramObj* grammar);
    void linkBuiltinGrammar(CGramObj* grammar);
    void unlinkBuiltinGrammar(CGramObj* grammar);
    // The lists newest first, numbered down from firstNumber (GrammarWalk.h).
    GrammarWalk walkCommandGrammars(int firstNumber) const;
    GrammarWalk walkBuiltinGrammars(int firstNumber) const;
    // Release every grammar of a list, newest first, each handed to reclaim; count (may be
    // null) grows with each command grammar released.
    void releaseCommandGrammars(int* count);
    void releaseBuiltinGrammars();
    // Grows with every change of the grammar lists, of what a grammar object knows of its
    // rules' states, and of a grammar's scope: a walk that saw the same count at its end
    // would find everything as it left it.
    unsigned ruleStateChanges() const { return m_ruleStateChanges; }
    void noteRuleStateChange() { ++m_ruleStateChanges; }

private:
    ControllerLifetime& m_lifetime;
    GrammarSinkMaker m_makeSink;
    Microsoft::WRL::ComPtr<ISRCentralW> m_central;
    CGramObj* m_grammars = nullptr;
    CGramObj* m_builtinGrammars = nullptr;
    bool m_shuttingDown = false;
    DriverOutput m_driverOutput;
    unsigned m_commandRemovals = 0;
    unsigned m_builtinRemovals = 0;
    unsigned m_ruleStateChanges = 0;
};
