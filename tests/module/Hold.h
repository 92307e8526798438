// Tests call the controller as an entry through the gate would: holding it for the call.
#pragma once

#include "ControllerLifetime.h"

using Hold = ControllerLifetime::Busy;
