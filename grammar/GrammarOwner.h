// What a grammar object needs of the controller that owns it: the recogniser, the log, the
// notification sinks, the two grammar lists, and the lifetime of released grammar objects.
//
// Lifetime: grammar objects are made with new; a successful load links one into its list,
// its release unlinks it at once, and the owner reclaims it with reclaim(). A walk over a
// list, or a result handler of a grammar, that can call out (a box's message loop may run
// "Release All Commands" or "Shut Down") holds a GrammarWalk. While any walk is held,
// reclaimed objects stay allocated; they are deleted when the last walk ends, or at the
// latest when the owner is destroyed. A walk that called out checks grammarListGeneration() and
// stops when a list changed, so it never steps onto an object that left its list.
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
    // Changes with every link and unlink in either list.
    unsigned grammarListGeneration() const { return m_listGeneration; }

    // Deletes an unlinked grammar object now, or when the last walk ends.
    void reclaim(CGramObj* grammar);

    class GrammarWalk {
    public:
        explicit GrammarWalk(GrammarOwner& owner) : m_owner(owner) { ++m_owner.m_walks; }
        ~GrammarWalk();
        GrammarWalk(const GrammarWalk&) = delete;
        GrammarWalk& operator=(const GrammarWalk&) = delete;

    private:
        GrammarOwner& m_owner;
    };

protected:
    // Deletes the reclaimed objects; the derived destructor has released the linked ones.
    virtual ~GrammarOwner();

private:
    unsigned m_listGeneration = 0;
    unsigned m_walks = 0;
    CGramObj* m_reclaimed = nullptr; // chained through CGramObj::reclaimedNext

    void deleteReclaimed();
};
