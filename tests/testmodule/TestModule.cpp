// qm-testmodule.dll: the smallest useful Dragon global client. Register acquires the
// central interface, registers an engine sink that hands every utterance cookie straight
// back, loads one grammar ("hello module") with a grammar sink and activates it.
// Register, recognitions, UnRegister and the final release are written, one line each,
// to the file named by the environment variable QM_TESTMODULE_LOG. With QM_TESTMODULE_BOX=1
// every recognition shows a Yes/No box and logs the answer. With QM_TESTMODULE_DRIVER=1 it
// shows a test-driver window whose menu commands open modal dialogs and a message box (see
// below). With QM_TESTMODULE_NEVER_UNLOAD=1, DllCanUnloadNow never answers S_OK.
#include "DragonInterfaces.h"
#include "TestModuleResources.h"

#include <commdlg.h>
#include <olectl.h>
#include <wrl/client.h>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

using Microsoft::WRL::ComPtr;

// {5C7D2A41-93E8-4F0B-A6D1-2E8B7C3F9A10}
static const CLSID CLSID_TestModule = {0x5C7D2A41, 0x93E8, 0x4F0B, {0xA6, 0xD1, 0x2E, 0x8B, 0x7C, 0x3F, 0x9A, 0x10}};
static const wchar_t kClsidText[] = L"{5C7D2A41-93E8-4F0B-A6D1-2E8B7C3F9A10}";

static LONG g_locks = 0;
static HMODULE g_module = nullptr;

static void Log(const std::string& line) {
    char path[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("QM_TESTMODULE_LOG", path, MAX_PATH))
        return;
    FILE* file = fopen(path, "a");
    if (!file)
        return;
    fprintf(file, "%s\n", line.c_str());
    fclose(file);
}

// "<hello> exported = hello module;" packed by hand.
static std::vector<BYTE> HelloGrammar() {
    std::vector<BYTE> b;
    auto u32 = [&b](DWORD v) { for (int i = 0; i < 4; ++i) b.push_back(BYTE(v >> (8 * i))); };
    auto name = [&](DWORD id, const char* text) {
        DWORD n = (DWORD)strlen(text), padded = 4 * (n / 4) + 4;
        u32(8 + padded);
        u32(id);
        for (DWORD i = 0; i < padded; ++i)
            b.push_back(i < n ? BYTE(text[i]) : 0);
    };
    u32(0); u32(0);
    u32(4); u32(16); name(1, "hello");
    u32(2); u32(16 + 16); name(1, "hello"); name(2, "module");
    u32(3); u32(8 + 4 * 8); u32(8 + 4 * 8); u32(1);
    u32(1 | (0 << 16)); u32(1);
    u32(3); u32(1);
    u32(3); u32(2);
    u32(2); u32(1);
    return b;
}

// With QM_TESTMODULE_DRIVER=1 the module opens a window titled like Quillmoor's test
// driver, whose edit control 201 logs every WM_COMMAND it receives ("menu <id>"). Like
// Quillmoor's, its close box hides it and empties the log; menu 40666 logs a last line
// and destroys the window at once. Menus 40701 and 40702 are forwarded, as Quillmoor
// forwards its menu commands to Dragon's thread, by a message to a hidden controller
// window, which opens a modal dialog: the editor (a classic dialog template with -1
// labels, radio buttons, a check box that enables a disabled button, edits) and the
// common Open dialog. Both log what the user chose. Menu 40703 asks a Yes/No question in
// a message box, logging ("question box", "question answer N") before and after it; the
// module is busy, and cannot unload, while the box is open.
static const wchar_t kDriverTitle[] = L"Quillmoor New Testing - Grammar Object Test Driver (test module)";
constexpr WORD kLogAndDestroy = 40666;
constexpr WORD kOpenEditor = 40701;
constexpr WORD kOpenFile = 40702;
constexpr WORD kAskQuestion = 40703;
static HWND g_driver = nullptr;
static HWND g_controller = nullptr;

