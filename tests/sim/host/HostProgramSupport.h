// Runs natspeak.exe (under Wine, from a test that runs under Wine) with a script and
// collects its exit code and transcript, and the test module's log.
#pragma once

#include <windows.h>
#include <gtest/gtest.h>
#include <cstdio>
#include <string>
#include <vector>

namespace simhosttest {

// {5C7D2A41-93E8-4F0B-A6D1-2E8B7C3F9A10}, the test module's class.
constexpr const wchar_t* kTestModuleClsid = L"{5C7D2A41-93E8-4F0B-A6D1-2E8B7C3F9A10}";

// A Unix path of the build (as CMake knows it) seen from Wine's drive Z:.
inline std::wstring WinePath(const char* unixPath) {
    std::wstring out = unixPath[0] == '/' ? L"Z:" : L"";
    for (const char* p = unixPath; *p; ++p)
        out += *p == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*p));
    return out;
}

inline std::wstring TempFile(const wchar_t* name) {
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + name;
}

inline void WriteText(const std::wstring& path, const std::string& text) {
    FILE* file = _wfopen(path.c_str(), L"wb");
    ASSERT_TRUE(file != nullptr);
    fwrite(text.data(), 1, text.size(), file);
    fclose(file);
}

inline std::string ReadText(const std::wstring& path) {
    std::string text;
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file)
        return text;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, got);
    fclose(file);
    return text;
}

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

struct HostRun {
    DWORD exitCode = 0xFFFFFFFF;
    std::string transcript;
    bool Has(const std::string& text) const { return transcript.find(text) != std::string::npos; }
};

// Runs a program and waits (at most timeoutMs); the child inherits this environment.
inline DWORD RunProgram(std::wstring commandLine, DWORD timeoutMs = 90000) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return 0xFFFFFFFE;
    DWORD exitCode = 0xFFFFFFFD;
    if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &exitCode);
    else
        TerminateProcess(process.hProcess, 99);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode;
}

// natspeak.exe ARGS --timeout <seconds> --script <script> --transcript <file>
inline HostRun RunHost(const std::wstring& args, const std::string& script, DWORD timeoutSeconds = 60) {
    static int serial = 0;
    ++serial;
    std::wstring scriptPath = TempFile((L"qm-simhost-" + std::to_wstring(serial) + L".txt").c_str());
    std::wstring transcriptPath = TempFile((L"qm-simhost-" + std::to_wstring(serial) + L".out").c_str());
    WriteText(scriptPath, script);
    DeleteFileW(transcriptPath.c_str());
    HostRun run;
    run.exitCode = RunProgram(L"\"" + WinePath(QM_NATSPEAK_EXE) + L"\" " + args + L" --timeout " +
                                  std::to_wstring(timeoutSeconds) + L" --script \"" + scriptPath +
                                  L"\" --transcript \"" + transcriptPath + L"\"",
                              (timeoutSeconds + 30) * 1000);
    run.transcript = ReadText(transcriptPath);
    DeleteFileW(scriptPath.c_str());
    DeleteFileW(transcriptPath.c_str());
    return run;
}

// The test module's log file, emptied, and named in the environment for the children.
struct TestModuleLog {
    std::wstring path = TempFile(L"qm-testmodule.log");
    TestModuleLog() {
        DeleteFileW(path.c_str());
        SetEnvironmentVariableW(L"QM_TESTMODULE_LOG", path.c_str());
    }
    ~TestModuleLog() { DeleteFileW(path.c_str()); }
    std::vector<std::string> Read() const { return Lines(ReadText(path)); }
};

} // namespace simhosttest
