#include "CommandHost.h"

#include <cstdarg>
#include <cstdio>

int nextCommandNumber = 1;

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
