// A user without administrator rights sees the non-elevated state and can only elevate.
#include "EnableUtilityTest.h"

using Elevation = EnableUtilityTest;

namespace {

const wchar_t kNotElevatedHowTo[] =
    L"Elevation is required to change the enabled state of the QM module.\r\n\r\n"
    L"If you want to change it, start by clicking \"Elevate Now\".\r\n\r\n"
    L"When prompted by the UAC, feel safe to confirm.\r\n\r\n"
    L"The process will be stopped and restarted elevated automatically.";

} // namespace

TEST_F(Elevation, NonAdministratorSeesNotElevatedStateAndOnlyElevateNow)
{
    writeConfig(kSystemWithClient, kAppsWithModule);
    UtilityProcess utility(Rights::WithoutAdministrators);
    ASSERT_TRUE(utility.started());
    EXPECT_EQ(L"The current process is not elevated.", utility.text(IDC_ELEVATED_TEXT));
    EXPECT_EQ(kNotElevatedHowTo, utility.text(IDC_INSTRUCTIONS));
    EXPECT_EQ(ScreenColour::Red, utility.colourShown(IDC_ELEVATED_BITMAP));
    EXPECT_FALSE(utility.isEnabled(IDC_TOGGLE_ENABLED));
    EXPECT_TRUE(utility.isEnabled(IDC_ELEVATE));
    // The enabled state is read all the same.
    expectEnabledShown(utility);
    closeNormally(utility);
}

TEST_F(Elevation, ElevateNowRestartsTheProgramAndEndsWithCodeOne)
{
    writeConfig(kSystemWithoutClient, kAppsWithoutModule);
    UtilityProcess utility(Rights::WithoutAdministrators);
    ASSERT_TRUE(utility.started());
    utility.click(IDC_ELEVATE);
    EXPECT_EQ(1u, utility.waitForExit());

    const HWND restartedDialog = findUtilityDialog(utility.processId(), 10000);
    ASSERT_NE(nullptr, restartedDialog) << "no restarted instance";
    DWORD restartedId = 0;
    GetWindowThreadProcessId(restartedDialog, &restartedId);
    const HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE,
                                       restartedId);
    ASSERT_NE(nullptr, process);
    UtilityProcess restarted(process, restartedId, restartedDialog);
    EXPECT_EQ(kDisabledText, restarted.text(IDC_ENABLED_TEXT));
    closeNormally(restarted);
}
