#include "DragonConfigFiles.h"

#include <sstream>

const wchar_t kSystemIni[] = L"C:\\ProgramData\\Nuance\\NaturallySpeaking15\\nssystem.ini";
const wchar_t kAppsIni[] = L"C:\\ProgramData\\Nuance\\NaturallySpeaking15\\nsapps.ini";

namespace {

std::string trim(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return std::string();
    const size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

} // namespace

bool fileExists(const wchar_t* path)
{
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

bool readFileBytes(const wchar_t* path, std::string& bytes)
{
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bytes.clear();
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    return true;
}

IniContents parseIni(const std::string& text)
{
    IniContents contents;
    std::istringstream lines(text);
    std::string line;
    std::string section;
    bool inSection = false;
    while (std::getline(lines, line)) {
        line = trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line[0] == '[') {
            const size_t close = line.find(']');
            section = trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            contents[section];
            inSection = true;
            continue;
        }
        if (!inSection)
            continue;
        const size_t equals = line.find('=');
        if (equals == std::string::npos)
            contents[section][line] = "";
        else
            contents[section][trim(line.substr(0, equals))] = trim(line.substr(equals + 1));
    }
    return contents;
}

IniContents readIni(const wchar_t* path)
{
    std::string bytes;
    if (!readFileBytes(path, bytes))
        return IniContents();
    return parseIni(bytes);
}

void writeFile(const wchar_t* path, const std::string& bytes)
{
    ensureConfigFolder();
    removeFile(path);
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

void ensureConfigFolder()
{
    CreateDirectoryW(L"C:\\ProgramData", nullptr);
    CreateDirectoryW(L"C:\\ProgramData\\Nuance", nullptr);
    CreateDirectoryW(L"C:\\ProgramData\\Nuance\\NaturallySpeaking15", nullptr);
}

void removeFile(const wchar_t* path)
{
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveDirectoryW(path);
    else
        DeleteFileW(path);
}

void replaceWithFolder(const wchar_t* path)
{
    ensureConfigFolder();
    removeFile(path);
    CreateDirectoryW(path, nullptr);
}

DragonConfigBackup::DragonConfigBackup()
{
    system_.existed = fileExists(kSystemIni) && readFileBytes(kSystemIni, system_.bytes);
    apps_.existed = fileExists(kAppsIni) && readFileBytes(kAppsIni, apps_.bytes);
}

DragonConfigBackup::~DragonConfigBackup()
{
    removeFile(kSystemIni);
    removeFile(kAppsIni);
    if (system_.existed)
        writeFile(kSystemIni, system_.bytes);
    if (apps_.existed)
        writeFile(kAppsIni, apps_.bytes);
}

ExclusiveLock::ExclusiveLock(const wchar_t* path)
    : handle_(CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                          nullptr))
{
}

ExclusiveLock::~ExclusiveLock()
{
    if (held())
        CloseHandle(handle_);
}
