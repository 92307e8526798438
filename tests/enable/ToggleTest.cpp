// "Enable Now" and "Disable Now" change exactly the module's entries in Dragon's files and
// the dialog's state.
#include "EnableUtilityTest.h"

using Toggle = EnableUtilityTest;

namespace {

IniContents withEntries(IniContents system)
{
    system["Global Clients"][".Quillmoor"] = kClientValue;
    return system;
}

} // namespace

TEST_F(Toggle, EnablingWritesBothEntriesAndKeepsEverythingElse)
{
    writeConfig(kSystemWithoutClient, kAppsWithoutModule);
    IniContents expectedSystem = parseIni(kSystemWithoutClient);
    expectedSystem["Global Clients"][".Quillmoor"] = kClientValue;
    IniContents expectedApps = parseIni(kAppsWithoutModule);
    expectedApps[".Quillmoor"]["App Support GUID"] = kModuleGuid;

    UtilityProcess utility;
    ASSERT_TRUE(utility.started());
    utility.click(IDC_TOGGLE_ENABLED);
    EXPECT_EQ(kEnabledText, utility.waitForText(IDC_ENABLED_TEXT, kEnabledText));
    expectEnabledShown(utility);
    EXPECT_EQ(kEnabledResult, utility.text(IDC_INSTRUCTIONS));
    // The elevation side is not touched by a toggle.
    EXPECT_EQ(L"The current process is elevated.", utility.text(IDC_ELEVATED_TEXT));
    EXPECT_EQ(ScreenColour::Green, utility.colourShown(IDC_ELEVATED_BITMAP));
    EXPECT_FALSE(utility.isEnabled(IDC_ELEVATE));

    EXPECT_EQ(expectedSystem, readIni(kSystemIni));
    EXPECT_EQ(expectedApps, readIni(kAppsIni));
    closeNormally(utility);
}

TEST_F(Toggle, DisablingRemovesKeyAndWholeSectionAndNothingElse)
{
    writeConfig(kSystemWithClient, kAppsWithModule);
    UtilityProcess utility;
    ASSERT_TRUE(utility.started());
    utility.click(IDC_TOGGLE_ENABLED);
    EXPECT_EQ(kDisabledText, utility.waitForText(IDC_ENABLED_TEXT, kDisabledText));
    expectDisabledShown(utility);
    EXPECT_EQ(kDisabledResult, utility.text(IDC_INSTRUCTIONS));

    EXPECT_EQ(parseIni(kSystemWithoutClient), readIni(kSystemIni));
    // "Extra Key" goes with its section.
    EXPECT_EQ(parseIni(kAppsWithoutModule), readIni(kAppsIni));
    closeNormally(utility);
}

TEST_F(Toggle, EnablingWithOnlyOneEntryWritesBoth)
{
    // The client key with a foreign value, but no section in nsapps.ini.
    writeConfig("[Global Clients]\r\n.Quillmoor=stale\r\n", kAppsWithoutModule);
    UtilityProcess utility;
    ASSERT_TRUE(utility.started());
    expectDisabledShown(utility);
    utility.click(IDC_TOGGLE_ENABLED);
    EXPECT_EQ(kEnabledText, utility.waitForText(IDC_ENABLED_TEXT, kEnabledText));

    IniContents expectedApps = parseIni(kAppsWithoutModule);
    expectedApps[".Quillmoor"]["App Support GUID"] = kModuleGuid;
    EXPECT_EQ(withEntries(IniContents{}), readIni(kSystemIni));
    EXPECT_EQ(expectedApps, readIni(kAppsIni));
    closeNormally(utility);
}

TEST_F(Toggle, MissingFilesShowDisabledAndEnablingCreatesThem)
{
    ensureConfigFolder();
    removeFile(kSystemIni);
    removeFile(kAppsIni);
    UtilityProcess utility;
    ASSERT_TRUE(utility.started());
    expectDisabledShown(utility);
    utility.click(IDC_TOGGLE_ENABLED);
    EXPECT_EQ(kEnabledText, utility.waitForText(IDC_ENABLED_TEXT, kEnabledText));
    EXPECT_EQ(withEntries(IniContents{}), readIni(kSystemIni));
    IniContents expectedApps;
    expectedApps[".Quillmoor"]["App Support GUID"] = kModuleGuid;
    EXPECT_EQ(expectedApps, readIni(kAppsIni));
    closeNormally(utility);
}

TEST_F(Toggle, EnableThenDisableLeavesTheOtherEntriesAsTheyWere)
{
    writeConfig(kSystemWithoutClient, kAppsWithoutModule);
    UtilityProcess utility;
    ASSERT_TRUE(utility.started());
    utility.click(IDC_TOGGLE_ENABLED);
    ASSERT_EQ(kEnabledText, utility.waitForText(IDC_ENABLED_TEXT, kEnabledText));
    utility.click(IDC_TOGGLE_ENABLED);
    ASSERT_EQ(kDisabledText, utility.waitForText(IDC_ENABLED_TEXT, kDisabledText));
    expectDisabledShown(utility);
    EXPECT_EQ(kDisabledResult, utility.text(IDC_INSTRUCTIONS));
    EXPECT_EQ(parseIni(kSystemWithoutClient), readIni(kSystemIni));
    EXPECT_EQ(parseIni(kAppsWithoutModule), readIni(kAppsIni));
    closeNormally(utility);

    // A new instance reads the state back from the files.
    UtilityProcess again;
    ASSERT_TRUE(again.started());
    expectDisabledShown(again);
    closeNormally(again);
}