static void AppendDriverLog(const std::wstring& text) {
    HWND edit = GetDlgItem(g_driver, 201);
    if (!edit)
        return;
    SendMessageW(edit, EM_SETSEL, GetWindowTextLengthW(edit), GetWindowTextLengthW(edit));
    SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

static std::wstring ItemText(HWND dialog, int id) {
    wchar_t text[256] = {};
    GetDlgItemTextW(dialog, id, text, 256);
    return text;
}

static INT_PTR CALLBACK EditorProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        CheckRadioButton(dialog, IDC_SCOPE_GLOBAL, IDC_SCOPE_SPECIFIC, IDC_SCOPE_GLOBAL);
        return TRUE;
    }
    if (message != WM_COMMAND)
        return FALSE;
    switch (LOWORD(wParam)) {
    case IDC_ALLOW_APPLY:
        EnableWindow(GetDlgItem(dialog, IDC_APPLY), IsDlgButtonChecked(dialog, IDC_ALLOW_APPLY) == BST_CHECKED);
        return TRUE;
    case IDC_APPLY:
        SetDlgItemTextW(dialog, IDC_STATUS, (L"applied\r\n" + ItemText(dialog, IDC_NAME)).c_str());
        return TRUE;
    case IDOK: {
        std::wstring name = ItemText(dialog, IDC_NAME);
        if (name.empty()) {
            MessageBoxW(dialog, L"A name is needed.", L"Test Module Error", MB_OK | MB_ICONHAND);
            return TRUE;
        }
        bool specific = IsDlgButtonChecked(dialog, IDC_SCOPE_SPECIFIC) == BST_CHECKED;
        bool allow = IsDlgButtonChecked(dialog, IDC_ALLOW_APPLY) == BST_CHECKED;
        AppendDriverLog(std::wstring(L"editor ok: scope ") + (specific ? L"specific" : L"global") + L", allow " +
                        (allow ? L"1" : L"0") + L", name \"" + name + L"\"\r\n");
        EndDialog(dialog, IDOK);
        return TRUE;
    }
    case IDCANCEL:
        AppendDriverLog(L"editor cancelled\r\n");
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

static void OpenBinaryFile(HWND owner) {
    wchar_t file[MAX_PATH] = {};
    OPENFILENAMEW open = {};
    open.lStructSize = sizeof open;
    open.hwndOwner = owner;
    open.lpstrFilter = L"Grammar Binaries (.bin)\0*.bin\0";
    open.nFilterIndex = 1;
    open.lpstrFile = file;
    open.nMaxFile = MAX_PATH;
    open.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    if (GetOpenFileNameW(&open))
        AppendDriverLog(L"open ok " + std::wstring(file) + L"\r\n");
    else
        AppendDriverLog(L"open cancelled " + std::to_wstring(CommDlgExtendedError()) + L"\r\n");
}

static void AskQuestion() {
    Log("question box");
    InterlockedIncrement(&g_locks);
    int answer = MessageBoxW(nullptr, L"Go on with the test?", L"Test Module Question", MB_YESNO | MB_ICONQUESTION);
    InterlockedDecrement(&g_locks);
    // The module may have been unregistered inside the box: g_driver is null then.
    std::string line = "question answer " + std::to_string(answer);
    Log(line);
    AppendDriverLog(std::wstring(line.begin(), line.end()) + L"\r\n");
}

static LRESULT CALLBACK ControllerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && LOWORD(wParam) == kAskQuestion) {
        AskQuestion();
        return 0;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == kOpenEditor) {
        if (DialogBoxParamW(g_module, MAKEINTRESOURCEW(IDD_TEST_EDITOR), nullptr, EditorProc, 0) == -1)
            AppendDriverLog(L"editor failed " + std::to_wstring(GetLastError()) + L"\r\n");
        return 0;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == kOpenFile) {
        OpenBinaryFile(window);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

static LRESULT CALLBACK DriverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && lParam == 0) {
        wchar_t line[32];
        wsprintfW(line, L"menu %u\r\n", LOWORD(wParam));
        AppendDriverLog(line);
        if (LOWORD(wParam) == kLogAndDestroy)
            DestroyWindow(window);
        else if (LOWORD(wParam) == kOpenEditor || LOWORD(wParam) == kOpenFile || LOWORD(wParam) == kAskQuestion)
            PostMessageW(g_controller, WM_COMMAND, wParam, 0);
        return 0;
    }
    if (message == WM_CLOSE) {
        Log("driver close");
        ShowWindow(window, SW_HIDE);
        SetDlgItemTextW(window, 201, L"");
        return 0;
    }
    if (message == WM_DESTROY && window == g_driver)
        g_driver = nullptr;
    return DefWindowProcW(window, message, wParam, lParam);
}

