// "Load From Binary": a ready-made binary grammar file, chosen in the common Open dialog,
// goes to the recogniser unread as one more command grammar; its rule "1" is activated
// globally and its list "OnOff" filled.
#include "ModuleController.h"
#include "../grammar/CGramObj.h"

#include <commdlg.h>

#include <memory>
#include <new>
#include <vector>

#ifndef _WIN64
static_assert(sizeof(OPENFILENAMEW) == 88, "the Open dialog's structure as 32-bit Windows has it");
#endif

namespace {

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using FileHandle = std::unique_ptr<void, HandleCloser>;

enum class FileRead { Read, Missing, TooLarge, Failed };

// The whole file; a file that vanished after the dialog reads as missing.
FileRead ReadWholeFile(const wchar_t* path, std::vector<BYTE>& bytes, DWORD& error, ULONGLONG& size)
{
    HANDLE opened = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileRead::Missing : FileRead::Failed;
    }
    FileHandle file(opened);
    LARGE_INTEGER length;
    if (!GetFileSizeEx(opened, &length)) {
        error = GetLastError();
        return FileRead::Failed;
    }
    size = static_cast<ULONGLONG>(length.QuadPart);
    // The recogniser takes a block of at most 4 GB - 1 bytes.
    if (size > MAXDWORD)
        return FileRead::TooLarge;
    try {
        bytes.assign(static_cast<size_t>(size), 0);
    } catch (const std::bad_alloc&) {
        return FileRead::TooLarge;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        if (!ReadFile(opened, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &got, nullptr)) {
            error = GetLastError();
            return FileRead::Failed;
        }
        if (got == 0) { // shorter than its size said: cut while it was read
            error = ERROR_HANDLE_EOF;
            return FileRead::Failed;
        }
        done += got;
    }
    return FileRead::Read;
}

} // namespace

void ModuleController::loadFromBinary(const Busy& busy)
{
    wchar_t path[260] = {};
    OPENFILENAMEW choice = {};
    choice.lStructSize = sizeof(choice);
    choice.hwndOwner = commands.controllerWindow();
    choice.lpstrFilter = L"Grammar Binaries (.bin)\0*.bin\0";
    choice.nFilterIndex = 1;
    choice.lpstrFile = path;
    choice.nMaxFile = 260;
    choice.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    if (GetOpenFileNameW(&choice) != TRUE)
        return;

    std::vector<BYTE> bytes;
    DWORD error = 0;
    ULONGLONG size = 0;
    switch (ReadWholeFile(path, bytes, error, size)) {
    case FileRead::Read:
        break;
    case FileRead::Missing:
        return;
    case FileRead::TooLarge:
        grammarOwner.logFormat("The grammar file is too large to be loaded (%llu bytes).\r\n", size);
        return;
    case FileRead::Failed:
        grammarOwner.logFormat("The grammar file could not be read (error %lu).\r\n",
                               static_cast<unsigned long>(error));
        return;
    }

    CGramObj* grammar = commands.loadCommandGrammar(bytes, busy);
    if (!grammar) {
        grammarOwner.log("Grammar failed to load\r\n");
        return;
    }
    // Refusals show their own boxes, whose loops may release the grammar meanwhile: it stays
    // allocated (the caller holds the controller), but unloaded.
    grammar->listSet("OnOff");
    for (const char* value : {"On", "Off"})
        if (grammar->gramCommon)
            grammar->listAppend("OnOff", value);
    if (!grammar->gramCommon)
        return;
    grammarOwner.log("Grammar loaded successfully.\r\n");
    if (grammar->activate("1", nullptr)) {
        commands.countGlobalActivation();
        grammarOwner.log("Rule <1> activated successfully.\n");
    } else {
        grammarOwner.log("Activating rule failed.");
    }
}
