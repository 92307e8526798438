#include "DragonConfig.h"

#include <string>
#include <vector>
#include <wchar.h>

namespace {

const wchar_t kSystemFile[] = L"C:\\ProgramData\\Nuance\\NaturallySpeaking15\\nssystem.ini";
const wchar_t kAppsFile[] = L"C:\\ProgramData\\Nuance\\NaturallySpeaking15\\nsapps.ini";
const wchar_t kClientsSection[] = L"Global Clients";
const wchar_t kClientKey[] = L".Quillmoor";
const wchar_t kClientValue[] = L"Custom COM Client";
const wchar_t kModuleSection[] = L".Quillmoor";
const wchar_t kGuidKey[] = L"App Support GUID";
const wchar_t kModuleClassId[] = L"{BC946B16-79E7-49E7-8902-75C25B2182A9}";

const DWORD kStateBufferLength = 512;

bool hasValue(const wchar_t* section, const wchar_t* key, const wchar_t* file)
{
    wchar_t value[kStateBufferLength] = L"";
    return GetPrivateProfileStringW(section, key, L"", value, kStateBufferLength, file) > 0;
}

// The whole value, however long, so that an undo writes back exactly what was there.
std::wstring readValue(const wchar_t* section, const wchar_t* key, const wchar_t* file)
{
    std::wstring value(kStateBufferLength, L'\0');
    for (;;) {
        const DWORD length = GetPrivateProfileStringW(section, key, L"", &value[0],
                                                      static_cast<DWORD>(value.size()), file);
        if (length + 1 < value.size()) {
            value.resize(length);
            return value;
        }
        value.resize(value.size() * 2);
    }
}

// The key names of a section, however many there are; none when the file or section is missing.
std::vector<std::wstring> keyNames(const wchar_t* section, const wchar_t* file)
{
    std::wstring names(kStateBufferLength, L'\0');
    DWORD length = 0;
    for (;;) {
        length = GetPrivateProfileStringW(section, nullptr, L"", &names[0], static_cast<DWORD>(names.size()), file);
        // A list that did not fit comes back cut, with a length of the buffer's size less two.
        if (length + 2 < names.size())
            break;
        names.resize(names.size() * 2);
    }
    std::vector<std::wstring> keys;
    for (const wchar_t* name = names.c_str(); *name && name < names.c_str() + length; name += wcslen(name) + 1)
        keys.emplace_back(name);
    return keys;
}

bool hasKey(const wchar_t* section, const wchar_t* key, const wchar_t* file)
{
    for (const std::wstring& name : keyNames(section, file))
        if (CompareStringOrdinal(name.c_str(), -1, key, -1, TRUE) == CSTR_EQUAL)
            return true;
    return false;
}

// A failed write without an error code must still count as a failure.
DWORD writeError()
{
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT;
}

void restoreClientKey(const std::wstring& previous)
{
    WritePrivateProfileStringW(kClientsSection, kClientKey, previous.empty() ? nullptr : previous.c_str(),
                               kSystemFile);
}

} // namespace

namespace DragonConfig {

bool isEnabled()
{
    const bool client = hasValue(kClientsSection, kClientKey, kSystemFile);
    const bool module = hasValue(kModuleSection, kGuidKey, kAppsFile);
    return client && module;
}

bool namesModule()
{
    return hasKey(kClientsSection, kClientKey, kSystemFile) || !keyNames(kModuleSection, kAppsFile).empty();
}

DWORD enable()
{
    const std::wstring previous = readValue(kClientsSection, kClientKey, kSystemFile);
    if (!WritePrivateProfileStringW(kClientsSection, kClientKey, kClientValue, kSystemFile))
        return writeError();
    if (!WritePrivateProfileStringW(kModuleSection, kGuidKey, kModuleClassId, kAppsFile)) {
        const DWORD error = writeError();
        restoreClientKey(previous);
        return error;
    }
    return ERROR_SUCCESS;
}

DWORD disable()
{
    const std::wstring previous = readValue(kClientsSection, kClientKey, kSystemFile);
    if (!WritePrivateProfileStringW(kClientsSection, kClientKey, nullptr, kSystemFile))
        return writeError();
    if (!WritePrivateProfileStringW(kModuleSection, nullptr, nullptr, kAppsFile)) {
        const DWORD error = writeError();
        restoreClientKey(previous);
        return error;
    }
    return ERROR_SUCCESS;
}

} // namespace DragonConfig
