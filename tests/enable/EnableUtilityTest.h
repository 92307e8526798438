// What every enable utility test shares: configuration files saved and restored around the
// test, sample files with and without the module's entries, and the texts the dialog shows.
#pragma once

#include "DragonConfigFiles.h"
#include "Resource.h"
#include "UtilityProcess.h"

#include <gtest/gtest.h>

#include <string>

// Sample files: the module's entries among other clients, sections and keys that must survive.
const char kSystemWithClient[] =
    "[Global Clients]\r\n"
    ".Other=Custom COM Client\r\n"
    ".Quillmoor=Custom COM Client\r\n"
    "\r\n"
    "[Options]\r\n"
    "Audio=on\r\n"
    "Path=C:\\Program Files\\Nuance\r\n";
const char kSystemWithoutClient[] =
    "[Global Clients]\r\n"
    ".Other=Custom COM Client\r\n"
    "\r\n"
    "[Options]\r\n"
    "Audio=on\r\n"
    "Path=C:\\Program Files\\Nuance\r\n";
const char kAppsWithModule[] =
    "[.Other]\r\n"
    "App Support GUID={11111111-2222-3333-4444-555555555555}\r\n"
    "\r\n"
    "[.Quillmoor]\r\n"
    "App Support GUID={BC946B16-79E7-49E7-8902-75C25B2182A9}\r\n"
    "Extra Key=kept until disabled\r\n"
    "\r\n"
    "[Settings]\r\n"
    "Key=Value\r\n";
const char kAppsWithoutModule[] =
    "[.Other]\r\n"
    "App Support GUID={11111111-2222-3333-4444-555555555555}\r\n"
    "\r\n"
    "[Settings]\r\n"
    "Key=Value\r\n";

const char kClientValue[] = "Custom COM Client";
const char kModuleGuid[] = "{BC946B16-79E7-49E7-8902-75C25B2182A9}";

const wchar_t kEnabledText[] = L"Quillmoor 2023 Testing is enabled.";
const wchar_t kDisabledText[] = L"Quillmoor 2023 Testing is disabled.";
const wchar_t kEnabledResult[] =
    L">> Quillmoor has been enabled successfully. <<\r\n\r\nThe change will take effect on the next restart of Dragon.";
const wchar_t kDisabledResult[] =
    L">> Quillmoor has been disabled successfully. <<\r\n\r\nThe change will take effect on the next restart of Dragon.";
const wchar_t kElevatedHowTo[] = L"You may now change the enabled state of the QM module.";
const wchar_t kAccessDeniedText[] = L"You are missing write permissions, obviously due to missing elevation.";

class EnableUtilityTest : public ::testing::Test
{
protected:
    void writeConfig(const std::string& system, const std::string& apps)
    {
        writeFile(kSystemIni, system);
        writeFile(kAppsIni, apps);
    }

    void expectEnabledShown(const UtilityProcess& utility)
    {
        EXPECT_EQ(kEnabledText, utility.text(IDC_ENABLED_TEXT));
        EXPECT_EQ(L"Disable Now", utility.text(IDC_TOGGLE_ENABLED));
        EXPECT_EQ(ScreenColour::Green, utility.colourShown(IDC_ENABLED_BITMAP));
    }

    void expectDisabledShown(const UtilityProcess& utility)
    {
        EXPECT_EQ(kDisabledText, utility.text(IDC_ENABLED_TEXT));
        EXPECT_EQ(L"Enable Now", utility.text(IDC_TOGGLE_ENABLED));
        EXPECT_EQ(ScreenColour::Red, utility.colourShown(IDC_ENABLED_BITMAP));
    }

    // Closes the dialog with its button and checks that the process ends normally.
    void closeNormally(const UtilityProcess& utility)
    {
        utility.click(IDCANCEL);
        EXPECT_EQ(0u, utility.waitForExit());
    }

    DragonConfigBackup backup_;
};