static HWND CreateDriverWindow() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DriverProc;
    wc.hInstance = g_module;
    wc.lpszClassName = L"QmTestModuleDriver";
    RegisterClassW(&wc);
    wc.lpfnWndProc = ControllerProc;
    wc.lpszClassName = L"QmTestModuleController";
    RegisterClassW(&wc);
    g_controller = CreateWindowW(L"QmTestModuleController", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, g_module,
                                 nullptr);
    HWND window = CreateWindowW(L"QmTestModuleDriver", kDriverTitle, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 300, 200,
                                nullptr, nullptr, g_module, nullptr);
    // Without ES_AUTOVSCROLL a multi-line edit takes no more lines than it can show.
    CreateWindowW(L"EDIT", L"driver ready\r\n", WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL,
                  0, 0, 280, 150, window, reinterpret_cast<HMENU>(201), g_module, nullptr);
    g_driver = window;
    return window;
}

// With QM_TESTMODULE_WINDOWMODULE=1 every utterance begin logs what the window-module
// query says about the foreground window: "window module <HRESULT> <file name>".
static void LogForegroundModule(IDgnWindowModule* query) {
    HWND window = GetForegroundWindow();
    std::vector<WCHAR> buffer(261);
    DWORD needed = 0;
    HRESULT hr = query->GetWindowModule(window, buffer.data(), 261, &needed);
    if (hr == DGNERR_BUFFERTOOSMALL) {
        char line[64];
        snprintf(line, sizeof line, "window module too small, needed %lu", (unsigned long)needed);
        Log(line);
        buffer.assign(needed + 1, 0);
        hr = query->GetWindowModule(window, buffer.data(), needed + 1, &needed);
    }
    const WCHAR* name = buffer.data();
    for (const WCHAR* p = buffer.data(); SUCCEEDED(hr) && *p; ++p)
        if (*p == L'\\' || *p == L'/')
            name = p + 1;
    char text[128] = {};
    if (SUCCEEDED(hr))
        WideCharToMultiByte(CP_UTF8, 0, name, -1, text, sizeof text - 1, nullptr, nullptr);
    char line[192];
    snprintf(line, sizeof line, "window module 0x%08lX %s", (unsigned long)hr, text);
    Log(line);
}

class EngineSink final : public IDgnSREngineNotifySinkW, public IDgnGetSinkFlags {
public:
    EngineSink(IDgnSREngineControl* control, IDgnWindowModule* query) : control_(control), query_(query) {
        InterlockedIncrement(&g_locks);
    }
    ~EngineSink() { InterlockedDecrement(&g_locks); }
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IDgnSREngineNotifySinkW) *out = static_cast<IDgnSREngineNotifySinkW*>(this);
        else if (iid == IID_IDgnGetSinkFlags) *out = static_cast<IDgnGetSinkFlags*>(this);
        else return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override { ULONG n = --refs_; if (!n) delete this; return n; }
    STDMETHODIMP AttribChanged2(DWORD) override { return S_OK; }
    STDMETHODIMP Paused(DWORD low, DWORD high) override {
        Log("utterance begin");
        if (query_)
            LogForegroundModule(query_.Get());
        return control_ ? control_->Resume(low, high) : E_UNEXPECTED;
    }
    STDMETHODIMP Notify3(DWORD, DWORD) override { return S_OK; }
    STDMETHODIMP Notify4(DWORD) override { return S_OK; }
    STDMETHODIMP Notify5(DWORD, DWORD) override { return S_OK; }
    STDMETHODIMP Notify6() override { return S_OK; }
    STDMETHODIMP Notify7(DWORD) override { return S_OK; }
    STDMETHODIMP SinkFlagsGet(DWORD* flags) override { if (flags) *flags = DGNSINKFLAGS_ENGINE; return S_OK; }
