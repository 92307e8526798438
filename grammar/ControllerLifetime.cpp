#include "ControllerLifetime.h"

#include "CGramObj.h"

ControllerLifetime::~ControllerLifetime()
{
    deleteReclaimed();
}

void ControllerLifetime::reclaim(CGramObj* grammar)
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

void ControllerLifetime::deleteReclaimed()
{
    while (CGramObj* grammar = m_reclaimed) {
        m_reclaimed = grammar->reclaimedNext;
        delete grammar;
    }
}

void ControllerLifetime::retire()
{
    if (m_busy == 0)
        delete this;
    else
        m_retired = true;
}

ControllerLifetime::Busy::~Busy()
{
    if (--m_lifetime.m_busy != 0)
        return;
    m_lifetime.deleteReclaimed();
    if (m_lifetime.m_retired) {
        m_lifetime.m_retired = false; // the destructor's own frames must not end it again
        delete &m_lifetime;
    }
}
