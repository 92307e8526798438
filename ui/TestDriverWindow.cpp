#include "TestDriverWindow.h"

#include "../common/ModuleInstance.h"
#include "../common/TextConversion.h"
#include "DriverMessages.h"
#include "resource.h"

#include <richedit.h>

#include <cstring>
#include <new>

// What the UI thread shares with its TestDriverWindow. It is freed by whichever of the
// two lets go last, so a thread that outlives stop's wait never touches a deleted object.
struct DriverThreadLink {
    LONG references = 2; // the window object and the thread
    CRITICAL_SECTION lock;
    TestDriverWindow* owner = nullptr; // guarded by lock; null once the object is gone
    HWND dialog = nullptr;             // guarded by lock; set by the thread once created
    std::atomic<bool> stopping{false};
    std::atomic<bool> closeLost{false}; // stop could not queue the close message
    bool dialogDestroying = false;     // UI thread only
    HANDLE ready = nullptr;            // the thread's own handle of the start event
    HMODULE module = nullptr;          // keeps this code loaded until the thread has ended

    DriverThreadLink() { InitializeCriticalSection(&lock); }
    ~DriverThreadLink() { DeleteCriticalSection(&lock); }
};

namespace {
void ReleaseLink(DriverThreadLink* link)
{
    if (InterlockedDecrement(&link->references) == 0)
        delete link;
}

DriverThreadLink* LinkOf(HWND dialog)
{
    return reinterpret_cast<DriverThreadLink*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

void FreeLogText(LPARAM text)
{
    delete[] reinterpret_cast<char*>(text);
}

// Log texts still queued for the dialog when it goes would otherwise be lost with it.
void DiscardQueuedLogTexts(HWND dialog)
{
    MSG msg;
    while (PeekMessageW(&msg, dialog, WM_APPEND_LOG, WM_APPEND_LOG, PM_REMOVE)) {
        if (msg.message != WM_APPEND_LOG) { // a quit message comes whatever the filter
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        FreeLogText(msg.lParam);
    }
}

void DestroyDriverDialog(HWND dialog, DriverThreadLink* link)
{
    if (link->dialogDestroying)
        return;
    link->dialogDestroying = true;
    DiscardQueuedLogTexts(dialog);
    DestroyWindow(dialog);
}

INT_PTR OnInitDialog(HWND dialog, LPARAM lParam)
{
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    // The icon lives beside the dialog, in the binary this code is linked into.
    HICON icon = LoadIconW(ModuleInstance(), MAKEINTRESOURCEW(IDI_QUILLMOOR));
    if (icon) {
        SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    }
    ShowWindow(dialog, SW_SHOW);
    return TRUE;
}

void OnSize(HWND dialog, LPARAM lParam)
{
    HWND log = GetDlgItem(dialog, IDC_MESSAGE_LOG);
    if (log)
        MoveWindow(log, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
}

void OnClose(HWND dialog)
{
    ShowWindow(dialog, SW_HIDE);
    SetDlgItemTextW(dialog, IDC_MESSAGE_LOG, L"");
}

void OnCommand(HWND dialog, WPARAM wParam, LPARAM lParam)
{
    DriverThreadLink* link = LinkOf(dialog);
    if (!link)
        return;
    HWND target = nullptr;
    EnterCriticalSection(&link->lock);
    if (link->owner)
        target = link->owner->controllerWindow;
    LeaveCriticalSection(&link->lock);
    if (target)
        PostMessageW(target, WM_COMMAND, wParam, lParam);
}

void OnAppendLog(HWND dialog, WPARAM highlight, LPARAM lParam)
{
    const char* text = reinterpret_cast<const char*>(lParam);
    ShowWindow(dialog, SW_SHOW);
    HWND log = GetDlgItem(dialog, IDC_MESSAGE_LOG);
    if (log && text) {
        int length = GetWindowTextLengthW(log);
        SendMessageW(log, EM_SETSEL, length, length);

        CHARFORMATW format = {};
        format.cbSize = sizeof(format);
        format.dwMask = CFM_COLOR;
        format.crTextColor = highlight ? RGB(128, 0, 0) : GetSysColor(COLOR_WINDOWTEXT);
        SendMessageW(log, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));

        // A text too large to convert is left out; nothing may throw out of the dialog procedure.
        try {
            std::wstring wide = WidenText(text, CP_ACP);
            if (!wide.empty())
                SendMessageW(log, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(wide.c_str()));
        } catch (const std::bad_alloc&) {
        }
        SendMessageW(log, EM_SCROLLCARET, 0, 0);
    }
    FreeLogText(lParam);
}

void OnCloseDriver(HWND dialog)
{
    if (DriverThreadLink* link = LinkOf(dialog))
        DestroyDriverDialog(dialog, link);
    else
        DestroyWindow(dialog);
}

INT_PTR CALLBACK DriverDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog, lParam);
    case WM_SIZE:
        OnSize(dialog, lParam);
        return TRUE;
    case WM_CLOSE:
        OnClose(dialog);
        return TRUE;
    case WM_DESTROY:
        PostQuitMessage(0);
        return FALSE;
    case WM_COMMAND:
        OnCommand(dialog, wParam, lParam);
        return TRUE;
    case WM_APPEND_LOG:
        OnAppendLog(dialog, wParam, lParam);
        return TRUE;
    case WM_CLOSE_DRIVER:
        OnCloseDriver(dialog);
        return TRUE;
    default:
        return FALSE;
    }
}

