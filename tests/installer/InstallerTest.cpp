// Quillmoor.msi under Windows Installer (msiexec /qn): the files in Program Files, the COM class
// with the installed path, the Start-menu shortcut; the installed utility enables the module
// and Dragon loads it by class identifier; reinstalling and upgrading leave one product;
// uninstalling leaves nothing behind, and Dragon's configuration no longer names the module.
#include "DragonRun.h"
#include "EnableUtilityTest.h"

#include <windows.h>

#include <msi.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace {

const wchar_t kClassKey[] = L"CLSID\\{BC946B16-79E7-49E7-8902-75C25B2182A9}";
const wchar_t kServerKey[] = L"CLSID\\{BC946B16-79E7-49E7-8902-75C25B2182A9}\\InprocServer32";
const wchar_t kShortcutName[] = L"Enable Quillmoor 2023 Testing.lnk";
const wchar_t kUtilityName[] = L"Enable Quillmoor 2023 Testing.exe";
const DWORD kMsiexecTimeoutMs = 120000;

std::wstring wide(const char* text)
{
    return std::wstring(text, text + strlen(text));
}

bool sameText(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

DWORD msiexec(const std::wstring& arguments)
{
    return runAndWait(L"msiexec.exe " + arguments + L" /qn", kMsiexecTimeoutMs);
}

DWORD install(const char* package)
{
    return msiexec(L"/i \"" + windowsPathOf(package) + L"\"");
}

// Product codes of every installed version of the package.
std::vector<std::wstring> installedProducts()
{
    std::vector<std::wstring> products;
    const std::wstring upgradeCode = wide(QM_UPGRADE_CODE);
    wchar_t product[39];
    for (DWORD index = 0; MsiEnumRelatedProductsW(upgradeCode.c_str(), 0, index, product) == ERROR_SUCCESS; ++index)
        products.emplace_back(product);
    return products;
}

std::wstring productVersion(const std::wstring& product)
{
    wchar_t version[64] = L"";
    DWORD length = 64;
    if (MsiGetProductInfoW(product.c_str(), INSTALLPROPERTY_VERSIONSTRING, version, &length) != ERROR_SUCCESS)
        return std::wstring();
    return version;
}

void uninstallEverything()
{
    for (const std::wstring& product : installedProducts())
        msiexec(L"/x " + product);
}

std::wstring knownFolder(int csidl)
{
    wchar_t path[MAX_PATH] = L"";
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)))
        return std::wstring();
    return path;
}

// Where the package puts its files and its class: an x86 package (the one handed out, for 32-bit
// Dragon) into the 32-bit Program Files and the 32-bit registry view, which are the only ones on
// 32-bit Windows; an x64 package, made of the files of a 64-bit build like this test, into the
// 64-bit ones.
#if QM_MSI_WIN64
static_assert(sizeof(void*) == 8, "an x64 package is tested by a 64-bit test");
const int kProgramFiles = CSIDL_PROGRAM_FILES;
const REGSAM kRegistryView = KEY_WOW64_64KEY;
#else
const int kProgramFiles = CSIDL_PROGRAM_FILESX86;
const REGSAM kRegistryView = KEY_WOW64_32KEY;
#endif

std::wstring installFolder()
{
    return knownFolder(kProgramFiles) + L"\\Quillmoor";
}

// A key under HKEY_CLASSES_ROOT in the package's registry view (null when it is missing).
HKEY openClassesKey(const wchar_t* key)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key, 0, KEY_READ | kRegistryView, &opened) != ERROR_SUCCESS)
        return nullptr;
    return opened;
}

// Value `name` (null: the default value) of a key under HKEY_CLASSES_ROOT, in the view that a
// Dragon of the package's processor reads; "<none>" when it is missing.
std::wstring classesValue(const wchar_t* key, const wchar_t* name)
{
    const HKEY opened = openClassesKey(key);
    if (!opened)
        return L"<none>";
    wchar_t data[MAX_PATH] = L"";
    DWORD size = sizeof data;
    const LSTATUS status = RegGetValueW(opened, nullptr, name, RRF_RT_REG_SZ, nullptr, data, &size);
    RegCloseKey(opened);
    return status == ERROR_SUCCESS ? data : L"<none>";
}

bool classesKeyExists(const wchar_t* key)
{
    const HKEY opened = openClassesKey(key);
    if (!opened)
        return false;
    RegCloseKey(opened);
    return true;
}

