#include "ui/TestDriverWindow.h"

#include "LogTextCounter.h"
#include "ui/DriverMessages.h"
#include "ui/resource.h"

#include <windows.h>
#include <commdlg.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {
// Pumps this thread's messages (the test controller windows live here) until the
// condition holds or the time is up. The limit only ends a wait that would never end: on a
// busy machine the dialog's thread can take seconds for a long log.
bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = 20000)
{
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (condition())
            return true;
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(10);
    }
}

std::wstring WindowText(HWND window)
{
    int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    length = GetWindowTextW(window, &text[0], length + 1);
    text.resize(static_cast<size_t>(length > 0 ? length : 0));
    return text;
}

// The message log's text with line ends as "\n", however the control stores them.
std::wstring LogText(HWND dialog)
{
    std::wstring text = WindowText(GetDlgItem(dialog, IDC_MESSAGE_LOG));
    std::wstring lines;
    for (wchar_t c : text)
        if (c != L'\r')
            lines += c;
    return lines;
}

RECT ScreenRectInDialog(HWND dialog, HWND control)
{
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

RECT DialogUnits(HWND dialog, int x, int y, int width, int height)
{
    RECT rect = {x, y, x + width, y + height};
    MapDialogRect(dialog, &rect);
    return rect;
}

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Describe(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

// A window standing in for the module's ControllerWindow: records the commands it gets.
struct ReceivedCommand {
    HWND window;
    WPARAM wParam;
};
std::vector<ReceivedCommand> g_commands;

LRESULT CALLBACK ControllerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND) {
        g_commands.push_back({window, wParam});
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

const ReceivedCommand* FindCommand(WORD id)
{
    for (const ReceivedCommand& command : g_commands)
        if (LOWORD(command.wParam) == id)
            return &command;
    return nullptr;
}

HWND CreateControllerWindow()
{
    static ATOM atom = 0;
    if (!atom) {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = ControllerProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"QmTestController";
        atom = RegisterClassW(&windowClass);
    }
    return CreateWindowW(L"QmTestController", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr),
                         nullptr);
}

// Holds the UI thread inside GetMessage when it takes kHoldMessage off its queue, until
// g_releaseUiThread is signalled, so that a test can line up messages behind it.
const UINT kHoldMessage = WM_APP + 77;
HANDLE g_releaseUiThread = nullptr;

LRESULT CALLBACK HoldHook(int code, WPARAM wParam, LPARAM lParam)
{
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && msg->message == kHoldMessage)
        WaitForSingleObject(g_releaseUiThread, 10000);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

class UiThreadHold {
public:
    explicit UiThreadHold(HWND dialog)
    {
        g_releaseUiThread = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        hook = SetWindowsHookExW(WH_GETMESSAGE, HoldHook, nullptr, GetWindowThreadProcessId(dialog, nullptr));
        PostMessageW(dialog, kHoldMessage, 0, 0);
    }
    ~UiThreadHold()
    {
        release();
        if (hook)
            UnhookWindowsHookEx(hook);
        CloseHandle(g_releaseUiThread);
        g_releaseUiThread = nullptr;
    }
    bool installed() const { return hook != nullptr; }
    void release() { SetEvent(g_releaseUiThread); }

private:
    HHOOK hook = nullptr;
};

HANDLE DuplicateThread(HANDLE thread)
{
    HANDLE copy = nullptr;
    DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS);
    return copy;
}

DWORD WaitForThreadEnd(HANDLE thread, DWORD timeoutMs)
{
    if (WaitForSingleObject(thread, timeoutMs) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeThread(thread, &code);
    return code;
}

class TestDriverWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(LoadLibraryW(L"riched32.dll")); }
    void SetUp() override { g_commands.clear(); }
};
} // namespace

// Runs first: once the rich-edit library is loaded it stays.
TEST(TestDriverWindowWithoutRichEdit, StartsWithoutDialogAndThreadEndsWithCode1)
{
    if (GetModuleHandleW(L"riched32.dll"))
        GTEST_SKIP() << "rich-edit library already loaded";
    TestDriverWindow driver;
    EXPECT_EQ(driver.dialog.load(), nullptr);
    ASSERT_NE(driver.thread, nullptr);
    EXPECT_EQ(WaitForThreadEnd(driver.thread, 2000), 1u);
    EXPECT_EQ(driver.readyEvent, nullptr);
    driver.appendLog("nobody reads this\n", 0);
    EXPECT_EQ(LiveNothrowArrays(), 0);
}