DWORD RunDriverDialog(DriverThreadLink* link)
{
    HWND dialog = CreateDialogParamW(ModuleInstance(), MAKEINTRESOURCEW(IDD_TEST_DRIVER), nullptr,
                                     DriverDialogProc, reinterpret_cast<LPARAM>(link));
    EnterCriticalSection(&link->lock);
    link->dialog = dialog;
    bool stopped = link->stopping;
    if (link->owner && !stopped)
        link->owner->dialog = dialog;
    LeaveCriticalSection(&link->lock);
    if (link->ready) {
        SetEvent(link->ready);
        CloseHandle(link->ready);
        link->ready = nullptr;
    }
    if (!dialog)
        return 1;
    // Stopped before the dialog was there: nobody will post it the close message.
    if (stopped)
        DestroyDriverDialog(dialog, link);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        // A stop whose close message could not be queued still ends the thread. Otherwise
        // the close arrives in order, after every text posted before it.
        if (link->closeLost)
            DestroyDriverDialog(dialog, link);
        if (msg.message == WM_APPEND_LOG && msg.hwnd == dialog && link->dialogDestroying) {
            FreeLogText(msg.lParam);
            continue;
        }
        if (!IsDialogMessageW(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    // Texts posted between the close and the window's end.
    while (PeekMessageW(&msg, nullptr, WM_APPEND_LOG, WM_APPEND_LOG, PM_REMOVE)) {
        if (msg.message == WM_APPEND_LOG && msg.hwnd == dialog)
            FreeLogText(msg.lParam);
    }
    return 0;
}

DWORD WINAPI DriverThreadProc(void* parameter)
{
    DriverThreadLink* link = static_cast<DriverThreadLink*>(parameter);
    HMODULE module = link->module;
    DWORD code = RunDriverDialog(link);
    ReleaseLink(link);
    if (module)
        FreeLibraryAndExitThread(module, code);
    return code;
}
} // namespace

TestDriverWindow::TestDriverWindow()
{
    link = new (std::nothrow) DriverThreadLink;
    if (!link)
        return;
    link->owner = this;

    readyEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    // The thread signals its own handle: ours is closed after a second, and a late
    // SetEvent on a closed (perhaps reused) handle value would hit something else.
    if (readyEvent)
        DuplicateHandle(GetCurrentProcess(), readyEvent, GetCurrentProcess(), &link->ready, 0, FALSE,
                        DUPLICATE_SAME_ACCESS);
    // The thread holds the module loaded so that an unload after stop's wait cannot pull
    // the code from under it.
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&DriverThreadProc),
                       &link->module);

    thread = CreateThread(nullptr, 0, DriverThreadProc, link, 0, nullptr);
    if (!thread) {
        if (link->ready)
            CloseHandle(link->ready);
        if (link->module)
            FreeLibrary(link->module);
        ReleaseLink(link); // the thread's share
    }
    if (readyEvent) {
        if (thread)
            WaitForSingleObject(readyEvent, 1000);
        CloseHandle(readyEvent);
        readyEvent = nullptr;
    }
}

TestDriverWindow::~TestDriverWindow()
{
    stop();
    if (link) {
        EnterCriticalSection(&link->lock);
        link->owner = nullptr;
        LeaveCriticalSection(&link->lock);
        ReleaseLink(link);
        link = nullptr;
    }
}

void TestDriverWindow::stop()
{
    HWND target = dialog;
    if (link) {
        EnterCriticalSection(&link->lock);
        link->stopping = true;
        target = link->dialog; // also a dialog that appeared after the start's wait
        LeaveCriticalSection(&link->lock);
    }
    dialog = nullptr;
    if (target && !PostMessageW(target, WM_CLOSE_DRIVER, 0, 0) && link) {
        link->closeLost = true;
        PostThreadMessageW(GetThreadId(thread), WM_NULL, 0, 0); // wake the loop to notice
    }
    if (thread) {
        WaitForSingleObject(thread, 1000);
        CloseHandle(thread);
        thread = nullptr;
    }
}

void TestDriverWindow::appendLog(const char* text, int highlight)
{
    HWND target = dialog;
    if (!target || !text)
        return;
    size_t length = std::strlen(text);
    char* copy = new (std::nothrow) char[length + 1];
    if (!copy)
        return;
    std::memcpy(copy, text, length + 1);
    // When the dialog is gone the post fails and the copy is still ours.
    if (!PostMessageW(target, WM_APPEND_LOG, static_cast<WPARAM>(highlight), reinterpret_cast<LPARAM>(copy)))
        delete[] copy;
}
