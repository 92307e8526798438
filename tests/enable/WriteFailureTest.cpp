// Writes that Windows refuses: access denied shows "Access Denied" and changes nothing; any
// other error is shown with its system text and ends the program with that code. A second
// write that fails undoes the first, so the two files never disagree.
#include "EnableUtilityTest.h"

using WriteFailure = EnableUtilityTest;

namespace {

std::wstring systemText(DWORD error)
{
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&text), 0,
                   nullptr);
    std::wstring result = text ? text : L"";
    LocalFree(text);
    return result;
}

void expectAccessDeniedBox(const UtilityProcess& utility)
{
    const MessageBoxSeen box = utility.waitForMessageBox();
    ASSERT_NE(nullptr, box.window) << "no message box";
    EXPECT_EQ(L"Access Denied", box.caption);
    EXPECT_EQ(kAccessDeniedText, box.text);
    EXPECT_EQ(utility.dialog(), box.owner);
    EXPECT_TRUE(box.hasErrorIcon);
    EXPECT_FALSE(box.hasCancel);
    UtilityProcess::answer(box, IDOK);
    // The box is gone and the dialog carries on.
    EXPECT_EQ(STILL_ACTIVE, utility.waitForExit(500));
    EXPECT_EQ(nullptr, utility.waitForMessageBox(300).window);
}

void expectErrorBoxAndExit(const UtilityProcess& utility, DWORD error)
{
    const MessageBoxSeen box = utility.waitForMessageBox();
    ASSERT_NE(nullptr, box.window) << "no message box";
    EXPECT_EQ(L"Error", box.caption);
    EXPECT_EQ(L"WritsPrivateProfileString failed with error " + std::to_wstring(error) + L": " + systemText(error),
              box.text);
    EXPECT_EQ(nullptr, box.owner);
    EXPECT_FALSE(box.hasCancel);
    UtilityProcess::answer(box, IDOK);
    EXPECT_EQ(error, utility.waitForExit());
}

} // namespace

TEST_F(WriteFailure, RefusedEnableShowsAccessDeniedAndChangesNothing)
{
    writeFile(kAppsIni, kAppsWithoutModule);
    replaceWithFolder(kSystemIni);
    UtilityProcess utility;
    ASSERT_TRUE(utility.started());
    utility.click(IDC_TOGGLE_ENABLED);
    expectAccessDeniedBox(utility);
    expectDisabledShown(utility);
    EXPECT_EQ(kElevatedHowTo, utility.text(IDC_INSTRUCTIONS));
    EXPECT_EQ(parseIni(kAppsWithoutModule), readIni(kAppsIni));
    closeNormally(utility);
}

TEST_F(WriteFailure, RefusedDisableShowsAccessDeniedAndChangesNothing)
{
    writeConfig(kSystemWithClient, kAppsWithModule);
    UtilityProcess utility;
    ASSERT_TRUE(utility.started());
    replaceWithFolder(kSystemIni);
    utility.click(IDC_TOGGLE_ENABLED);
    expectAccessDeniedBox(utility);
    expectEnabledShown(utility);
    EXPECT_EQ(kElevatedHowTo, utility.text(IDC_INSTRUCTIONS));
    EXPECT_EQ(parseIni(kAppsWithModule), readIni(kAppsIni));
    closeNormally(utility);
}

TEST_F(WriteFailure, RefusedSecondWriteWhenEnablingUndoesTheFirst)
{
    writeFile(kSystemIni, "[Global Clients]\r\n.Other=Custom COM Client\r\n.Quillmoor=earlier value\r\n");
    replaceWithFolder(kAppsIni);
    UtilityProcess utility;
    ASSERT_TRUE(utility.started());
    utility.click(IDC_TOGGLE_ENABLED);
    expectAccessDeniedBox(utility);
    expectDisabledShown(utility);
    EXPECT_EQ(parseIni("[Global Clients]\r\n.Other=Custom COM Client\r\n.Quillmoor=earlier value\r\n"),
              readIni(kSystemIni));
    closeNormally(utility);
}

TEST_F(WriteFailure, RefusedSecondWriteWhenEnablingRemovesAKeyThatWasNotThere)
{
    writeFile(kSystemIni, kSystemWithoutClient);
    replaceWithFolder(kAppsIni);
    UtilityProcess utility;
    ASSERT_TRUE(utility.started());
    utility.click(IDC_TOGGLE_ENABLED);
    expectAccessDeniedBox(utility);
    expectDisabledShown(utility);
    EXPECT_EQ(parseIni(kSystemWithoutClient), readIni(kSystemIni));
    closeNormally(utility);
}

TEST_F(WriteFailure, OtherErrorWhenEnablingIsShownAndEndsTheProgramWithIt)
{
    writeConfig(kSystemWithoutClient, kAppsWithoutModule);
    UtilityProcess utility;
    ASSERT_TRUE(utility.started());
    {
        ExclusiveLock lock(kSystemIni);
        ASSERT_TRUE(lock.held());
        utility.click(IDC_TOGGLE_ENABLED);
        expectErrorBoxAndExit(utility, ERROR_SHARING_VIOLATION);
    }
    EXPECT_EQ(parseIni(kSystemWithoutClient), readIni(kSystemIni));
    EXPECT_EQ(parseIni(kAppsWithoutModule), readIni(kAppsIni));
}

TEST_F(WriteFailure, OtherErrorInSecondWriteWhenDisablingRestoresTheFirstAndEnds)
{
    writeConfig(kSystemWithClient, kAppsWithModule);
    UtilityProcess utility;
    ASSERT_TRUE(utility.started());
    {
        ExclusiveLock lock(kAppsIni);
        ASSERT_TRUE(lock.held());
        utility.click(IDC_TOGGLE_ENABLED);
        expectErrorBoxAndExit(utility, ERROR_SHARING_VIOLATION);
    }
    EXPECT_EQ(parseIni(kSystemWithClient), readIni(kSystemIni));
    EXPECT_EQ(parseIni(kAppsWithModule), readIni(kAppsIni));

    UtilityProcess again;
    ASSERT_TRUE(again.started());
    expectEnabledShown(again);
    closeNormally(again);
}
