#pragma once

// Shows the last Windows error of a failed configuration write with its system text and ends
// the process with that error code.
[[noreturn]] void reportErrorAndExit();
