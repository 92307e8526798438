#include "CompilerMessageRoute.h"

#include "../common/MessageBoxes.h"
#include "../compiler/CompilerMessages.h"

namespace {

int ShowCompilerBoxThroughModule(const char* text, const char* caption, unsigned type)
{
    return ShowMessageBoxA(GetForegroundWindow(), text, caption, type);
}

} // namespace

void RouteCompilerMessages()
{
    SetCompilerBoxHandler(&ShowCompilerBoxThroughModule);
}
