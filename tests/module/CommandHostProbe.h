// What no operation of CommandHost sets on its own, for the tests that check that nothing
// writes it: counts that no box shows, a phrase start that never was, a command number.
#pragma once

#include "../../commands/CommandHost.h"

struct CommandHostProbe {
    static void setActivationCounts(CommandHost& host, int global, int app, int window)
    {
        host.m_globalActiveCount = global;
        host.m_appActiveCount = app;
        host.m_windowActiveCount = window;
    }
    static void setStartTicks(CommandHost& host, unsigned long long ticks) { host.m_startTicks = ticks; }
    static void setNextCommandNumber(CommandHost& host, int number) { host.m_nextCommandNumber = number; }
};
