#include "CommandHost.h"

#include "../compiler/GramParser.h"
#include "../grammar/CGramObj.h"

#include <cstdarg>
#include <cstdio>
#include <memory>

void CommandHost::logFormat(const char* format, ...)
{
    char buffer[256];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(buffer, sizeof(buffer), format, arguments);
    va_end(arguments);
    buffer[sizeof(buffer) - 1] = '\0';
    log(buffer);
}

bool CommandHost::compilerBusy()
{
    if (!parser || !parser->compiling())
        return false;
    log(">> The grammar compiler is busy: close its message box first, then try again.\n");
    return true;
}

CGramObj* CommandHost::loadCommandGrammar(const std::vector<unsigned char>& binary, const Busy&)
{
    std::unique_ptr<CGramObj> grammar(new CGramObj());
    grammar->init(this);
    if (!grammar->load(binary.data(), static_cast<DWORD>(binary.size()), 0, 0))
        return nullptr;
    ++loadedCount;
    ++nextCommandNumber;
    return grammar.release(); // now in grammars
}
