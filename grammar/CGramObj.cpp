#include "CGramObj.h"

#include "../commands/CSRGramNotifySink.h"
#include "../module/BstrText.h"
#include "../module/CSRBuiltinGramNotifySink.h"
#include "../module/MessageBoxes.h"
#include "../module/ModuleController.h"
#include "../module/TextConversion.h"

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
        CGramObj::reportComError(prefix, hr);
        return 0;
    }
    return 1;
}

// Loads the binary grammar into the recogniser with sink as its notification sink. Returns
// the grammar's ISRGramCommonW (one reference), or null with the sink detached after the
// failure was reported, or logged as noCommonLog when the grammar lacks that interface.
template <class Sink>
ISRGramCommonW* LoadWithSink(ModuleController& owner, Sink& sink, const void* data, DWORD size,
                             const char* noCommonLog)
{
    ComPtr<ISRGramNotifySinkW> sinkInterface;
    if (FAILED(sink.QueryInterface(IID_ISRGramNotifySinkW,
                                   reinterpret_cast<void**>(sinkInterface.ReleaseAndGetAddressOf())))) {
        sink.detach();
        return nullptr;
    }

    ComPtr<IUnknown> grammar;
    SDATA block{const_cast<void*>(data), size};
    DropStaleErrorInfo();
    HRESULT hr = owner.central->GrammarLoad(SRGRMFMT_CFG, block, sinkInterface.Get(), IID_ISRGramNotifySinkW,
                                            grammar.GetAddressOf());
    if (FAILED(hr)) {
        sink.detach();
        CGramObj::reportComError(L"Grammar load failed with:", hr);
        return nullptr;
    }
    if (!grammar) {
        sink.detach();
        throw _com_error(E_POINTER);
    }
    ISRGramCommonW* common = nullptr;
    if (FAILED(grammar.CopyTo(IID_ISRGramCommonW, reinterpret_cast<void**>(&common))) || !common) {
        sink.detach();
        owner.log(noCommonLog);
        return nullptr;
    }
    return common;
}

// The grammar's list interface, or null after the failed query was shown.
ComPtr<ISRGramCFGW> QueryListInterface(ISRGramCommonW* common)
{
    ComPtr<ISRGramCFGW> cfg;
    DropStaleErrorInfo();
    HRESULT hr = common->QueryInterface(IID_ISRGramCFGW, reinterpret_cast<void**>(cfg.GetAddressOf()));
    if (FAILED(hr) || !cfg) {
        CGramObj::reportComError(L"QueryInterface(ISRGramCFG) failed with:", FAILED(hr) ? hr : E_NOINTERFACE);
        return nullptr;
    }
    return cfg;
}

} // namespace

CGramObj::CGramObj() = default;

CGramObj::~CGramObj()
{
    detachSinks();
}

void CGramObj::init(ModuleController* newOwner)
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

void CGramObj::detachSinks()
{
    if (commandSink) {
        commandSink->detach();
        commandSink.Reset();
    }
    if (builtinSink) {
        builtinSink->detach();
        builtinSink.Reset();
    }
}

int CGramObj::load(const void* data, DWORD size, DWORD option1, DWORD option2)
{
    if (!owner || !owner->central) {
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

    ComPtr<CSRGramNotifySink> sink;
    if (FAILED(CSRGramNotifySink::Create(this, option1, option2, sink.ReleaseAndGetAddressOf())))
        return 0;
    gramCommon = LoadWithSink(*owner, *sink.Get(), data, size, "GrammarLoad failed");
    if (!gramCommon)
        return 0;
    forgetRules();
    m_noRuleActive = true;
    commandSink = sink;
    owner->linkGrammar(this);
    return 1;
}

int CGramObj::loadBuiltinCommands(const void* data, DWORD size)
{
    if (!owner || !owner->central)
        return 0;
    if (!data || size == 0) {
        owner->log("No data passed to CGramObj::loadBuiltinCommands()\n");
        return 0;
    }

    ComPtr<CSRBuiltinGramNotifySink> sink;
    if (FAILED(CSRBuiltinGramNotifySink::Create(this, sink.ReleaseAndGetAddressOf())))
        return 0;
    ISRGramCommonW* common = LoadWithSink(*owner, *sink.Get(), data, size, "QueryInterface(ISRGramCommon) failed.\n");
    if (!common)
        return 0;
    gramCommon = common;
    forgetRules();
    m_noRuleActive = true;
    builtinSink = sink;
    owner->linkBuiltinGrammar(this);
    return 1;
}

void CGramObj::rememberRule(const char* ruleName, bool active, HWND window)
{
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
            m_knownRuleValid = false;
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
    detachSinks();
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

void CGramObj::reportComError(const wchar_t* prefix, HRESULT hr)
{
    wchar_t code[16];
    wsprintfW(code, L"%X", static_cast<unsigned>(hr));
    std::wstring text = prefix ? prefix : L"";
    text += L" (HRESULT 0x";
    text += code;
    text += L")";

    IErrorInfo* errorInfo = nullptr;
    BSTR description = nullptr;
    if (GetErrorInfo(0, &errorInfo) == S_OK && errorInfo && SUCCEEDED(errorInfo->GetDescription(&description))) {
        text += L"\n\"";
        text += description ? description : L"";
        text += L"\"";
    }
    // The box text is bounded like the formatted buffer it stands for.
    if (text.size() > 1024)
        text.resize(1024);
    ShowMessageBoxW(nullptr, text.c_str(), L"COM Error", MB_ICONHAND);
    SysFreeString(description);
    if (errorInfo)
        errorInfo->Release();
}
