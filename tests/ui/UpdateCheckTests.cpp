#include "ui/UpdateCheck.h"

#include "LocalHttpServer.h"
#include "common/MessageBoxes.h"

#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
struct Box {
    HWND owner;
    std::wstring text;
    std::wstring caption;
    UINT flags;
};
std::vector<Box> g_boxes;

int RecordBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT flags)
{
    g_boxes.push_back({owner, text ? text : L"", caption ? caption : L"", flags});
    return IDOK;
}

const UINT kFailureFlags = MB_ICONINFORMATION | MB_SETFOREGROUND;
const UINT kResultFlags = MB_OK | MB_ICONINFORMATION;
const wchar_t kResultCaption[] = L"Quillmoor 2023 Testing Update Check";
const wchar_t kUpToDate[] = L"Your current version is up-to-date: 1.0.10061";
const wchar_t kDownloadFailed[] = L"Downloading the file containing the version information failed.";

std::wstring NewerMessage(const std::wstring& latest)
{
    return L"You are currently using version 1.0.10061,\nbut a more recent one is available now: " + latest +
           L"\n\nFind the MSI installer to the update on the\nQuillmoor 2023 Development Homepage.";
}

std::wstring Widen(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

std::wstring Environment(const wchar_t* name)
{
    wchar_t value[1024] = {};
    DWORD length = GetEnvironmentVariableW(name, value, 1024);
    return length && length < 1024 ? value : L"";
}

std::vector<std::wstring> FilesIn(const std::wstring& directory)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((directory + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (wcscmp(found.cFileName, L".") != 0 && wcscmp(found.cFileName, L"..") != 0)
            names.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

class UpdateCheckTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // The check runs on Dragon's thread, which is in a COM apartment.
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        WSADATA data;
        ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
        server = new LocalHttpServer;
        ASSERT_TRUE(server->start());
    }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
        WSACleanup();
        CoUninitialize();
    }

    void SetUp() override
    {
        g_boxes.clear();
        SetMessageBoxHandler(RecordBox);
        savedTmp = Environment(L"TMP");
        savedTemp = Environment(L"TEMP");
        // Each case has a temporary folder and a download directory of its own.
        ++caseNumber;
        tempDirectory = savedTemp + L"\\qm-update-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                        std::to_wstring(caseNumber);
        ASSERT_TRUE(CreateDirectoryW(tempDirectory.c_str(), nullptr));
        SetEnvironmentVariableW(L"TMP", tempDirectory.c_str());
        SetEnvironmentVariableW(L"TEMP", tempDirectory.c_str());
        directoryPath = "/case" + std::to_string(caseNumber) + "/Downloads/";
        SetEnvironmentVariableW(kUpdateUrlVariable, (BaseAddress() + Widen(directoryPath)).c_str());
    }

    void TearDown() override
    {
        EXPECT_TRUE(FilesIn(tempDirectory).empty()) << "a file was left in the temporary folder";
        SetEnvironmentVariableW(L"TMP", savedTmp.empty() ? nullptr : savedTmp.c_str());
        SetEnvironmentVariableW(L"TEMP", savedTemp.empty() ? nullptr : savedTemp.c_str());
        SetEnvironmentVariableW(kUpdateUrlVariable, nullptr);
        for (const std::wstring& name : FilesIn(tempDirectory))
            DeleteFileW((tempDirectory + L"\\" + name).c_str());
        RemoveDirectoryW(tempDirectory.c_str());
        SetMessageBoxHandler(nullptr);
    }

    static std::wstring BaseAddress() { return L"http://127.0.0.1:" + std::to_wstring(server->port()); }

    void Publish(const std::string& iniText, int status = 200)
    {
        server->serve(directoryPath + "QuillmoorVersioning.ini", status, iniText);
    }

    void PublishLatest(const std::string& latest) { Publish("[QMTestingVersioning]\r\nLatest=" + latest + "\r\n"); }

    // The menu command with the controller's two texts as they were before.
    void RunMenu()
    {
        installed = "before";
        latest = "previous";
        checkForUpdate(installed, latest, UpdateCheckReply::WithOutcome);
    }

    void ExpectOneBox(const std::wstring& text, const std::wstring& caption, UINT flags)
    {
        std::wstring all;
        for (const Box& box : g_boxes)
            all += L"[" + box.caption + L": " + box.text + L"] ";
        ASSERT_EQ(g_boxes.size(), 1u) << testing::PrintToString(all);
        EXPECT_EQ(g_boxes[0].text, text);
        EXPECT_EQ(g_boxes[0].caption, caption);
        EXPECT_EQ(g_boxes[0].flags, flags);
        EXPECT_EQ(g_boxes[0].owner, nullptr);
    }

    static LocalHttpServer* server;
    static int caseNumber;
    std::wstring savedTmp, savedTemp, tempDirectory;
    std::string directoryPath;
    std::string installed, latest;
};
LocalHttpServer* UpdateCheckTest::server = nullptr;
int UpdateCheckTest::caseNumber = 0;
} // namespace

TEST_F(UpdateCheckTest, NewerPublishedVersionsAreAnnounced)
{
    // 1.1.2 and 2.0 read as 112 and 20 when the digits are run together.
    for (const char* published : {"1.0.10062", "1.1.2", "2.0", "1.2.4 beta", "1.0.10061.2", "1.0.99999999999"}) {
        SCOPED_TRACE(published);
        g_boxes.clear();
        PublishLatest(published);
        RunMenu();
        ExpectOneBox(NewerMessage(Widen(published)), kResultCaption, kResultFlags);
        EXPECT_EQ(installed, "1.0.10061");
        EXPECT_EQ(latest, published);
    }
    EXPECT_EQ(server->requests().back(), directoryPath + "QuillmoorVersioning.ini");

    g_boxes.clear();
    PublishLatest("1.0.10062");
    EXPECT_TRUE(checkForUpdate(installed, latest));
    EXPECT_TRUE(g_boxes.empty());
}