// The targets of the utility's Start-menu shortcuts. A package for all users puts it into the
// common Start menu; Wine's installer resolves that folder to the user's one, so both count.
std::vector<std::wstring> shortcutTargets()
{
    std::vector<std::wstring> targets;
    for (int csidl : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS}) {
        const std::wstring link = knownFolder(csidl) + L"\\" + kShortcutName;
        if (!fileExists(link.c_str()))
            continue;
        Microsoft::WRL::ComPtr<IShellLinkW> shellLink;
        Microsoft::WRL::ComPtr<IPersistFile> file;
        wchar_t target[MAX_PATH] = L"<unreadable>";
        if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&shellLink))) &&
            SUCCEEDED(shellLink.As(&file)) && SUCCEEDED(file->Load(link.c_str(), STGM_READ)))
            shellLink->GetPath(target, MAX_PATH, nullptr, 0);
        targets.emplace_back(target);
    }
    return targets;
}

bool sameBytes(const std::wstring& installed, const char* built)
{
    std::string a, b;
    return readFileBytes(installed.c_str(), a) && readFileBytes(windowsPathOf(built).c_str(), b) && a == b;
}

// Every test starts and ends with nothing installed and Dragon's files as they were. Dragon is
// installed: its configuration folder exists, even in a new prefix, but names no module.
class Installer : public EnableUtilityTest
{
protected:
    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        clearDragonConfig();
        uninstallEverything();
    }
    void TearDown() override
    {
        // First, so that a file that a test made unwritable cannot stop the uninstall.
        clearDragonConfig();
        uninstallEverything();
        CoUninitialize();
    }

    static void clearDragonConfig()
    {
        ensureConfigFolder();
        removeFile(kSystemIni);
        removeFile(kAppsIni);
    }

    void expectInstalledAndRegistered(const char* expectedVersion)
    {
        const std::vector<std::wstring> products = installedProducts();
        ASSERT_EQ(1u, products.size());
        EXPECT_EQ(wide(expectedVersion), productVersion(products[0]));
        expectFilesClassAndShortcut();
    }

    void expectFilesClassAndShortcut()
    {
        const std::wstring module = installFolder() + L"\\Quillmoor.dll";
        const std::wstring utility = installFolder() + L"\\" + kUtilityName;
        EXPECT_TRUE(sameBytes(module, QUILLMOOR_PATH)) << "installed module differs from the built one";
        EXPECT_TRUE(sameBytes(utility, ENABLE_UTILITY_PATH)) << "installed utility differs from the built one";

        EXPECT_EQ(L"Quillmoor Module for NatSpeak", classesValue(kClassKey, nullptr));
        EXPECT_TRUE(sameText(module, classesValue(kServerKey, nullptr))) << classesValue(kServerKey, nullptr);
        EXPECT_EQ(L"Apartment", classesValue(kServerKey, L"ThreadingModel"));

        const std::vector<std::wstring> targets = shortcutTargets();
        ASSERT_EQ(1u, targets.size());
        EXPECT_TRUE(sameText(utility, targets[0])) << targets[0];
    }
};

} // namespace

TEST_F(Installer, InstallsFilesClassAndShortcutAndDragonLoadsTheInstalledModule)
{
    ASSERT_EQ(0u, install(QUILLMOOR_MSI));
    expectInstalledAndRegistered(QM_PACKAGE_VERSION);
    // Installing enables nothing: that is the utility's job.
    EXPECT_FALSE(fileExists(kSystemIni));
    EXPECT_FALSE(fileExists(kAppsIni));

    toggleWithUtility(kEnabledText, installFolder() + L"\\" + kUtilityName);
    // Nothing but the installed module is registered in this prefix: Dragon finds it by its class.
    const std::string transcript = dragonStartTranscript(NATSPEAK_PATH, BY_CLASS_SCRIPT);
    EXPECT_TRUE(contains(transcript, "host exit code 0\n")) << transcript;
    EXPECT_TRUE(contains(transcript, "global client .Quillmoor: created {BC946B16-79E7-49E7-8902-75C25B2182A9}"))
        << transcript;
}