TEST_F(TestDriverWindowTest, DialogHasTitleStyleFontAndIcon)
{
    TestDriverWindow driver;
    HWND dialog = driver.dialog;
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(driver.readyEvent, nullptr);
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(WindowText(dialog), L"Quillmoor New Testing - Grammar Object Test Driver - Ver. 1.0.10061");

    LONG style = GetWindowLongW(dialog, GWL_STYLE);
    const LONG wanted = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX;
    EXPECT_EQ(style & wanted, wanted);
    EXPECT_EQ(style & WS_MAXIMIZEBOX, 0);

    RECT client;
    GetClientRect(dialog, &client);
    EXPECT_TRUE(SameRect(client, DialogUnits(dialog, 0, 0, 284, 357))) << Describe(client);

    LOGFONTW font = {};
    HFONT handle = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    ASSERT_NE(handle, nullptr);
    GetObjectW(handle, sizeof(font), &font);
    EXPECT_STREQ(font.lfFaceName, L"Microsoft Sans Serif");

    HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_QUILLMOOR));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(dialog, WM_GETICON, ICON_BIG, 0)), icon);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0)), icon);
}

TEST_F(TestDriverWindowTest, ControlsHaveTheirClassesTextsPlacesAndStyles)
{
    struct Expected {
        const wchar_t* className;
        const wchar_t* text;
        int id;
        int x, y, width, height;
    };
    const Expected expected[] = {
        {L"Button", L"Messages", -1, 7, 7, 268, 238},
        {L"RICHEDIT", L"", IDC_MESSAGE_LOG, 14, 19, 256, 221},
        {L"Button", L"Activation Statistics", -1, 7, 251, 268, 29},
        {L"Static", L"Global Commands:", -1, 16, 264, 59, 8},
        {L"Edit", L"", IDC_GLOBAL_COUNT, 75, 264, 29, 14},
        {L"Static", L"App-Specific:", -1, 115, 264, 41, 8},
        {L"Edit", L"", IDC_APP_COUNT, 157, 264, 29, 14},
        {L"Static", L"Window-Specific:", -1, 191, 264, 53, 8},
        {L"Edit", L"", IDC_WINDOW_COUNT, 245, 264, 23, 12},
        {L"Button", L"Utterance Begin", -1, 7, 287, 268, 64},
        {L"Static", L"Module:", -1, 13, 303, 25, 8},
        {L"Edit", L"", IDC_UTTERANCE_MODULE, 41, 301, 227, 12},
        {L"Static", L"Window:", -1, 13, 321, 27, 8},
        {L"Edit", L"", IDC_UTTERANCE_WINDOW, 41, 319, 227, 12},
        {L"Static", L"HWND:", -1, 13, 339, 24, 8},
        {L"Edit", L"", IDC_UTTERANCE_HWND, 41, 336, 40, 12},
    };
    TestDriverWindow driver;
    HWND dialog = driver.dialog;
    ASSERT_NE(dialog, nullptr);

    HWND child = GetWindow(dialog, GW_CHILD);
    for (const Expected& e : expected) {
        ASSERT_NE(child, nullptr) << "missing control " << e.id;
        wchar_t className[64] = {};
        GetClassNameW(child, className, 64);
        EXPECT_EQ(_wcsicmp(className, e.className), 0) << "class " << e.id;
        EXPECT_EQ(static_cast<WORD>(GetDlgCtrlID(child)), static_cast<WORD>(e.id));
        EXPECT_EQ(WindowText(child), e.text);
        RECT actual = ScreenRectInDialog(dialog, child);
        RECT wanted = DialogUnits(dialog, e.x, e.y, e.width, e.height);
        EXPECT_TRUE(SameRect(actual, wanted)) << "control " << e.id << " at " << Describe(actual) << ", wanted "
                                              << Describe(wanted);
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr) << "more controls than expected";

    auto style = [&](int id) { return GetWindowLongW(GetDlgItem(dialog, id), GWL_STYLE); };
    auto bordered = [&](int id) {
        HWND control = GetDlgItem(dialog, id);
        return (GetWindowLongW(control, GWL_STYLE) & WS_BORDER) || (GetWindowLongW(control, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    };
    // The rich edit shows its scroll bar only when the text needs it (see below).
    const LONG logStyle = ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL;
    EXPECT_EQ(style(IDC_MESSAGE_LOG) & logStyle, logStyle);
    EXPECT_TRUE(bordered(IDC_MESSAGE_LOG));
    for (int id : {IDC_GLOBAL_COUNT, IDC_APP_COUNT, IDC_WINDOW_COUNT}) {
        EXPECT_TRUE(style(id) & ES_READONLY) << id;
        EXPECT_FALSE(bordered(id)) << id;
    }
    for (int id : {IDC_UTTERANCE_MODULE, IDC_UTTERANCE_WINDOW, IDC_UTTERANCE_HWND}) {
        EXPECT_TRUE(style(id) & ES_READONLY) << id;
        EXPECT_TRUE(bordered(id)) << id;
    }
    EXPECT_EQ(style(IDC_UTTERANCE_HWND) & ES_CENTER, ES_CENTER);

    // The controller writes the boxes with sent calls from its own thread.
    EXPECT_TRUE(SetDlgItemInt(dialog, IDC_GLOBAL_COUNT, static_cast<UINT>(-3), TRUE));
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_GLOBAL_COUNT)), L"-3");
}

