#include "GrammarOwner.h"

#include "CGramObj.h"

namespace {

// The command and the built-in grammar lists are chained through different fields.
using GrammarLink = CGramObj* CGramObj::*;

void PushGrammar(CGramObj*& head, GrammarLink next, CGramObj* grammar)
{
    grammar->*next = head;
    head = grammar;
}

void RemoveGrammar(CGramObj*& head, GrammarLink next, CGramObj* grammar)
{
    for (CGramObj** link = &head; *link; link = &((*link)->*next)) {
        if (*link == grammar) {
            *link = grammar->*next;
            grammar->*next = nullptr;
            return;
        }
    }
}

} // namespace

GrammarOwner::~GrammarOwner()
{
    deleteReclaimed();
}

void GrammarOwner::linkGrammar(CGramObj* grammar)
{
    noteRuleStateChange();
    PushGrammar(grammars, &CGramObj::next, grammar);
}

void GrammarOwner::unlinkGrammar(CGramObj* grammar)
{
    ++m_commandRemovals;
    noteRuleStateChange();
    RemoveGrammar(grammars, &CGramObj::next, grammar);
}

void GrammarOwner::linkBuiltinGrammar(CGramObj* grammar)
{
    noteRuleStateChange();
    PushGrammar(builtinGrammars, &CGramObj::builtinNext, grammar);
}

void GrammarOwner::unlinkBuiltinGrammar(CGramObj* grammar)
{
    ++m_builtinRemovals;
    noteRuleStateChange();
    RemoveGrammar(builtinGrammars, &CGramObj::builtinNext, grammar);
}

void GrammarOwner::reclaim(CGramObj* grammar)
{
    if (!grammar)
        return;
    if (m_busy == 0) {
        delete grammar;
        return;
    }
    grammar->reclaimedNext = m_reclaimed;
    m_reclaimed = grammar;
}

void GrammarOwner::deleteReclaimed()
{
    while (CGramObj* grammar = m_reclaimed) {
        m_reclaimed = grammar->reclaimedNext;
        delete grammar;
    }
}

void GrammarOwner::retire()
{
    if (m_busy == 0)
        delete this;
    else
        m_retired = true;
}

GrammarOwner::Busy::~Busy()
{
    if (--m_owner.m_busy != 0)
        return;
    m_owner.deleteReclaimed();
    if (m_owner.m_retired) {
        m_owner.m_retired = false; // the destructor's own frames must not end it again
        delete &m_owner;
    }
}
