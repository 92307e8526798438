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
    ++m_listGeneration;
    PushGrammar(grammars, &CGramObj::next, grammar);
}

void GrammarOwner::unlinkGrammar(CGramObj* grammar)
{
    ++m_listGeneration;
    RemoveGrammar(grammars, &CGramObj::next, grammar);
}

void GrammarOwner::linkBuiltinGrammar(CGramObj* grammar)
{
    ++m_listGeneration;
    PushGrammar(builtinGrammars, &CGramObj::builtinNext, grammar);
}

void GrammarOwner::unlinkBuiltinGrammar(CGramObj* grammar)
{
    ++m_listGeneration;
    RemoveGrammar(builtinGrammars, &CGramObj::builtinNext, grammar);
}

void GrammarOwner::reclaim(CGramObj* grammar)
{
    if (!grammar)
        return;
    if (m_walks == 0) {
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

GrammarOwner::GrammarWalk::~GrammarWalk()
{
    if (--m_owner.m_walks == 0)
        m_owner.deleteReclaimed();
}