TEST_F(TestDriverWindowTest, MenuHasItsItemsIdsAndGreyedStates)
{
    struct Item {
        int menu;
        const wchar_t* text; // nullptr: separator
        UINT id;
        bool greyed;
    };
    const Item expected[] = {
        {0, L"Add Custom Command", 32787, false},   {0, L"Load From Binary", 32788, false},
        {0, nullptr, 0, false},                      {0, L"Load 100 Commands", 32774, false},
        {0, L"Load 500 Commands", 32770, false},    {0, L"Load 1000 Commands", 32775, false},
        {0, L"Load 1500 Commands", 32776, false},   {0, L"Load 2000 Commands", 32777, false},
        {0, L"Load 2500 Commands", 32771, false},   {0, L"Load 3500 Commands", 32778, false},
        {0, L"Load 5000 Commands", 32772, false},   {0, L"Load 7500 Commands", 32773, false},
        {0, nullptr, 0, false},                      {0, L"Release All Commands", 32769, false},
        {1, L"Hide Quillmoor", 32781, true},        {1, L"Show Quillmoor", 32782, true},
        {1, nullptr, 0, false},                      {1, L"Quillmoor Top Left", 32783, false},
        {1, L"Quillmoor Top Right", 32784, false},  {1, L"Quillmoor Bottom Right", 32785, false},
        {1, L"Quillmoor Bottom Left", 32786, false}, {2, L"&Check for Updates", 32779, false},
        {2, L"&Shut Down", 32780, false},
    };
    TestDriverWindow driver;
    ASSERT_NE(driver.dialog.load(), nullptr);
    HMENU bar = GetMenu(driver.dialog);
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(GetMenuItemCount(bar), 3);
    const wchar_t* titles[] = {L"&File", L"&Built-in Commands", L"&Tools"};
    int expectedCounts[3] = {};
    for (const Item& item : expected)
        ++expectedCounts[item.menu];

    int position[3] = {};
    for (int menu = 0; menu < 3; ++menu) {
        wchar_t title[64] = {};
        GetMenuStringW(bar, static_cast<UINT>(menu), title, 64, MF_BYPOSITION);
        EXPECT_STREQ(title, titles[menu]);
        EXPECT_EQ(GetMenuItemCount(GetSubMenu(bar, menu)), expectedCounts[menu]) << "menu " << menu;
    }
    for (const Item& item : expected) {
        HMENU popup = GetSubMenu(bar, item.menu);
        ASSERT_NE(popup, nullptr);
        wchar_t text[64] = {};
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = 64;
        ASSERT_TRUE(GetMenuItemInfoW(popup, static_cast<UINT>(position[item.menu]++), TRUE, &info));
        if (!item.text) {
            EXPECT_TRUE(info.fType & MFT_SEPARATOR) << "menu " << item.menu << " item " << position[item.menu] - 1;
            continue;
        }
        EXPECT_STREQ(text, item.text);
        EXPECT_EQ(info.wID, item.id) << "item " << item.id;
        EXPECT_EQ((info.fState & MFS_GRAYED) != 0, item.greyed) << "item " << item.id;
    }
}

