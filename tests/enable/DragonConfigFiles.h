// Dragon's two configuration files as the tests see them: saved and put back around each
// test, written from text, and read back as parsed sections.
#pragma once

#include <windows.h>

#include <map>
#include <string>

extern const wchar_t kSystemIni[];
extern const wchar_t kAppsIni[];

// Section -> key -> value, blanks around names and values trimmed, comments left out:
// what the profile functions make of a file.
using IniContents = std::map<std::string, std::map<std::string, std::string>>;

IniContents parseIni(const std::string& text);
bool fileExists(const wchar_t* path);
// The whole file; false when it cannot be opened.
bool readFileBytes(const wchar_t* path, std::string& bytes);
IniContents readIni(const wchar_t* path);
void writeFile(const wchar_t* path, const std::string& bytes);
void removeFile(const wchar_t* path);
void ensureConfigFolder();
// Puts a folder where the file should be, which every write refuses with access denied.
void replaceWithFolder(const wchar_t* path);

// Saves both files (or their absence) and restores them when the test ends.
class DragonConfigBackup
{
public:
    DragonConfigBackup();
    ~DragonConfigBackup();

private:
    struct Saved
    {
        bool existed = false;
        std::string bytes;
    };
    Saved system_, apps_;
};

// Holds a file open without sharing, so that the utility's access fails with a sharing violation.
class ExclusiveLock
{
public:
    explicit ExclusiveLock(const wchar_t* path);
    ~ExclusiveLock();
    bool held() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};
