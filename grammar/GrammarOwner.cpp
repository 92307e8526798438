#include "GrammarOwner.h"

#include "CGramObj.h"

#include <cstdarg>
#include <cstdio>

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

void GrammarOwner::linkGrammar(CGramObj* grammar)
{
    noteRuleStateChange();
    PushGrammar(m_grammars, &CGramObj::next, grammar);
}

void GrammarOwner::unlinkGrammar(CGramObj* grammar)
{
    ++m_commandRemovals;
    noteRuleStateChange();
    RemoveGrammar(m_grammars, &CGramObj::next, grammar);
}

void GrammarOwner::linkBuiltinGrammar(CGramObj* grammar)
{
    noteRuleStateChange();
    PushGrammar(m_builtinGrammars, &CGramObj::builtinNext, grammar);
}

void GrammarOwner::unlinkBuiltinGrammar(CGramObj* grammar)
{
    ++m_builtinRemovals;
    noteRuleStateChange();
    RemoveGrammar(m_builtinGrammars, &CGramObj::builtinNext, grammar);
}

void GrammarOwner::logFormat(const char* format, ...)
{
    char buffer[256];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(buffer, sizeof(buffer), format, arguments);
    va_end(arguments);
    buffer[sizeof(buffer) - 1] = '\0';
    log(buffer);
}

GrammarWalk GrammarOwner::walkCommandGrammars(int firstNumber) const
{
    return GrammarWalk(m_grammars, &CGramObj::next, m_commandRemovals, firstNumber);
}

GrammarWalk GrammarOwner::walkBuiltinGrammars(int firstNumber) const
{
    return GrammarWalk(m_builtinGrammars, &CGramObj::builtinNext, m_builtinRemovals, firstNumber);
}

namespace {

// Releases the list's grammar objects one by one; a grammar that does not leave the list
// (it cannot: a linked grammar is loaded) ends the loop rather than spinning on it.
template <class Release>
void ReleaseList(CGramObj*& list, Release release, int* count, ControllerLifetime& lifetime)
{
    while (CGramObj* grammar = list) {
        release(*grammar);
        if (count)
            ++*count;
        if (list == grammar)
            break;
        lifetime.reclaim(grammar);
    }
}

} // namespace

void GrammarOwner::releaseCommandGrammars(int* count)
{
    ReleaseList(m_grammars, [](CGramObj& grammar) { grammar.release(); }, count, m_lifetime);
}

void GrammarOwner::releaseBuiltinGrammars()
{
    ReleaseList(m_builtinGrammars, [](CGramObj& grammar) { grammar.releaseBuiltin(); }, nullptr, m_lifetime);
}
