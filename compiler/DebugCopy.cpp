#include "DebugCopy.h"

#include "BoundedText.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {
const char kFileName[] = "outputTest.bin";

#ifdef _WIN32
// Wide calls, so that a folder outside the ANSI code page still works.
std::FILE* OpenCopy(std::string& shownPath)
{
    std::wstring path;
    const wchar_t* dir = _wgetenv(L"QUILLMOOR_DUMP_DIR");
    if (dir && *dir) {
        path = dir;
        if (path.back() != L'\\' && path.back() != L'/')
            path += L'\\';
    }
    path += L"outputTest.bin";
    int length = WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (length > 0) {
        shownPath.assign(static_cast<std::size_t>(length), '\0');
        WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, &shownPath[0], length, nullptr, nullptr);
        shownPath.resize(static_cast<std::size_t>(length - 1));
    }
    return _wfopen(path.c_str(), L"wb");
}
#else
std::FILE* OpenCopy(std::string& shownPath)
{
    const char* dir = std::getenv(kDumpDirVariable);
    if (dir && *dir) {
        shownPath = dir;
        if (shownPath.back() != '/')
            shownPath += '/';
    }
    shownPath += kFileName;
    return std::fopen(shownPath.c_str(), "wb");
}
#endif
} // namespace

std::string WritePackedCopy(const std::vector<unsigned char>& bytes)
{
    std::string path;
    std::FILE* file = OpenCopy(path);
    int error = file ? 0 : errno;
    if (file) {
        bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        if (!written)
            error = errno ? errno : EIO;
        if (std::fclose(file) != 0 && written)
            error = errno ? errno : EIO;
    }
    if (error == 0)
        return std::string("\r\nPacked bytes written to ") + kFileName;
    std::string after = std::string("): ") + std::strerror(error);
    return FitMessage("\r\nCould not write outputTest.bin (", path, after);
}