private:
    ULONG refs_ = 0;
    ComPtr<IDgnSREngineControl> control_;
    ComPtr<IDgnWindowModule> query_;
};

class GrammarSink final : public ISRGramNotifySinkW {
public:
    GrammarSink() { InterlockedIncrement(&g_locks); }
    ~GrammarSink() { InterlockedDecrement(&g_locks); }
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid != IID_IUnknown && iid != IID_ISRGramNotifySinkW) return E_NOINTERFACE;
        *out = static_cast<ISRGramNotifySinkW*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override { ULONG n = --refs_; if (!n) delete this; return n; }
    STDMETHODIMP BookMark(DWORD) override { return S_OK; }
    STDMETHODIMP Paused() override { return S_OK; }
    STDMETHODIMP PhraseFinish(DWORD flags, QWORD, QWORD, PSRPHRASEW phrase, LPUNKNOWN) override {
        std::string words;
        if (phrase) {
            const BYTE* at = phrase->abWords;
            const BYTE* end = reinterpret_cast<const BYTE*>(phrase) + phrase->dwSize;
            while (at + 8 <= end) {
                const SRWORDW* word = reinterpret_cast<const SRWORDW*>(at);
                char text[128] = {};
                WideCharToMultiByte(CP_UTF8, 0, word->szWord, -1, text, sizeof text - 1, nullptr, nullptr);
                words += (words.empty() ? "" : " ") + std::string(text);
                if (word->dwSize < 8) break;
                at += word->dwSize;
            }
        }
        char line[256];
        snprintf(line, sizeof line, "PhraseFinish flags %lu: %s", (unsigned long)flags, words.c_str());
        Log(line);
        char box[8] = {};
        if (GetEnvironmentVariableA("QM_TESTMODULE_BOX", box, sizeof box) && box[0] == '1') {
            // A modal box on the engine's thread, as a module's result handling may show.
            int answer = MessageBoxW(nullptr, L"Heard hello module.\r\nAnswer?", L"Test Module", MB_YESNO);
            snprintf(line, sizeof line, "box answer %d", answer);
            Log(line);
        }
        return S_OK;
    }
    STDMETHODIMP PhraseHypothesis(DWORD, QWORD, QWORD, PSRPHRASEW, LPUNKNOWN) override { return S_OK; }
    STDMETHODIMP PhraseStart(QWORD) override { return S_OK; }
    STDMETHODIMP ReEvaluate(LPUNKNOWN) override { return S_OK; }
    STDMETHODIMP Training(DWORD) override { return S_OK; }
    STDMETHODIMP UnArchive(LPUNKNOWN) override { return S_OK; }
private:
    ULONG refs_ = 0;
};

