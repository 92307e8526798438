#include "CommandHost.h"

#include "../compiler/GramParser.h"
#include "../grammar/CGramObj.h"
#include "../common/MessageBoxes.h"
#include "../ui/resource.h"

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
    grammar->init(&m_owner);
    if (!grammar->load(binary.data(), static_cast<DWORD>(binary.size()), 0, 0))
        return nullptr;
    ++loadedCount;
    ++nextCommandNumber;
    return grammar.release(); // now in grammars
}

void CommandHost::releaseAll(const Busy&)
{
    if (loadedCount <= 0)
        return;
    scripts.clear();
    releasedCount = 0;
    logFormat("\n>> Releasing %i commands ... please wait ... ", loadedCount);
    startTicks = GetTickCount64();
    m_owner.releaseCommandGrammars(&releasedCount);
    loadedCount -= releasedCount;
    if (loadedCount != 0) {
        ShowMessageBoxW(nullptr, L"Releasing the grammars ended prematurely!", L"Serious Error",
                        MB_ICONEXCLAMATION);
        return;
    }
    nextCommandNumber = loadedCount + 1;
    globalActiveCount = 0;
    appActiveCount = 0;
    windowActiveCount = 0;
    endTicks = GetTickCount64();
    logFormat("done in %llu ms.\n", endTicks - startTicks);
    refreshStatistics();
}

void CommandHost::refreshStatistics()
{
    showBoxNumber(IDC_GLOBAL_COUNT, globalActiveCount, true);
    showBoxNumber(IDC_APP_COUNT, appActiveCount, true);
    showBoxNumber(IDC_WINDOW_COUNT, windowActiveCount, true);
}

void CommandHost::showBoxText(int box, const std::wstring& text)
{
    m_boxes.show(m_owner.driverOutput.currentDialog(), box, text);
}

void CommandHost::showBoxNumber(int box, int value, bool isSigned)
{
    m_boxes.show(m_owner.driverOutput.currentDialog(), box,
                 isSigned ? std::to_wstring(value) : std::to_wstring(static_cast<unsigned>(value)));
}
