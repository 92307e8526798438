// The dialog shows the enabled state read from Dragon's files and the elevation state.
#include "EnableUtilityTest.h"

#include <cstdlib>

using StateDisplay = EnableUtilityTest;

TEST_F(StateDisplay, BothEntriesPresentShowsEnabled)
{
    writeConfig(kSystemWithClient, kAppsWithModule);
    UtilityProcess utility;
    ASSERT_TRUE(utility.started());
    expectEnabledShown(utility);
    closeNormally(utility);
}

TEST_F(StateDisplay, NoEntriesShowsDisabled)
{
    writeConfig(kSystemWithoutClient, kAppsWithoutModule);
    UtilityProcess utility;
    ASSERT_TRUE(utility.started());
    expectDisabledShown(utility);
    closeNormally(utility);
}

TEST_F(StateDisplay, OnlyOneEntryPresentShowsDisabled)
{
    const struct
    {
        const char* system;
        const char* apps;
    } halves[] = {{kSystemWithClient, kAppsWithoutModule}, {kSystemWithoutClient, kAppsWithModule}};
    for (const auto& half : halves) {
        SCOPED_TRACE(half.system);
        writeConfig(half.system, half.apps);
        UtilityProcess utility;
        ASSERT_TRUE(utility.started());
        expectDisabledShown(utility);
        closeNormally(utility);
    }
}

TEST_F(StateDisplay, AnyNonEmptyValueCountsAsPresent)
{
    writeConfig("[Global Clients]\r\n.Quillmoor=something else\r\n",
                "[.Quillmoor]\r\nApp Support GUID={00000000-0000-0000-0000-000000000000}\r\n");
    UtilityProcess utility;
    ASSERT_TRUE(utility.started());
    expectEnabledShown(utility);
    closeNormally(utility);
}

TEST_F(StateDisplay, EmptyValueCountsAsAbsent)
{
    writeConfig("[Global Clients]\r\n.Quillmoor=\r\n", kAppsWithModule);
    UtilityProcess utility;
    ASSERT_TRUE(utility.started());
    expectDisabledShown(utility);
    closeNormally(utility);
}

TEST_F(StateDisplay, AdministratorSeesElevatedStateWithToggleAvailable)
{
    writeConfig(kSystemWithoutClient, kAppsWithoutModule);
    UtilityProcess utility;
    ASSERT_TRUE(utility.started());
    EXPECT_EQ(L"The current process is elevated.", utility.text(IDC_ELEVATED_TEXT));
    EXPECT_EQ(kElevatedHowTo, utility.text(IDC_INSTRUCTIONS));
    EXPECT_EQ(ScreenColour::Green, utility.colourShown(IDC_ELEVATED_BITMAP));
    EXPECT_TRUE(utility.isEnabled(IDC_TOGGLE_ENABLED));
    EXPECT_FALSE(utility.isEnabled(IDC_ELEVATE));
    EXPECT_TRUE(utility.isEnabled(IDCANCEL));
    EXPECT_EQ(L"Close", utility.text(IDCANCEL));
    closeNormally(utility);
}

TEST_F(StateDisplay, BothMarksShareOneCheckMarkBitmapLoadedOnce)
{
    writeConfig(kSystemWithClient, kAppsWithModule);
    UtilityProcess utility;
    ASSERT_TRUE(utility.started());
    const HANDLE checkMark = utility.imageHandle(IDC_ENABLED_BITMAP);
    ASSERT_NE(nullptr, checkMark);
    EXPECT_EQ(checkMark, utility.imageHandle(IDC_ELEVATED_BITMAP));

    // Disable and enable again: the cross is another bitmap, and the check mark comes back
    // as the same one rather than a fresh load.
    utility.click(IDC_TOGGLE_ENABLED);
    ASSERT_EQ(kDisabledText, utility.waitForText(IDC_ENABLED_TEXT, kDisabledText));
    const HANDLE cross = utility.imageHandle(IDC_ENABLED_BITMAP);
    EXPECT_NE(nullptr, cross);
    EXPECT_NE(checkMark, cross);
    utility.click(IDC_TOGGLE_ENABLED);
    ASSERT_EQ(kEnabledText, utility.waitForText(IDC_ENABLED_TEXT, kEnabledText));
    EXPECT_EQ(checkMark, utility.imageHandle(IDC_ENABLED_BITMAP));
    closeNormally(utility);
}

TEST_F(StateDisplay, DialogIsCentredInTheWorkArea)
{
    writeConfig(kSystemWithoutClient, kAppsWithoutModule);
    UtilityProcess utility;
    ASSERT_TRUE(utility.started());
    RECT frame, workArea;
    ASSERT_TRUE(GetWindowRect(utility.dialog(), &frame));
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0));
    const LONG leftGap = frame.left - workArea.left, rightGap = workArea.right - frame.right;
    const LONG topGap = frame.top - workArea.top, bottomGap = workArea.bottom - frame.bottom;
    EXPECT_LE(labs(leftGap - rightGap), 1) << leftGap << " " << rightGap;
    EXPECT_LE(labs(topGap - bottomGap), 1) << topGap << " " << bottomGap;
    EXPECT_GT(leftGap, 0);
    EXPECT_GT(topGap, 0);
    closeNormally(utility);
}