TEST_F(Installer, ReinstallingAndUpgradingLeaveOneProductStillEnabled)
{
    ASSERT_EQ(0u, install(QUILLMOOR_MSI));
    writeConfig(kSystemWithClient, kAppsWithModule);

    EXPECT_EQ(0u, install(QUILLMOOR_MSI));
    expectInstalledAndRegistered(QM_PACKAGE_VERSION);

    ASSERT_EQ(0u, install(NEXT_MSI));
    expectInstalledAndRegistered(NEXT_VERSION);
    const IniContents system = readIni(kSystemIni);
    const IniContents apps = readIni(kAppsIni);
    EXPECT_EQ(system, parseIni(kSystemWithClient));
    EXPECT_EQ(kModuleGuid, apps.at(".Quillmoor").at("App Support GUID"));
    EXPECT_EQ(parseIni(kAppsWithModule).at(".Other"), apps.at(".Other"));
    const std::string transcript = dragonStartTranscript(NATSPEAK_PATH);
    EXPECT_TRUE(contains(transcript, "global client .Quillmoor: created {BC946B16-79E7-49E7-8902-75C25B2182A9}"))
        << transcript;

    // The older package does not go back over the newer one.
    EXPECT_NE(0u, install(QUILLMOOR_MSI));
    expectInstalledAndRegistered(NEXT_VERSION);
}

TEST_F(Installer, UninstallingLeavesNoFileShortcutClassOrDragonEntry)
{
    ASSERT_EQ(0u, install(QUILLMOOR_MSI));
    writeConfig(kSystemWithClient, kAppsWithModule);

    ASSERT_EQ(0u, msiexec(L"/x \"" + windowsPathOf(QUILLMOOR_MSI) + L"\""));
    EXPECT_TRUE(installedProducts().empty());
    EXPECT_FALSE(fileExists((installFolder() + L"\\Quillmoor.dll").c_str()));
    EXPECT_FALSE(fileExists((installFolder() + L"\\" + kUtilityName).c_str()));
    EXPECT_FALSE(fileExists(installFolder().c_str()));
    EXPECT_TRUE(shortcutTargets().empty());
    EXPECT_FALSE(classesKeyExists(kClassKey));
    EXPECT_TRUE(classesKeyExists(L"CLSID"));

    // The module's entries are gone, everything else in the files stays.
    EXPECT_EQ(parseIni(kSystemWithoutClient), readIni(kSystemIni));
    EXPECT_EQ(parseIni(kAppsWithoutModule), readIni(kAppsIni));
    const std::string transcript = dragonStartTranscript(NATSPEAK_PATH);
    EXPECT_FALSE(contains(transcript, ".Quillmoor")) << transcript;
    EXPECT_FALSE(contains(transcript, "BC946B16")) << transcript;
}

TEST_F(Installer, UninstallingWithoutDragonConfigurationCreatesNone)
{
    ASSERT_EQ(0u, install(QUILLMOOR_MSI));
    ASSERT_EQ(0u, msiexec(L"/x \"" + windowsPathOf(QUILLMOOR_MSI) + L"\""));
    EXPECT_TRUE(installedProducts().empty());
    EXPECT_FALSE(fileExists(kSystemIni));
    EXPECT_FALSE(fileExists(kAppsIni));
}

TEST_F(Installer, UninstallingFailsAndKeepsTheModuleWhileDragonsFilesCannotBeChanged)
{
    ASSERT_EQ(0u, install(QUILLMOOR_MSI));
    // Enabled, but the second file refuses every write: the change to the first one is undone.
    writeFile(kSystemIni, kSystemWithClient);
    replaceWithFolder(kAppsIni);
    const std::wstring package = L"\"" + windowsPathOf(QUILLMOOR_MSI) + L"\"";

    EXPECT_EQ(static_cast<DWORD>(ERROR_INSTALL_FAILURE), msiexec(L"/x " + package));
    // Dragon still names the module, and the module is still there to be loaded. Whether the
    // product is still registered is not checked: Wine's rollback of a failed uninstall runs the
    // counterpart of every standard action in the sequence, UnpublishProduct among them, and so
    // unregisters it; Windows rolls back only what ran.
    EXPECT_EQ(parseIni(kSystemWithClient), readIni(kSystemIni));
    expectFilesClassAndShortcut();

    // Once the files can be changed, the uninstall goes through.
    removeFile(kAppsIni);
    writeFile(kAppsIni, kAppsWithModule);
    ASSERT_EQ(0u, msiexec(L"/x " + package));
    EXPECT_FALSE(fileExists(installFolder().c_str()));
    EXPECT_FALSE(classesKeyExists(kClassKey));
    EXPECT_EQ(parseIni(kSystemWithoutClient), readIni(kSystemIni));
    EXPECT_EQ(parseIni(kAppsWithoutModule), readIni(kAppsIni));
}
