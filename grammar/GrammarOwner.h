// What a grammar object needs of the controller that owns it: the recogniser, the log, the
// notification sinks, the two grammar lists, and the one lifetime rule of the module.
//
// Lifetime: whatever a frame on Dragon's thread uses stays alive until the outermost frame
// that uses it has returned. Every box, dialog, script wait and call into Dragon runs a
// message loop, in which "Release All Commands", "Shut Down", a load, an utterance or
// Dragon's UnRegister and final release can run. So every frame that can reach such a loop
// (a COM method, a message of the event hub, a walk over a list, a result handler) holds a
// Busy on the owner while it runs, and deletion waits for the last one:
// - a grammar object leaves its list at its release and is handed to reclaim(): deleted at
//   once when the owner is not busy, else when the last Busy ends;
// - the owner itself ends by retire(): deleted at once when not busy, else by the last Busy.
// A walk that called out checks the removal count of its list and stops when a grammar left
// that list meanwhile; grammars added at the head do not disturb it.
#pragma once

#include "DragonInterfaces.h"

#include <wrl/client.h>

class CGramObj;
class GrammarSink;

enum class GrammarKind { Command, Builtin };

class GrammarOwner {
public:
    GrammarOwner() = default;
    GrammarOwner(const GrammarOwner&) = delete;
    GrammarOwner& operator=(const GrammarOwner&) = delete;

    // The recogniser; null before connecting and after disconnecting.
    ISRCentralW* central = nullptr;
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
    virtual void onPhraseFinish(CGramObj& grammar, DWORD flags, PSRPHRASEW phrase, IUnknown* results) {}

    void linkGrammar(CGramObj* grammar);
    void unlinkGrammar(CGramObj* grammar);
    void linkBuiltinGrammar(CGramObj* grammar);
    void unlinkBuiltinGrammar(CGramObj* grammar);
    // Grow with every grammar that leaves the list.
    unsigned commandRemovals() const { return m_commandRemovals; }
    unsigned builtinRemovals() const { return m_builtinRemovals; }
    // Grows with every change of the grammar lists, of what a grammar object knows of its
    // rules' states, and of a grammar's scope: a walk that saw the same count at its end
    // would find everything as it left it.
    unsigned ruleStateChanges() const { return m_ruleStateChanges; }
    void noteRuleStateChange() { ++m_ruleStateChanges; }

    // Deletes an unlinked grammar object now, or when the last Busy ends.
    void reclaim(CGramObj* grammar);
    // Ends the owner: deleted now, or when the last Busy ends. Nothing may use it afterwards
    // but the frames that are busy with it.
    void retire();

    class Busy {
    public:
        explicit Busy(GrammarOwner& owner) : m_owner(owner) { ++m_owner.m_busy; }
        ~Busy();
        Busy(const Busy&) = delete;
        Busy& operator=(const Busy&) = delete;

    private:
        GrammarOwner& m_owner;
    };

protected:
    // Deletes the reclaimed objects; the derived destructor has released the linked ones.
    virtual ~GrammarOwner();

private:
    unsigned m_commandRemovals = 0;
    unsigned m_builtinRemovals = 0;
    unsigned m_ruleStateChanges = 0;
    unsigned m_busy = 0;
    bool m_retired = false;
    CGramObj* m_reclaimed = nullptr; // chained through CGramObj::reclaimedNext

    void deleteReclaimed();
};