TEST_F(TestDriverWindowTest, HighlightedTextIsDarkRedAndPlainTextHasTheWindowTextColour)
{
    TestDriverWindow driver;
    HWND dialog = driver.dialog;
    ASSERT_NE(dialog, nullptr);
    driver.appendLog("first plain line\n", 0);
    driver.appendLog("warning in red\n", 1);
    driver.appendLog("plain again\n", 0);
    ASSERT_TRUE(WaitFor([&] { return LogText(dialog) == L"first plain line\nwarning in red\nplain again\n"; }))
        << "log: " << testing::PrintToString(LogText(dialog));

    HWND log = GetDlgItem(dialog, IDC_MESSAGE_LOG);
    auto colourOf = [&](const wchar_t* text, COLORREF& colour) {
        FINDTEXTEXW find = {};
        find.chrg.cpMin = 0;
        find.chrg.cpMax = -1;
        find.lpstrText = text;
        if (SendMessageW(log, EM_FINDTEXTEXW, FR_DOWN | FR_MATCHCASE, reinterpret_cast<LPARAM>(&find)) < 0)
            return false;
        SendMessageW(log, EM_SETSEL, find.chrgText.cpMin, find.chrgText.cpMax);
        CHARFORMATW format = {};
        format.cbSize = sizeof(format);
        SendMessageW(log, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
        // A colour that is not uniform over the range leaves CFM_COLOR out of the mask.
        if (!(format.dwMask & CFM_COLOR) || (format.dwEffects & CFE_AUTOCOLOR))
            return false;
        colour = format.crTextColor;
        return true;
    };
    COLORREF colour = 0;
    ASSERT_TRUE(colourOf(L"first plain line", colour));
    EXPECT_EQ(colour, GetSysColor(COLOR_WINDOWTEXT));
    ASSERT_TRUE(colourOf(L"warning in red", colour));
    EXPECT_EQ(colour, RGB(128, 0, 0));
    ASSERT_TRUE(colourOf(L"plain again", colour));
    EXPECT_EQ(colour, GetSysColor(COLOR_WINDOWTEXT));
}

TEST_F(TestDriverWindowTest, LogTextIsConvertedFromTheAnsiCodePage)
{
    TestDriverWindow driver;
    HWND dialog = driver.dialog;
    ASSERT_NE(dialog, nullptr);
    // Bytes that are undefined or incomplete in many code pages must neither crash the
    // dialog nor stop later lines.
    const char odd[] = "odd \x81\x8d\x8f\x90\x9d\xff\x82\n";
    driver.appendLog(odd, 0);
    driver.appendLog("caf\xe9 after\n", 0);
    ASSERT_TRUE(WaitFor([&] { return LogText(dialog).find(L" after\n") != std::wstring::npos; }));
    std::wstring text = LogText(dialog);
    EXPECT_EQ(text.rfind(L"odd ", 0), 0u);
    if (GetACP() == 1252) {
        EXPECT_NE(text.find(L"caf\u00e9 after\n"), std::wstring::npos) << testing::PrintToString(text);
    }
    EXPECT_TRUE(IsWindow(dialog));
}

TEST_F(TestDriverWindowTest, CloseBoxHidesAndEmptiesTheLogAndTheNextLineShowsItAgain)
{
    TestDriverWindow driver;
    HWND dialog = driver.dialog;
    ASSERT_NE(dialog, nullptr);
    driver.appendLog("before closing\n", 0);
    ASSERT_TRUE(WaitFor([&] { return LogText(dialog) == L"before closing\n"; }));

    SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_FALSE(IsWindowVisible(dialog));
    EXPECT_EQ(LogText(dialog), L"");
    EXPECT_EQ(driver.dialog.load(), dialog);

    driver.appendLog("after closing\n", 1);
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(dialog) && LogText(dialog) == L"after closing\n"; }))
        << testing::PrintToString(LogText(dialog));
}

