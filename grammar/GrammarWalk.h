// A walk over a grammar list, newest first, with each grammar's number counted down from the
// first one's. Its steps may call out of the module (into Dragon, or into a box's message
// loop), where grammars can be released: the walk ends by itself at the first step after its
// list lost a member, and says so. Grammars added at the head meanwhile do not disturb it.
#pragma once

class CGramObj;

class GrammarWalk {
public:
    using Link = CGramObj* CGramObj::*;

    GrammarWalk(CGramObj* head, Link next, const unsigned& removals, int firstNumber)
        : m_head(head), m_next(next), m_removals(removals), m_removalsAtStart(removals), m_firstNumber(firstNumber)
    {
    }

    struct Step {
        CGramObj& grammar;
        int number;
    };

    class Iterator {
    public:
        Iterator(GrammarWalk* walk, CGramObj* grammar, int number) : m_walk(walk), m_grammar(grammar), m_number(number)
        {
        }
        Step operator*() const { return {*m_grammar, m_number}; }
        Iterator& operator++()
        {
            if (m_walk->m_removals != m_walk->m_removalsAtStart) {
                m_walk->m_interrupted = true;
                m_grammar = nullptr;
            } else {
                m_grammar = m_grammar->*(m_walk->m_next);
                --m_number;
            }
            return *this;
        }
        bool operator!=(const Iterator& other) const { return m_grammar != other.m_grammar; }

    private:
        GrammarWalk* m_walk;
        CGramObj* m_grammar;
        int m_number;
    };

    Iterator begin() { return Iterator(this, m_head, m_firstNumber); }
    Iterator end() { return Iterator(this, nullptr, 0); }

    // True when the walk ended because its list lost a member.
    bool interrupted() const { return m_interrupted; }

private:
    CGramObj* m_head;
    Link m_next;
    const unsigned& m_removals;
    unsigned m_removalsAtStart;
    int m_firstNumber;
    bool m_interrupted = false;
};
