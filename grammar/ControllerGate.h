// The one way into the module on Dragon's thread: COM methods, the event hub's messages, the
// sinks' notifications and the dialogs' commands all enter here. The gate checks that the
// controller is there, holds it for the frame (ControllerLifetime.h) and keeps every C++
// exception on the module's side, shown in the "COM Error" box with the given prefix.
#pragma once

#include "ControllerLifetime.h"

#include "../common/ComBoundary.h"

// Runs work(controller, busy) when controller is not null; returns whether it ran.
template <class Controller, class Work>
bool EnterController(Controller* controller, const wchar_t* failurePrefix, Work&& work)
{
    if (!controller)
        return false;
    const ControllerLifetime::Busy busy(*controller);
    RunAtComBoundary(failurePrefix, [&] { work(*controller, busy); });
    return true;
}