TEST_F(TestDriverWindowTest, ResizingMakesTheLogCoverTheWholeClientArea)
{
    TestDriverWindow driver;
    HWND dialog = driver.dialog;
    ASSERT_NE(dialog, nullptr);
    HWND log = GetDlgItem(dialog, IDC_MESSAGE_LOG);

    for (SIZE size : {SIZE{420, 380}, SIZE{700, 800}}) {
        ASSERT_TRUE(SetWindowPos(dialog, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE));
        RECT client;
        GetClientRect(dialog, &client);
        RECT covered = ScreenRectInDialog(dialog, log);
        EXPECT_TRUE(SameRect(covered, client)) << Describe(covered) << " vs client " << Describe(client);
    }
    // Statistics included.
    RECT statistics = ScreenRectInDialog(dialog, GetDlgItem(dialog, IDC_GLOBAL_COUNT));
    RECT covered = ScreenRectInDialog(dialog, log);
    RECT both;
    EXPECT_TRUE(IntersectRect(&both, &covered, &statistics) && SameRect(both, statistics));
}

TEST_F(TestDriverWindowTest, LongLogGetsAScrollBarAndFollowsTheLastLine)
{
    TestDriverWindow driver;
    HWND dialog = driver.dialog;
    ASSERT_NE(dialog, nullptr);
    HWND log = GetDlgItem(dialog, IDC_MESSAGE_LOG);
    EXPECT_EQ(SendMessageW(log, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
    for (int i = 1; i <= 120; ++i) {
        char line[32];
        snprintf(line, sizeof(line), "line %d\n", i);
        driver.appendLog(line, i % 2);
    }
    ASSERT_TRUE(WaitFor([&] { return LogText(dialog).find(L"line 120\n") != std::wstring::npos; }));
    EXPECT_TRUE(GetWindowLongW(log, GWL_STYLE) & WS_VSCROLL);
    // The caret follows the end, so the first lines have scrolled out of sight.
    EXPECT_GT(SendMessageW(log, EM_GETFIRSTVISIBLELINE, 0, 0), 60);
}

TEST_F(TestDriverWindowTest, MenuCommandsGoToItsOwnControllerWindow)
{
    HWND first = CreateControllerWindow();
    HWND second = CreateControllerWindow();
    ASSERT_TRUE(first && second);
    TestDriverWindow driverA;
    auto driverB = std::make_unique<TestDriverWindow>();
    ASSERT_TRUE(driverA.dialog.load() && driverB->dialog.load());
    driverA.controllerWindow = first;
    driverB->controllerWindow = second;

    // Focus changes also send edit notifications through the same path; look for ours.
    PostMessageW(driverA.dialog, WM_COMMAND, MAKEWPARAM(ID_CHECK_FOR_UPDATES, 0), 0);
    ASSERT_TRUE(WaitFor([] { return FindCommand(ID_CHECK_FOR_UPDATES); }));
    EXPECT_EQ(FindCommand(ID_CHECK_FOR_UPDATES)->window, first);
    EXPECT_EQ(FindCommand(ID_CHECK_FOR_UPDATES)->wParam, MAKEWPARAM(ID_CHECK_FOR_UPDATES, 0));

    PostMessageW(driverB->dialog, WM_COMMAND, MAKEWPARAM(ID_SHUT_DOWN, 1), 0);
    ASSERT_TRUE(WaitFor([] { return FindCommand(ID_SHUT_DOWN); }));
    EXPECT_EQ(FindCommand(ID_SHUT_DOWN)->window, second);
    EXPECT_EQ(FindCommand(ID_SHUT_DOWN)->wParam, MAKEWPARAM(ID_SHUT_DOWN, 1));

    // The other window going away does not disturb the first one.
    driverB.reset();
    PostMessageW(driverA.dialog, WM_COMMAND, MAKEWPARAM(ID_PLACE_TOP_LEFT, 0), 0);
    ASSERT_TRUE(WaitFor([] { return FindCommand(ID_PLACE_TOP_LEFT); }));
    EXPECT_EQ(FindCommand(ID_PLACE_TOP_LEFT)->window, first);

    DestroyWindow(first);
    DestroyWindow(second);
}

TEST_F(TestDriverWindowTest, StopDestroysTheDialogEndsTheThreadAndLaterTextsAreFreed)
{
    long before = LiveNothrowArrays();
    TestDriverWindow driver;
    HWND dialog = driver.dialog;
    ASSERT_NE(dialog, nullptr);
    HANDLE thread = DuplicateThread(driver.thread);

    driver.stop();
    EXPECT_EQ(driver.dialog.load(), nullptr);
    EXPECT_EQ(driver.thread, nullptr);
    EXPECT_EQ(WaitForThreadEnd(thread, 2000), 0u);
    EXPECT_FALSE(IsWindow(dialog));
    CloseHandle(thread);

    driver.appendLog("after stop\n", 0);
    // A text aimed at the gone dialog cannot be posted: the sender must free it.
    driver.dialog = dialog;
    driver.appendLog("to a gone dialog\n", 1);
    driver.dialog = nullptr;
    EXPECT_EQ(LiveNothrowArrays(), before);
    driver.stop(); // a second stop does nothing
}

namespace {
std::wstring g_insertedText;
WNDPROC g_logProc = nullptr;

LRESULT CALLBACK RecordingLogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == EM_REPLACESEL && lParam)
        g_insertedText += reinterpret_cast<const wchar_t*>(lParam);
    return CallWindowProcW(g_logProc, window, message, wParam, lParam);
}
} // namespace

