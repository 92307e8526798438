#include "CommandHost.h"

#include "../compiler/GramParser.h"
#include "../grammar/CGramObj.h"
#include "../common/MessageBoxes.h"
#include "../ui/resource.h"

#include <cstdio>
#include <memory>

CommandHost::CommandHost(ControllerLifetime& lifetime, GrammarOwner& owner) : m_lifetime(lifetime), m_owner(owner) {}

CommandHost::~CommandHost() = default;

void CommandHost::connectCompiler(bool connected)
{
    if (connected && !m_compiler)
        m_compiler.reset(new GramParser());
    m_compilerConnected = connected;
}

bool CommandHost::compilerBusy()
{
    GramParser* parser = compiler();
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
    ++m_loadedCount;
    ++m_nextCommandNumber;
    return grammar.release(); // now in grammars
}

void CommandHost::releaseAll(const Busy&)
{
    if (m_loadedCount <= 0)
        return;
    m_scripts.clear();
    m_releasedCount = 0;
    m_owner.logFormat("\n>> Releasing %i commands ... please wait ... ", m_loadedCount);
    m_startTicks = GetTickCount64();
    m_owner.releaseCommandGrammars(&m_releasedCount);
    m_loadedCount -= m_releasedCount;
    if (m_loadedCount != 0) {
        ShowMessageBoxW(nullptr, L"Releasing the grammars ended prematurely!", L"Serious Error",
                        MB_ICONEXCLAMATION);
        return;
    }
    m_nextCommandNumber = m_loadedCount + 1;
    m_globalActiveCount = 0;
    m_appActiveCount = 0;
    m_windowActiveCount = 0;
    m_endTicks = GetTickCount64();
    m_owner.logFormat("done in %llu ms.\n", m_endTicks - m_startTicks);
    refreshStatistics();
}

void CommandHost::refreshStatistics()
{
    showBoxNumber(IDC_GLOBAL_COUNT, m_globalActiveCount, true);
    showBoxNumber(IDC_APP_COUNT, m_appActiveCount, true);
    showBoxNumber(IDC_WINDOW_COUNT, m_windowActiveCount, true);
}

void CommandHost::showBoxText(int box, const std::wstring& text)
{
    m_boxes.show(m_owner.driverOutput().currentDialog(), box, text);
}

void CommandHost::showBoxNumber(int box, int value, bool isSigned)
{
    m_boxes.show(m_owner.driverOutput().currentDialog(), box,
                 isSigned ? std::to_wstring(value) : std::to_wstring(static_cast<unsigned>(value)));
}