class TestAppSupport final : public IDgnAppSupportW {
public:
    TestAppSupport() { InterlockedIncrement(&g_locks); }
    ~TestAppSupport() {
        Log("final release");
        InterlockedDecrement(&g_locks);
    }
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid != IID_IUnknown && iid != IID_IDgnAppSupportW) return E_NOINTERFACE;
        *out = static_cast<IDgnAppSupportW*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override { ULONG n = --refs_; if (!n) delete this; return n; }

    STDMETHODIMP Register(IServiceProvider* site) override {
        Log("Register");
        char driver[8] = {};
        if (GetEnvironmentVariableA("QM_TESTMODULE_DRIVER", driver, sizeof driver) && driver[0] == '1')
            driver_ = CreateDriverWindow();
        if (!site || FAILED(site->QueryService(SID_DgnCentral, IID_ISRCentralW,
                                               reinterpret_cast<void**>(central_.GetAddressOf())))) {
            Log("no central");
            return S_OK;
        }
        ComPtr<IDgnSREngineControl> control;
        central_->QueryInterface(IID_IDgnSREngineControl, reinterpret_cast<void**>(control.GetAddressOf()));
        ComPtr<IDgnWindowModule> query;
        char wanted[8] = {};
        if (GetEnvironmentVariableA("QM_TESTMODULE_WINDOWMODULE", wanted, sizeof wanted) && wanted[0] == '1')
            site->QueryService(SID_DgnWindowModule, IID_IDgnWindowModule, reinterpret_cast<void**>(query.GetAddressOf()));
        ComPtr<EngineSink> engineSink = new (std::nothrow) EngineSink(control.Get(), query.Get());
        if (engineSink)
            central_->Register(static_cast<IDgnSREngineNotifySinkW*>(engineSink.Get()), IID_IDgnSREngineNotifySinkW,
                               &key_);
        ComPtr<GrammarSink> grammarSink = new (std::nothrow) GrammarSink();
        std::vector<BYTE> data = HelloGrammar();
        SDATA block = {data.data(), (DWORD)data.size()};
        ComPtr<IUnknown> grammar;
        HRESULT hr = central_->GrammarLoad(SRGRMFMT_CFG, block, grammarSink.Get(), IID_ISRGramNotifySinkW,
                                           grammar.GetAddressOf());
        if (SUCCEEDED(hr) && grammar &&
            SUCCEEDED(grammar->QueryInterface(IID_ISRGramCommonW, reinterpret_cast<void**>(grammar_.GetAddressOf())))) {
            grammar_->Activate(nullptr, FALSE, nullptr);
            Log("grammar loaded");
        } else {
            char line[64];
            snprintf(line, sizeof line, "grammar load failed 0x%08lX", (unsigned long)hr);
            Log(line);
        }
        return S_OK;
    }
    STDMETHODIMP AddProcess(DWORD, DWORD, DWORD, DWORD) override { return S_OK; }
    STDMETHODIMP EndProcess(DWORD) override { return S_OK; }
    STDMETHODIMP UnRegister() override {
        Log("UnRegister");
        if (driver_) {
            DestroyWindow(driver_);
            DestroyWindow(g_controller);
            g_controller = nullptr;
            UnregisterClassW(L"QmTestModuleDriver", g_module);
            UnregisterClassW(L"QmTestModuleController", g_module);
        }
        driver_ = nullptr;
        grammar_.Reset();
        if (central_ && key_)
            central_->UnRegister(key_);
        key_ = 0;
        central_.Reset();
        return S_OK;
    }
private:
    ULONG refs_ = 0;
    HWND driver_ = nullptr;
    DWORD key_ = 0;
    ComPtr<ISRCentralW> central_;
    ComPtr<ISRGramCommonW> grammar_;
};

class Factory : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
        *out = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; } // static object
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        TestAppSupport* object = new (std::nothrow) TestAppSupport();
        if (!object) return E_OUTOFMEMORY;
        object->AddRef();
        HRESULT hr = object->QueryInterface(iid, out);
        object->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        if (lock) InterlockedIncrement(&g_locks); else InterlockedDecrement(&g_locks);
        return S_OK;
    }
};

static Factory g_factory;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (clsid != CLSID_TestModule) return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(iid, out);
}

STDAPI DllCanUnloadNow() {
    char never[8] = {};
    if (GetEnvironmentVariableA("QM_TESTMODULE_NEVER_UNLOAD", never, sizeof never) && never[0] == '1')
        return S_FALSE;
    return g_locks == 0 ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(g_module, path, MAX_PATH);
    std::wstring key = std::wstring(L"CLSID\\") + kClsidText;
    std::wstring server = key + L"\\InprocServer32";
    HKEY handle = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr))
        return SELFREG_E_CLASS;
    const wchar_t name[] = L"Quillmoor Test Module";
    RegSetValueExW(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(name), sizeof name);
    RegCloseKey(handle);
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, server.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr))
        return SELFREG_E_CLASS;
    RegSetValueExW(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path),
                   (DWORD)((wcslen(path) + 1) * sizeof(wchar_t)));
    const wchar_t model[] = L"Apartment";
    RegSetValueExW(handle, L"ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE*>(model), sizeof model);
    RegCloseKey(handle);
    return S_OK;
}

STDAPI DllUnregisterServer() {
    std::wstring key = std::wstring(L"CLSID\\") + kClsidText;
    LONG result = RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND ? S_OK : SELFREG_E_CLASS;
}
