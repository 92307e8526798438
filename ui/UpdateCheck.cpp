#include "UpdateCheck.h"

#include "../common/MessageBoxes.h"
#include "../common/ModuleInstance.h"
#include "../common/TextConversion.h"
#include "DownloadStatusCallback.h"
#include "VersionCompare.h"

#include <windows.h>
#include <urlmon.h>
#include <wininet.h>
#include <wrl/client.h>

#include <cstdio>
#include <vector>

namespace {
const UINT kCheckBoxFlags = MB_ICONINFORMATION | MB_SETFOREGROUND;
const wchar_t kResultCaption[] = L"Quillmoor 2023 Testing Update Check";

void ShowCheckBox(const wchar_t* text, const wchar_t* caption)
{
    ShowMessageBoxW(nullptr, text, caption, kCheckBoxFlags);
}

bool ReadProductVersion(VS_FIXEDFILEINFO& version)
{
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(ModuleInstance(), path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) { // a cut path names some other file
        ShowCheckBox(L"GetModuleFileName failed", L"");
        return false;
    }
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(path, &handle);
    if (size == 0) {
        ShowCheckBox(L"GetFileVersionInfoSize failed", L"");
        return false;
    }
    std::vector<BYTE> data(size, 0);
    if (!GetFileVersionInfoW(path, 0, size, data.data())) {
        ShowCheckBox(L"GetFileVersionInfo failed", L"");
        return false;
    }
    void* block = nullptr;
    UINT blockSize = 0;
    if (!VerQueryValueW(data.data(), L"\\", &block, &blockSize) || !block || blockSize < sizeof(VS_FIXEDFILEINFO)) {
        ShowCheckBox(L"Can't obtain ProductVersion from resources", L"");
        return false;
    }
    version = *static_cast<const VS_FIXEDFILEINFO*>(block);
    return true;
}

std::wstring VersionDirectoryUrl()
{
    DWORD needed = GetEnvironmentVariableW(kUpdateUrlVariable, nullptr, 0);
    if (needed <= 1)
        return kDefaultUpdateDirectoryUrl;
    std::wstring url(needed, L'\0');
    DWORD length = GetEnvironmentVariableW(kUpdateUrlVariable, &url[0], needed);
    if (length == 0 || length >= needed)
        return kDefaultUpdateDirectoryUrl;
    url.resize(length);
    if (url.back() != L'/')
        url += L'/';
    return url;
}

// A fresh file of our own in the temporary folder: a fixed name there could be planted
// or linked elsewhere by someone else beforehand.
std::wstring CreateTemporaryFile()
{
    wchar_t directory[MAX_PATH + 1] = {};
    DWORD length = GetTempPathW(MAX_PATH + 1, directory);
    if (length == 0 || length > MAX_PATH)
        return std::wstring();
    wchar_t file[MAX_PATH] = {};
    if (!GetTempFileNameW(directory, L"qmv", 0, file)) // fails when the folder leaves no room
        return std::wstring();
    return file;
}

// Downloads the version file and reads its "Latest" value; the file never stays behind.
bool DownloadLatestVersion(const std::wstring& directoryUrl, std::string& latestVersion)
{
    std::wstring path = CreateTemporaryFile();
    if (path.empty()) {
        ShowCheckBox(L"Downloading the file containing the version information failed.", L"Download Error");
        return false;
    }
    std::wstring url = directoryUrl + kVersionFileName;
    DeleteUrlCacheEntryW(url.c_str()); // a cached copy would hide a new release
    Microsoft::WRL::ComPtr<DownloadStatusCallback> status;
    HRESULT hr = DownloadStatusCallback::Create(&status);
    if (SUCCEEDED(hr))
        hr = URLDownloadToFileW(nullptr, url.c_str(), path.c_str(), 0, status.Get());
    // The call can succeed with an error page; only a 2xx answer is the version file.
    DWORD responseCode = status ? status->responseCode() : 0;
    if (FAILED(hr) || (responseCode != 0 && (responseCode < 200 || responseCode > 299))) {
        DeleteFileW(path.c_str());
        ShowCheckBox(L"Downloading the file containing the version information failed.", L"Download Error");
        return false;
    }

    // A value of 80 characters or more is cut by the call to 79.
    wchar_t latest[80] = {};
    GetPrivateProfileStringW(L"QMTestingVersioning", L"Latest", L"", latest, 80, path.c_str());
    latestVersion = NarrowText(latest, CP_ACP);

    if (!DeleteFileW(path.c_str()))
        ShowCheckBox(L"Deleting the temporary file failed.\r\nPress 'OK' to proceed.", L"QM 2023 Error");
    return true;
}

enum class UpdateCheckResult { Failed, UpToDate, NewerAvailable };

// The whole check; a failure has shown its box.
UpdateCheckResult RunUpdateCheck(std::string& installedVersion, std::string& latestVersion)
{
    VS_FIXEDFILEINFO version = {};
    if (!ReadProductVersion(version))
        return UpdateCheckResult::Failed;

    unsigned major = HIWORD(version.dwProductVersionMS);
    unsigned minor = LOWORD(version.dwProductVersionMS);
    unsigned build = HIWORD(version.dwProductVersionLS);
    unsigned revision = LOWORD(version.dwProductVersionLS);
    char text[64];
    std::snprintf(text, sizeof(text), "%u.%u.%u", major, minor, build);
    installedVersion = text;
    // The comparison includes the fourth part, so that publishing exactly the installed
    // 1.0.10061.1 does not announce itself as newer.
    char fullVersion[64];
    std::snprintf(fullVersion, sizeof(fullVersion), "%u.%u.%u.%u", major, minor, build, revision);

    std::wstring directoryUrl = VersionDirectoryUrl();
    if (!InternetCheckConnectionW(directoryUrl.c_str(), FLAG_ICC_FORCE_CONNECTION, 0)) {
        ShowCheckBox(L"Connecting to server failed. You may need to check your internet connection, and try again.",
                     L"No Internet Connection");
        return UpdateCheckResult::Failed;
    }
    if (!DownloadLatestVersion(directoryUrl, latestVersion))
        return UpdateCheckResult::Failed;

    return isNewerVersion(fullVersion, latestVersion.c_str()) ? UpdateCheckResult::NewerAvailable
                                                              : UpdateCheckResult::UpToDate;
}

void ShowOutcome(UpdateCheckResult result, const std::string& installedVersion, const std::string& latestVersion)
{
    std::wstring message;
    if (result == UpdateCheckResult::NewerAvailable)
        message = L"You are currently using version " + WidenText(installedVersion.c_str(), CP_THREAD_ACP) + L",\n" +
                  L"but a more recent one is available now: " + WidenText(latestVersion.c_str(), CP_THREAD_ACP) +
                  L"\n\nFind the MSI installer to the update on the\nQuillmoor 2023 Development Homepage.";
    else
        message = L"Your current version is up-to-date: " + WidenText(installedVersion.c_str(), CP_THREAD_ACP);
    ShowMessageBoxW(nullptr, message.c_str(), kResultCaption, MB_OK | MB_ICONINFORMATION);
}

} // namespace

bool checkForUpdate(std::string& installedVersion, std::string& latestVersion, UpdateCheckReply reply)
{
    UpdateCheckResult result = RunUpdateCheck(installedVersion, latestVersion);
    if (reply == UpdateCheckReply::WithOutcome && result != UpdateCheckResult::Failed)
        ShowOutcome(result, installedVersion, latestVersion);
    return result == UpdateCheckResult::NewerAvailable;
}
