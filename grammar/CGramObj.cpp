#include "CGramObj.h"

#include "../common/BstrText.h"
#include "../common/MessageBoxes.h"
#include "../common/ReportComError.h"
#include "../common/TextConversion.h"

#include <cstring>
#include <new>

using Microsoft::WRL::ComPtr;

namespace {

// An error object describes only the call that failed just before it is read. One left
// behind by an earlier failure whose result was ignored must not describe the next one.
void DropStaleErrorInfo()
{
    SetErrorInfo(0, nullptr);
}

// False, after the "No ISRGramCommon interface!" box, when no grammar is loaded.
bool GrammarLoaded(const ISRGramCommonW* common)
{
    if (common)
        return true;
    ShowMessageBoxW(nullptr, L"No ISRGramCommon interface!", L"Error", MB_ICONHAND);
    return false;
}

// 1, or 0 after a failed recogniser call was shown in the "COM Error" box.
int ReportedResult(HRESULT hr, const wchar_t* prefix)
{
    if (FAILED(hr)) {
        reportComError(prefix, hr);
        return 0;
    }
    return 1;
}

// The grammar's list interface, or null after the failed query was shown.
ComPtr<ISRGramCFGW> QueryListInterface(ISRGramCommonW* common)
{
    ComPtr<ISRGramCFGW> cfg;
    DropStaleErrorInfo();
    HRESULT hr = common->QueryInterface(IID_ISRGramCFGW, reinterpret_cast<void**>(cfg.GetAddressOf()));
    if (FAILED(hr) || !cfg) {
        reportComError(L"QueryInterface(ISRGramCFG) failed with:", FAILED(hr) ? hr : E_NOINTERFACE);
        return nullptr;
    }
    return cfg;
}

} // namespace

CGramObj::CGramObj() = default;

CGramObj::~CGramObj()
{
    detachSink();
}

void CGramObj::init(GrammarOwner* newOwner)
{
    owner = newOwner;
    number = 0;
    isSpecific = 0;
    loadOption1 = 0;
    gramCommon = nullptr;
    next = nullptr;
    builtinNext = nullptr;
    moduleName.clear();
    appTitle.clear();
    windowTitle.clear();
}

void CGramObj::detachSink()
{
    if (m_sink) {
        m_sink->detach();
        m_sink.Reset();
    }
}

// Loads the binary grammar into the recogniser with a new sink of kind: 1 with gramCommon
// set and the sink kept, or 0 with the sink detached after the failure was reported, or
// logged as noCommonLog when the grammar lacks ISRGramCommonW.
int CGramObj::loadWithSink(GrammarKind kind, const void* data, DWORD size, DWORD option1, DWORD option2,
                           const char* noCommonLog)
{
    ComPtr<GrammarSink> sink;
    if (FAILED(owner->makeSink(*this, kind, option1, option2, sink)) || !sink)
        return 0;
    ComPtr<ISRGramNotifySinkW> sinkInterface;
    if (FAILED(sink->QueryInterface(IID_ISRGramNotifySinkW,
                                    reinterpret_cast<void**>(sinkInterface.ReleaseAndGetAddressOf())))) {
        sink->detach();
        return 0;
    }

    ComPtr<IUnknown> grammar;
    SDATA block{const_cast<void*>(data), size};
    DropStaleErrorInfo();
    HRESULT hr = owner->central()->GrammarLoad(SRGRMFMT_CFG, block, sinkInterface.Get(), IID_ISRGramNotifySinkW,
                                             grammar.GetAddressOf());
    if (FAILED(hr)) {
        sink->detach();
        reportComError(L"Grammar load failed with:", hr);
        return 0;
    }
    if (!grammar) {
        sink->detach();
        throw _com_error(E_POINTER);
    }
    ISRGramCommonW* common = nullptr;
    if (FAILED(grammar.CopyTo(IID_ISRGramCommonW, reinterpret_cast<void**>(&common))) || !common) {
        sink->detach();
        owner->log(noCommonLog);
        return 0;
    }
    gramCommon = common;
    forgetRules();
    m_noRuleActive = true;
    m_sink = sink;
    return 1;
}

int CGramObj::load(const void* data, DWORD size, DWORD option1, DWORD option2)
{
    if (owner && owner->shuttingDown())
        return 0;
    if (!owner || !owner->central()) {
        ShowMessageBoxW(nullptr, L"Calling CGramObj::load is not allowed before calling connectDragon", L"Error",
                        MB_ICONHAND);
        return 0;
    }
    loadOption1 = option1;
    if (gramCommon) {
        ShowMessageBoxW(nullptr, L"A grammar is already loaded ", L"Error", MB_ICONHAND);
        return 0;
    }
    if (!data || size == 0)
        return 0;
    if (!loadWithSink(GrammarKind::Command, data, size, option1, option2, "GrammarLoad failed"))
        return 0;
    owner->linkGrammar(this);
    return 1;
}

int CGramObj::loadBuiltinCommands(const void* data, DWORD size)
{
    if (!owner || !owner->central() || owner->shuttingDown())
        return 0;
    if (!data || size == 0) {
        owner->log("No data passed to CGramObj::loadBuiltinCommands()\n");
        return 0;
    }
    if (!loadWithSink(GrammarKind::Builtin, data, size, 0, 0, "QueryInterface(ISRGramCommon) failed.\n"))
        return 0;
    owner->linkBuiltinGrammar(this);
    return 1;
}

