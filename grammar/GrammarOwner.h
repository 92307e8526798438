// What a grammar object needs of the controller that owns it: the recogniser, the log, the
// notification sinks and the two grammar lists. The lifetime rule the controller keeps is
// in ControllerLifetime.h.
#pragma once

#include "ControllerLifetime.h"
#include "DragonInterfaces.h"
#include "GrammarWalk.h"

#include <wrl/client.h>

class CGramObj;
class GrammarSink;

enum class GrammarKind { Command, Builtin };

class GrammarOwner : public ControllerLifetime {
public:
    // The recogniser; null before connecting and after disconnecting.
    Microsoft::WRL::ComPtr<ISRCentralW> central;
    // Both lists own their grammar objects.
    CGramObj* grammars = nullptr;
    CGramObj* builtinGrammars = nullptr;
    // From the start of a shutdown to the next connection: nothing is loaded or activated.
    bool shuttingDown = false;

    // The message log.
    virtual void log(const char* text, int highlight = 0) = 0;
    // A new sink for grammar, of the kind's class, holding one reference in sink.
    virtual HRESULT createGrammarSink(CGramObj& grammar, GrammarKind kind, DWORD option1, DWORD option2,
                                      Microsoft::WRL::ComPtr<GrammarSink>& sink) = 0;

    // The result handling of a command grammar's finished phrase; none by default.
    virtual void onPhraseFinish(CGramObj& grammar, DWORD flags, PSRPHRASEW phrase, IUnknown* results,
                                const Busy&)
    {
    }

    void linkGrammar(CGramObj* grammar);
    void unlinkGrammar(CGramObj* grammar);
    void linkBuiltinGrammar(CGramObj* grammar);
    void unlinkBuiltinGrammar(CGramObj* grammar);
    // The lists newest first, numbered down from firstNumber (GrammarWalk.h).
    GrammarWalk walkCommandGrammars(int firstNumber) const;
    GrammarWalk walkBuiltinGrammars(int firstNumber) const;
    // Grows with every change of the grammar lists, of what a grammar object knows of its
    // rules' states, and of a grammar's scope: a walk that saw the same count at its end
    // would find everything as it left it.
    unsigned ruleStateChanges() const { return m_ruleStateChanges; }
    void noteRuleStateChange() { ++m_ruleStateChanges; }

protected:
    GrammarOwner() = default;
    ~GrammarOwner() override = default;

private:
    unsigned m_commandRemovals = 0;
    unsigned m_builtinRemovals = 0;
    unsigned m_ruleStateChanges = 0;
};
