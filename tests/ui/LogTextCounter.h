// Counts the arrays allocated with new (std::nothrow) T[] that are still alive in this
// test program: the log texts on their way to the dialog (the window code allocates
// nothing else that way beyond a short-lived conversion buffer).
#pragma once

long LiveNothrowArrays();
