// "Load From Binary" through the menu, with the real Open dialog answered as a person would:
// the file name typed into it and "Open" pressed, or "Cancel".
#include "ConnectedModule.h"
#include "GramParser.h"
#include "../../grammar/CGramObj.h"

#include <cstdio>
#include <cstdlib>

namespace {

struct OpenDialogSearch {
    HWND owner, found;
};

BOOL CALLBACK FindOpenDialog(HWND window, LPARAM data)
{
    auto* search = reinterpret_cast<OpenDialogSearch*>(data);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (IsWindowVisible(window) && !wcscmp(className, L"#32770") && GetWindow(window, GW_OWNER) == search->owner) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

struct FilterSearch {
    const wchar_t* filter;
    bool found;
};

// A combo box of the dialog lists the filter.
BOOL CALLBACK FindFilter(HWND child, LPARAM data)
{
    auto* search = reinterpret_cast<FilterSearch*>(data);
    wchar_t className[16] = {};
    GetClassNameW(child, className, 16);
    if (wcscmp(className, L"ComboBox"))
        return TRUE;
    const LRESULT count = SendMessageW(child, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t item[128] = {};
        if (SendMessageW(child, CB_GETLBTEXTLEN, i, 0) < 128)
            SendMessageW(child, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
        search->found = search->found || !wcscmp(item, search->filter);
    }
    return TRUE;
}

class BinaryGrammarFileTest : public ConnectedModuleTest {
protected:
    void SetUp() override
    {
        ConnectedModuleTest::SetUp();
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder = std::wstring(temp) + L"qm-binary-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(folder.c_str(), nullptr);
    }

    void TearDown() override
    {
        for (const std::wstring& file : files)
            DeleteFileW(file.c_str());
        RemoveDirectoryW(folder.c_str());
        ConnectedModuleTest::TearDown();
    }

    std::wstring WriteFile(const wchar_t* name, const std::vector<unsigned char>& bytes)
    {
        std::wstring path = folder + L"\\" + name;
        FILE* file = _wfopen(path.c_str(), L"wb");
        EXPECT_NE(nullptr, file);
        if (file) {
            fwrite(bytes.data(), 1, bytes.size(), file);
            fclose(file);
        }
        files.push_back(path);
        return path;
    }

    // The debug copy the compiler writes of a grammar text, outputTest.bin.
    std::wstring DebugCopyOf(const std::string& text)
    {
        _wputenv_s(L"QUILLMOOR_DUMP_DIR", folder.c_str());
        EXPECT_TRUE(controller.commands.compiler()->Compile(text, true));
        _wputenv_s(L"QUILLMOOR_DUMP_DIR", L"");
        files.push_back(folder + L"\\outputTest.bin");
        return files.back();
    }

    static HWND OpenDialogOf(HWND owner)
    {
        OpenDialogSearch search{owner, nullptr};
        EnumThreadWindows(GetCurrentThreadId(), FindOpenDialog, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    static bool OffersFilter(HWND dialog, const wchar_t* filter)
    {
        FilterSearch search{filter, false};
        EnumChildWindows(dialog, FindFilter, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    // "Load From Binary" from the menu; the Open dialog gets path typed in and "Open", or
    // "Cancel" for an empty path. False when no dialog owned by the controller window came.
    bool LoadFromMenu(const std::wstring& path)
    {
        QuitGuard guard(later);
        bool answered = false;
        std::function<void()> answer = [&] {
            HWND open = OpenDialogOf(controller.commands.controllerWindow());
            if (!open)
                return void(later.post(answer, 50));
            EXPECT_TRUE(OffersFilter(open, L"Grammar Binaries (.bin)"));
            answered = true;
            if (path.empty()) {
                PostMessageW(open, WM_COMMAND, IDCANCEL, 0);
                return;
            }
            HWND name = GetDlgItem(open, 0x47C); // the file name box
            if (!name)
                name = GetDlgItem(open, 0x480);
            ASSERT_NE(nullptr, name);
            SetWindowTextW(name, path.c_str());
            PostMessageW(GetDlgItem(open, IDOK), BM_CLICK, 0, 0);
        };
        later.post(answer, 50);
        Menu(ID_LOAD_FROM_BINARY);
        return answered && !guard.fired();
    }

    std::wstring folder;
    std::vector<std::wstring> files;
};

TEST_F(BinaryGrammarFileTest, TheDebugCopyOfTestCommandOneLoadsWithItsRuleActiveEachTimeItIsLoaded)
{
    const std::wstring file = DebugCopyOf("<1> exported = Test 1;\n");
    for (int round = 1; round <= 2; ++round) {
        ClearLog();
        boxes.boxes.clear();
        ASSERT_TRUE(LoadFromMenu(file));
        EXPECT_EQ(round, controller.commands.loadedCount());
        EXPECT_EQ(round, controller.commands.globalActiveCount());
        EXPECT_EQ(0, controller.grammarOwner.commandGrammars()->number);
        EXPECT_EQ(0, controller.grammarOwner.commandGrammars()->isSpecific);
        EXPECT_EQ(round + 1, controller.commands.nextCommandNumber()); // the next command grammar comes after it
        const std::string log = SettledLog();
        // The log keeps "\r\n" as two line ends.
        EXPECT_EQ("Grammar loaded successfully.\n\nRule <1> activated successfully.\n", log);
        // Test command 1 has no list "OnOff": the engine refuses filling it, and says so.
        EXPECT_EQ(3u, boxes.boxes.size()) << Describe(boxes.boxes);
        for (const RecordedBox& box : boxes.boxes)
            EXPECT_EQ(L"COM Error", box.caption);
    }
    EXPECT_EQ(8u, engine.Snapshot().grammars.size());
    EXPECT_TRUE(engine.Say("Test 1").recognised);
    Menu(ID_RELEASE_ALL_COMMANDS);
    EXPECT_EQ(6u, engine.Snapshot().grammars.size());
}

TEST_F(BinaryGrammarFileTest, AListOnOffIsFilledWithTwoOfItsValues)
{
    ASSERT_TRUE(LoadFromMenu(DebugCopyOf("<1> exported = Switch {OnOff};\n")));
    EXPECT_TRUE(boxes.boxes.empty()) << Describe(boxes.boxes);
    bool filled = false;
    for (const qmsim::GrammarState& grammar : engine.Snapshot().grammars)
        for (const qmsim::ListState& list : grammar.lists)
            filled = filled || (list.name == "OnOff" && list.words == std::vector<std::string>{"On", "Off"});
    EXPECT_TRUE(filled);
    EXPECT_TRUE(engine.Say("Switch Off").recognised);
}

TEST_F(BinaryGrammarFileTest, FilesTheEngineRefusesOrThatHaveNoRuleOneOrCannotBeReadAreReported)
{
    const std::wstring otherRule = DebugCopyOf("<2> exported = Other;\n");
    const std::wstring locked = WriteFile(L"locked.bin", {1, 2, 3, 4});
    const struct {
        std::wstring path;
        int loaded;        // loadedCount afterwards
        const char* log;   // what the log shows
        const wchar_t* box; // the start of the one box, or null for none
    } cases[] = {
        {WriteFile(L"garbage.bin", {1, 2, 3, 4, 5, 6, 7, 8}), 0, "Grammar failed to load\n",
         L"Grammar load failed with: (HRESULT 0x80040201)\n\""},
        {WriteFile(L"empty.bin", {}), 0, "Grammar failed to load\n", nullptr},
        {otherRule, 1, "Grammar loaded successfully.\n\nActivating rule failed.", L"CGramObj::activate failed with:"},
        {locked, 1, "The grammar file could not be read (error 32).\n", nullptr},
    };
    // Opened by someone else without sharing: the module cannot read it.
    HANDLE holder = CreateFileW(locked.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    for (const auto& c : cases) {
        ClearLog();
        boxes.boxes.clear();
        ASSERT_TRUE(LoadFromMenu(c.path)) << c.log;
        EXPECT_EQ(c.loaded, controller.commands.loadedCount()) << c.log;
        EXPECT_EQ(0, controller.commands.globalActiveCount()) << c.log;
        EXPECT_EQ(std::string(c.log), SettledLog().substr(0, strlen(c.log))) << c.log;
        // The list boxes of a grammar without "OnOff" come first.
        std::vector<RecordedBox> shown = boxes.boxes;
        if (c.box) {
            ASSERT_FALSE(shown.empty()) << c.log;
            EXPECT_EQ(0u, shown.back().text.find(c.box)) << Describe(shown);
        } else {
            EXPECT_TRUE(shown.empty()) << Describe(shown);
        }
    }
    CloseHandle(holder);
}

TEST_F(BinaryGrammarFileTest, ACancelledDialogLoadsNothingAndSaysNothing)
{
    ASSERT_TRUE(LoadFromMenu(L""));
    EXPECT_EQ(0, controller.commands.loadedCount());
    EXPECT_EQ("", SettledLog());
    EXPECT_TRUE(boxes.boxes.empty()) << Describe(boxes.boxes);
}

} // namespace
