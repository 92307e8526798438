#include "UtilityProcess.h"

#include <vector>

namespace {

const wchar_t kDialogTitle[] = L"Enable Quillmoor 2023 Testing";
const DWORD kPollMs = 50;

std::wstring className(HWND window)
{
    wchar_t name[64] = L"";
    GetClassNameW(window, name, 64);
    return name;
}

std::wstring windowText(HWND window)
{
    // WM_GETTEXT is marshalled across processes, GetWindowText of another process's control is not.
    const LRESULT length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT copied = SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(copied));
    return text;
}

struct Search
{
    DWORD processId;
    bool exclude; // true: any process but processId
    HWND except;
    bool wantMainDialog;
    HWND found;
};

BOOL CALLBACK visitTopLevel(HWND window, LPARAM lParam)
{
    auto* search = reinterpret_cast<Search*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    const bool processMatches = search->exclude ? owner != search->processId : owner == search->processId;
    if (!processMatches || window == search->except || !IsWindowVisible(window) || className(window) != L"#32770")
        return TRUE;
    const bool isMainDialog = windowText(window) == kDialogTitle;
    if (isMainDialog != search->wantMainDialog)
        return TRUE;
    search->found = window;
    return FALSE;
}

HWND pollForWindow(Search search, DWORD timeoutMs)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        search.found = nullptr;
        EnumWindows(visitTopLevel, reinterpret_cast<LPARAM>(&search));
        if (search.found || GetTickCount64() >= deadline)
            return search.found;
        Sleep(kPollMs);
    }
}

// The token of an administrator whose process is not elevated: the limited half of the test's
// own token, with the Administrators group for deny only.
HANDLE tokenWithoutAdministrators()
{
    HANDLE own = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &own))
        return nullptr;
    HANDLE base = own;
    TOKEN_LINKED_TOKEN linked = {};
    DWORD size = 0;
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
    if (GetTokenInformation(own, TokenElevationType, &type, sizeof type, &size) && type == TokenElevationTypeFull &&
        GetTokenInformation(own, TokenLinkedToken, &linked, sizeof linked, &size))
        base = linked.LinkedToken;

    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0,
                             0, &administrators);
    SID_AND_ATTRIBUTES disable = {administrators, 0};
    HANDLE restricted = nullptr;
    if (!CreateRestrictedToken(base, 0, 1, &disable, 0, nullptr, 0, nullptr, &restricted))
        restricted = nullptr;
    FreeSid(administrators);
    if (base != own)
        CloseHandle(base);
    CloseHandle(own);
    return restricted;
}

} // namespace

std::wstring windowsPathOf(const char* hostPath)
{
    std::wstring path = L"Z:";
    for (const char* c = hostPath; *c; ++c)
        path += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
    return path;
}

ScreenColour screenColourOf(HWND item)
{
    // Other tests' windows may share the display: lift this one above them before looking.
    const HWND root = GetAncestor(item, GA_ROOT);
    SetWindowPos(root, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    RedrawWindow(root, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(200);
    return ScreenColourOfArea(item);
}

HWND findUtilityDialog(DWORD exceptProcess, DWORD timeoutMs)
{
    return pollForWindow(Search{exceptProcess, true, nullptr, true, nullptr}, timeoutMs);
}

HWND findUtilityDialogOf(DWORD processId, DWORD timeoutMs)
{
    return pollForWindow(Search{processId, false, nullptr, true, nullptr}, timeoutMs);
}

UtilityProcess::UtilityProcess(Rights rights) : UtilityProcess(std::wstring(), rights)
{
}

UtilityProcess::UtilityProcess(const std::wstring& program, Rights rights)
{
    const std::wstring path = program.empty() ? windowsPathOf(ENABLE_UTILITY_PATH) : program;
    std::wstring commandLine = L"\"" + path + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    BOOL created = FALSE;
    if (rights == Rights::WithoutAdministrators) {
        HANDLE token = tokenWithoutAdministrators();
        if (token) {
            created = CreateProcessAsUserW(token, path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                           nullptr, &startup, &info);
            CloseHandle(token);
        }
    } else {
        created = CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                 &startup, &info);
    }
    if (!created)
        return;
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    processId_ = info.dwProcessId;
    dialog_ = findUtilityDialogOf(processId_, 10000);
}

UtilityProcess::UtilityProcess(HANDLE process, DWORD processId, HWND dialog)
    : process_(process), processId_(processId), dialog_(dialog)
{
}

UtilityProcess::~UtilityProcess()
{
    if (!process_)
        return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
}

std::wstring UtilityProcess::text(int control) const
{
    const HWND item = GetDlgItem(dialog_, control);
    return item ? windowText(item) : L"<no control>";
}

std::wstring UtilityProcess::waitForText(int control, const std::wstring& expected, DWORD timeoutMs) const
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        std::wstring seen = text(control);
        if (seen == expected || GetTickCount64() >= deadline)
            return seen;
        Sleep(kPollMs);
    }
}

bool UtilityProcess::isEnabled(int control) const
{
    return IsWindowEnabled(GetDlgItem(dialog_, control)) != FALSE;
}

HANDLE UtilityProcess::imageHandle(int control) const
{
    return reinterpret_cast<HANDLE>(SendDlgItemMessageW(dialog_, control, STM_GETIMAGE, IMAGE_BITMAP, 0));
}

ScreenColour UtilityProcess::colourShown(int control) const
{
    return screenColourOf(GetDlgItem(dialog_, control));
}

void UtilityProcess::click(int control) const
{
    PostMessageW(GetDlgItem(dialog_, control), BM_CLICK, 0, 0);
}

void UtilityProcess::pressKey(WORD virtualKey) const
{
    // Keys go to the foreground window, which another test's window may hold for a moment.
    for (int attempt = 0; attempt < 20 && GetForegroundWindow() != dialog_; ++attempt) {
        SetForegroundWindow(dialog_);
        Sleep(100);
    }
    INPUT keys[2] = {};
    keys[0].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = virtualKey;
    keys[1] = keys[0];
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
}

void UtilityProcess::clickCloseBox() const
{
    PostMessageW(dialog_, WM_SYSCOMMAND, SC_CLOSE, 0);
}

MessageBoxSeen UtilityProcess::waitForMessageBox(DWORD timeoutMs) const
{
    MessageBoxSeen box;
    box.window = pollForWindow(Search{processId_, false, dialog_, false, nullptr}, timeoutMs);
    if (!box.window)
        return box;
    Sleep(100); // let the box finish its initialisation before reading it
    box.owner = GetWindow(box.window, GW_OWNER);
    box.caption = windowText(box.window);
    const HWND message = GetDlgItem(box.window, 0xFFFF);
    box.text = message ? windowText(message) : L"";
    box.hasCancel = GetDlgItem(box.window, IDCANCEL) != nullptr || GetDlgItem(box.window, IDNO) != nullptr;
    // Text and buttons are black and grey: red in the box can only come from the error icon.
    box.hasErrorIcon = screenColourOf(box.window) == ScreenColour::Red;
    return box;
}

void UtilityProcess::answer(const MessageBoxSeen& box, int button)
{
    PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
}

DWORD UtilityProcess::waitForExit(DWORD timeoutMs) const
{
    if (WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_, &code);
    return code;
}
