// The registry-script interpreter and the module's own script, applied below a private key
// of the current user instead of HKEY_CLASSES_ROOT.
#include "RegistryScript.h"
#include "ServerRegistration.h"

#include <gtest/gtest.h>

namespace {

const wchar_t kClassKey[] = L"CLSID\\{BC946B16-79E7-49E7-8902-75C25B2182A9}";

class RegistryScriptTest : public testing::Test {
protected:
    void SetUp() override
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, kTestRoot);
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, kTestRoot, 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, &root, nullptr));
    }
    void TearDown() override
    {
        RegCloseKey(root);
        RegDeleteTreeW(HKEY_CURRENT_USER, kTestRoot);
        RegDeleteKeyW(HKEY_CURRENT_USER, kTestRoot);
    }

    bool KeyExists(const std::wstring& path)
    {
        HKEY key = nullptr;
        if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }

    // The string value, or "<missing>".
    std::wstring Value(const std::wstring& path, const wchar_t* name)
    {
        wchar_t data[1024] = {};
        DWORD size = sizeof(data);
        if (RegGetValueW(root, path.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
            return L"<missing>";
        return data;
    }

    static constexpr const wchar_t* kTestRoot = L"Software\\QuillmoorRegistryScriptTest";
    HKEY root = nullptr;
};

TEST_F(RegistryScriptTest, ModuleScriptRegistersTheClassWithPathAndApartment)
{
    ASSERT_EQ(S_OK, RegisterModuleServer(root));
    EXPECT_EQ(L"Quillmoor Module for NatSpeak", Value(kClassKey, nullptr));

    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring server = std::wstring(kClassKey) + L"\\InprocServer32";
    EXPECT_EQ(std::wstring(path), Value(server, nullptr));
    EXPECT_EQ(L"Apartment", Value(server, L"ThreadingModel"));
}

TEST_F(RegistryScriptTest, RegisteringAgainReplacesTheClassKeyAndUnregisteringLeavesClsid)
{
    ASSERT_EQ(S_OK, RegisterModuleServer(root));
    // Something stale below the class key and a neighbour below CLSID.
    HKEY stale = nullptr;
    RegCreateKeyExW(root, (std::wstring(kClassKey) + L"\\Stale").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &stale, nullptr);
    RegCloseKey(stale);
    HKEY neighbour = nullptr;
    RegCreateKeyExW(root, L"CLSID\\{00000000-1111-2222-3333-444444444444}", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &neighbour, nullptr);
    RegCloseKey(neighbour);

    ASSERT_EQ(S_OK, RegisterModuleServer(root));
    EXPECT_FALSE(KeyExists(std::wstring(kClassKey) + L"\\Stale"));
    EXPECT_TRUE(KeyExists(std::wstring(kClassKey) + L"\\InprocServer32"));

    ASSERT_EQ(S_OK, UnregisterModuleServer(root));
    EXPECT_FALSE(KeyExists(kClassKey));
    EXPECT_TRUE(KeyExists(L"CLSID"));
    EXPECT_TRUE(KeyExists(L"CLSID\\{00000000-1111-2222-3333-444444444444}"));
    // Unregistering twice is harmless.
    EXPECT_EQ(S_OK, UnregisterModuleServer(root));
}

TEST_F(RegistryScriptTest, VariablesWithQuotesCannotBreakTheScript)
{
    const std::wstring script = L"HKCR\n{\n\tKey = s '%MODULE%'\n\t{\n\t\tval Name = s 'it''s %%1'\n\t}\n}\n";
    RegistryVariables variables{{L"MODULE", L"C:\\Bob's files\\Quillmoor.dll"}};
    ASSERT_EQ(S_OK, ApplyRegistryScript(script, variables, RegistryScriptAction::Register, root));
    EXPECT_EQ(L"C:\\Bob's files\\Quillmoor.dll", Value(L"Key", nullptr));
    EXPECT_EQ(L"it's %1", Value(L"Key", L"Name"));

    // A plain key goes on unregistration once the script's values are gone from it.
    ASSERT_EQ(S_OK, ApplyRegistryScript(script, variables, RegistryScriptAction::Unregister, root));
    EXPECT_FALSE(KeyExists(L"Key"));
}

TEST_F(RegistryScriptTest, FaultyScriptsAreRefusedWithoutWritingAnything)
{
    RegistryVariables variables{{L"MODULE", L"x.dll"}};
    const wchar_t* faulty[] = {
        L"",
        L"HKXX { Key = s 'v' }",                               // unknown root
        L"HKCU { Key = s 'v' }",                               // a root the module does not write
        L"HKCR { ForceRemove }",                               // a flag without its key
        L"HKCR { A = s 'a' } HKCR { B = s 'b' }",              // a second block
        L"HKCR { Key = s 'v' ",                                // unclosed block
        L"HKCR { Key = d '1' }",                               // type outside the subset
        L"HKCR { Key = s 'v }",                                // unterminated text
        L"HKCR { Key = s '%UNKNOWN%' }",                       // unknown variable
        L"HKCR { First = s 'a' { val = s 'b' } }",             // value without a name
        L"HKCR { Written = s 'a' } HKCR { Broken = s 'b' { }", // the error comes after a good part
    };
    for (const wchar_t* script : faulty) {
        EXPECT_EQ(E_FAIL, ApplyRegistryScript(script, variables, RegistryScriptAction::Register, root))
            << testing::PrintToString(std::wstring(script));
        DWORD subkeys = 1;
        RegQueryInfoKeyW(root, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr);
        EXPECT_EQ(0u, subkeys) << testing::PrintToString(std::wstring(script));
    }
}

} // namespace