void CGramObj::rememberRule(const char* ruleName, bool active, HWND window)
{
    if (owner)
        owner->noteRuleStateChange();
    if (!ruleName || !*ruleName) {
        // A null name stands for every rule of the grammar.
        forgetRules();
        m_noRuleActive = !active;
        return;
    }
    if (active)
        m_noRuleActive = false;
    m_knownRule = ruleName;
    m_knownRuleValid = true;
    m_knownRuleActive = active;
    m_knownWindow = active ? window : nullptr;
}

void CGramObj::forgetRules()
{
    if (owner)
        owner->noteRuleStateChange();
    m_noRuleActive = false;
    m_knownRuleValid = false;
}

bool CGramObj::knownInactive(const char* ruleName) const
{
    if (!gramCommon || !ruleName || !*ruleName)
        return false;
    return m_noRuleActive || (m_knownRuleValid && !m_knownRuleActive && m_knownRule == ruleName);
}

bool CGramObj::knownActiveFor(const char* ruleName, HWND window) const
{
    if (!gramCommon || !ruleName || !*ruleName)
        return false;
    return m_knownRuleValid && m_knownRuleActive && m_knownWindow == window && m_knownRule == ruleName;
}

int CGramObj::activate(const char* ruleName, HWND window)
{
    if (owner && owner->shuttingDown())
        return 0;
    if (!GrammarLoaded(gramCommon))
        return 0;
    if (window && !IsWindow(window))
        return 0;
    BstrText name(ruleName && *ruleName ? ruleName : nullptr, CP_THREAD_ACP);
    DropStaleErrorInfo();
    HRESULT hr = gramCommon->Activate(window, FALSE, name.get());
    if (SUCCEEDED(hr))
        rememberRule(ruleName, true, window);
    else
        forgetRules();
    return ReportedResult(hr, L"CGramObj::activate failed with:");
}

int CGramObj::deactivate(const char* ruleName)
{
    if (!GrammarLoaded(gramCommon))
        return 0;
    BstrText name(ruleName, CP_THREAD_ACP);
    if (SUCCEEDED(gramCommon->Deactivate(name.get()))) {
        rememberRule(ruleName, false, nullptr);
    } else {
        // Refused: the rule was not active, or its state is not known. Only the first is
        // certain when no rule was active before.
        if (!m_noRuleActive)
            forgetRules();
        DropStaleErrorInfo(); // the failure is not reported, so neither is its description
    }
    return 1;
}

int CGramObj::listSet(const char* listName)
{
    if (!GrammarLoaded(gramCommon))
        return 0;
    BstrText name(listName, CP_THREAD_ACP);
    ComPtr<ISRGramCFGW> cfg = QueryListInterface(gramCommon);
    if (!cfg)
        return 0;
    static BYTE emptyBlock[1] = {0};
    DropStaleErrorInfo();
    return ReportedResult(cfg->ListSet(name.get(), SDATA{emptyBlock, 0}), L"ISRGramCFG->ListSet() failed with:");
}

std::vector<BYTE> CGramObj::makeWordRecord(const char* word)
{
    std::wstring text = WideOrOutOfMemory(word, CP_THREAD_ACP);
    DWORD characters = static_cast<DWORD>(text.size()) + 1; // with the NUL
    DWORD size = 8 + 2 * characters;
    size = (size + 3) & ~3u;
    std::vector<BYTE> record;
    try {
        record.assign(size, 0);
    } catch (const std::bad_alloc&) {
        throw _com_error(E_OUTOFMEMORY);
    }
    SRWORDW* entry = reinterpret_cast<SRWORDW*>(record.data());
    entry->dwSize = size;
    entry->dwWordNum = 0;
    std::memcpy(entry->szWord, text.c_str(), characters * sizeof(WCHAR));
    return record;
}

int CGramObj::listAppend(const char* listName, const char* word)
{
    if (!GrammarLoaded(gramCommon))
        return 0;
    std::vector<BYTE> record = makeWordRecord(word);
    BstrText name(listName, CP_THREAD_ACP);
    ComPtr<ISRGramCFGW> cfg = QueryListInterface(gramCommon);
    if (!cfg)
        return 0;
    DropStaleErrorInfo();
    return ReportedResult(cfg->ListAppend(name.get(), SDATA{record.data(), static_cast<DWORD>(record.size())}),
                          L"ISRGramCFG->ListAppend() failed with:");
}

int CGramObj::unloadGrammar()
{
    if (!gramCommon)
        return 0;
    // Cut the sink off first: it must not reach this object once the grammar is gone.
    detachSink();
    ISRGramCommonW* common = gramCommon;
    gramCommon = nullptr;
    common->Release();
    return 1;
}

int CGramObj::release()
{
    if (unloadGrammar() && owner)
        owner->unlinkGrammar(this);
    return 1;
}

int CGramObj::releaseBuiltin()
{
    if (unloadGrammar() && owner)
        owner->unlinkBuiltinGrammar(this);
    return 1;
}