TEST_F(UpdateCheckTest, SameOrOlderVersionsAreUpToDate)
{
    // 0.99.99999 reads as 9999999, above 1.0.10061's 1010061, when the digits are run together.
    for (const char* published : {"1.0.10061", "1.0.10061.1", "1.0.10060", "0.99.99999", "1.0.9999", "1"}) {
        SCOPED_TRACE(published);
        g_boxes.clear();
        PublishLatest(published);
        RunMenu();
        ExpectOneBox(kUpToDate, kResultCaption, kResultFlags);
        EXPECT_EQ(installed, "1.0.10061");
        EXPECT_EQ(latest, published);
    }
    g_boxes.clear();
    PublishLatest("1.0.10061.1");
    EXPECT_FALSE(checkForUpdate(installed, latest));
    EXPECT_TRUE(g_boxes.empty());
}

TEST_F(UpdateCheckTest, MissingOrDigitlessLatestMeansNoNewerVersion)
{
    struct Case {
        const char* ini;
        const char* latest;
    };
    const Case cases[] = {
        {"[QMTestingVersioning]\r\nEarliest=9.9\r\n", ""},
        {"[SomethingElse]\r\nLatest=9.9\r\n", ""},
        {"", ""},
        {"[QMTestingVersioning]\r\nLatest=unknown\r\n", "unknown"},
        {"[QMTestingVersioning]\r\nLatest=v2.0\r\n", "v2.0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ini);
        g_boxes.clear();
        Publish(c.ini);
        RunMenu();
        ExpectOneBox(kUpToDate, kResultCaption, kResultFlags);
        EXPECT_EQ(latest, c.latest);
    }
}

TEST_F(UpdateCheckTest, LatestValueOf80CharactersOrMoreIsCutTo79)
{
    std::string longVersion = "1.0.10062-" + std::string(100, 'x');
    PublishLatest(longVersion);
    RunMenu();
    ASSERT_EQ(latest, longVersion.substr(0, 79));
    ExpectOneBox(NewerMessage(Widen(latest)), kResultCaption, kResultFlags);

    g_boxes.clear();
    std::string manyDigits = "1." + std::string(200, '9');
    PublishLatest(manyDigits);
    RunMenu();
    EXPECT_EQ(latest, manyDigits.substr(0, 79));
    ExpectOneBox(NewerMessage(Widen(latest)), kResultCaption, kResultFlags);
}

TEST_F(UpdateCheckTest, UnreachableServerShowsOnlyTheConnectionBox)
{
    SetEnvironmentVariableW(kUpdateUrlVariable,
                            (L"http://127.0.0.1:" + std::to_wstring(ClosedLocalPort()) + L"/Downloads/").c_str());
    RunMenu();
    ExpectOneBox(L"Connecting to server failed. You may need to check your internet connection, and try again.",
                 L"No Internet Connection", kFailureFlags);
    EXPECT_EQ(installed, "1.0.10061");
    EXPECT_EQ(latest, "previous");

    g_boxes.clear();
    EXPECT_FALSE(checkForUpdate(installed, latest));
    EXPECT_EQ(g_boxes.size(), 1u);
}

TEST_F(UpdateCheckTest, DownloadErrorShowsOnlyTheDownloadBoxAndLeavesNoFile)
{
    for (int status : {404, 500}) {
        SCOPED_TRACE(status);
        g_boxes.clear();
        Publish("[QMTestingVersioning]\r\nLatest=9.9.9\r\n", status);
        RunMenu();
        ExpectOneBox(kDownloadFailed, L"Download Error", kFailureFlags);
        EXPECT_EQ(installed, "1.0.10061");
        EXPECT_EQ(latest, "previous");
        EXPECT_TRUE(FilesIn(tempDirectory).empty());
    }
    EXPECT_EQ(server->requests().back(), directoryPath + "QuillmoorVersioning.ini");
}

TEST_F(UpdateCheckTest, TemporaryFolderWithoutRoomForAFileShowsTheDownloadBox)
{
    std::wstring deep = tempDirectory + L"\\" + std::wstring(250, L'd');
    SetEnvironmentVariableW(L"TMP", deep.c_str());
    SetEnvironmentVariableW(L"TEMP", deep.c_str());
    PublishLatest("2.0");
    size_t requestsBefore = server->requests().size();
    RunMenu();
    ExpectOneBox(kDownloadFailed, L"Download Error", kFailureFlags);
    EXPECT_EQ(latest, "previous");
    EXPECT_EQ(server->requests().size(), requestsBefore);
}

TEST_F(UpdateCheckTest, BaseAddressWithoutFinalSlashNamesTheSameDirectory)
{
    std::wstring base = BaseAddress() + Widen(directoryPath);
    base.pop_back();
    SetEnvironmentVariableW(kUpdateUrlVariable, base.c_str());
    PublishLatest("1.0.10063");
    RunMenu();
    ExpectOneBox(NewerMessage(L"1.0.10063"), kResultCaption, kResultFlags);
    EXPECT_EQ(server->requests().back(), directoryPath + "QuillmoorVersioning.ini");
}