TEST_F(TestDriverWindowTest, TextsPostedBeforeStopReachTheLogBeforeTheDialogCloses)
{
    TestDriverWindow driver;
    HWND dialog = driver.dialog;
    ASSERT_NE(dialog, nullptr);
    HWND log = GetDlgItem(dialog, IDC_MESSAGE_LOG);
    g_insertedText.clear();
    g_logProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(log, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingLogProc)));
    HANDLE thread = DuplicateThread(driver.thread);
    {
        UiThreadHold hold(dialog);
        ASSERT_TRUE(hold.installed());
        driver.appendLog(">> last line before the stop\n", 0);
        driver.stop(); // gives up waiting while the thread is held; its close is queued behind the text
        hold.release();
        EXPECT_EQ(WaitForThreadEnd(thread, 3000), 0u);
    }
    CloseHandle(thread);
    EXPECT_EQ(g_insertedText, L">> last line before the stop\n");
}

TEST_F(TestDriverWindowTest, TextsStillQueuedWhenTheDialogClosesAreFreed)
{
    long before = LiveNothrowArrays();
    TestDriverWindow driver;
    HWND dialog = driver.dialog;
    ASSERT_NE(dialog, nullptr);
    HANDLE thread = DuplicateThread(driver.thread);
    {
        UiThreadHold hold(dialog);
        ASSERT_TRUE(hold.installed());
        PostMessageW(dialog, WM_CLOSE_DRIVER, 0, 0);
        for (int i = 0; i < 50; ++i)
            driver.appendLog("queued behind the close\n", i & 1);
        EXPECT_EQ(LiveNothrowArrays(), before + 50);
        hold.release();
        EXPECT_EQ(WaitForThreadEnd(thread, 3000), 0u);
    }
    CloseHandle(thread);
    EXPECT_EQ(LiveNothrowArrays(), before);
    driver.stop();
}

TEST_F(TestDriverWindowTest, ThreadOutlivingStopsWaitNeverUsesTheDeletedObject)
{
    HWND controller = CreateControllerWindow();
    ASSERT_NE(controller, nullptr);
    // Built in storage that outlives the object, so that a use after its destruction
    // would still find the controller window there and be seen.
    alignas(TestDriverWindow) unsigned char storage[sizeof(TestDriverWindow)];
    TestDriverWindow* driver = new (storage) TestDriverWindow;
    HWND dialog = driver->dialog;
    ASSERT_NE(dialog, nullptr);
    driver->controllerWindow = controller;
    HANDLE thread = DuplicateThread(driver->thread);
    {
        UiThreadHold hold(dialog);
        ASSERT_TRUE(hold.installed());
        // Queued behind the hold: handled only after the object is gone.
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(ID_RELEASE_ALL_COMMANDS, 0), 0);
        driver->appendLog("late line\n", 0);

        DWORD start = GetTickCount();
        driver->stop();
        DWORD waited = GetTickCount() - start;
        EXPECT_GE(waited, 900u);
        EXPECT_LT(waited, 3000u);
        driver->~TestDriverWindow();

        hold.release();
        EXPECT_EQ(WaitForThreadEnd(thread, 3000), 0u);
    }
    CloseHandle(thread);
    EXPECT_FALSE(IsWindow(dialog));
    WaitFor([] { return false; }, 300);
    EXPECT_EQ(FindCommand(ID_RELEASE_ALL_COMMANDS), nullptr) << "a command reached the controller of a deleted window";
    DestroyWindow(controller);
}
