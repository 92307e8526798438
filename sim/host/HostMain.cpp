// natspeak.exe: the simulated Dragon. Loads the global clients (or one module file),
// registers them with the engine's site on this thread, runs the message loop (and a
// script, if given), and at the end unregisters and reports what was left behind.
#include "BoxWatcher.h"
#include "HostOptions.h"
#include "HostWindows.h"
#include "ModuleLoader.h"
#include "ScriptParser.h"
#include "ScriptRunner.h"
#include "SimEngine.h"

#include <objbase.h>
#include <shellapi.h>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <sstream>

namespace {

std::mutex g_outputLock;
FILE* g_output = nullptr;
HANDLE g_scriptDone = nullptr;

void WriteLine(const std::string& line) {
    std::lock_guard<std::mutex> guard(g_outputLock);
    fputs(line.c_str(), g_output);
    fputc('\n', g_output);
    fflush(g_output);
}

// Nothing may hang a test run: past the limit the process ends with exit code 1.
DWORD WINAPI Watchdog(LPVOID parameter) {
    DWORD seconds = static_cast<DWORD>(reinterpret_cast<uintptr_t>(parameter));
    if (WaitForSingleObject(g_scriptDone, seconds * 1000) == WAIT_TIMEOUT) {
        WriteLine("FAILED: script timeout after " + std::to_string(seconds) + " s");
        ExitProcess(1);
    }
    return 0;
}

bool ReadFileText(const std::wstring& path, std::string& text) {
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file)
        return false;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, got);
    fclose(file);
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    g_output = stdout;
    qmhost::HostOptions options;
    std::string error;
    if (!qmhost::ParseHostOptions(argc, argv, options, error)) {
        fputs(error.c_str(), stderr);
        return 2;
    }
    std::vector<qmhost::ScriptCommand> commands;
    if (!options.script.empty()) {
        std::string source;
        if (!ReadFileText(options.script, source)) {
            fputs("natspeak: cannot read the script\n", stderr);
            return 2;
        }
        if (!qmhost::ParseScript(source, commands, error)) {
            fprintf(stderr, "natspeak: %s\n", error.c_str());
            return 2;
        }
    }
    if (!options.transcript.empty()) {
        g_output = _wfopen(options.transcript.c_str(), L"wb"); // lines end in \n, as on stdout under Wine
        if (!g_output) {
            fputs("natspeak: cannot write the transcript\n", stderr);
            return 2;
        }
    }

    OleInitialize(nullptr);
    int exitCode = 0;
    {
        qmsim::EngineOptions engineOptions;
        engineOptions.provideCentral = !options.noCentral;
        engineOptions.resumeTimeoutMs = options.resumeTimeoutMs;
        qmsim::Engine engine(engineOptions);
        engine.SetTranscriptListener(WriteLine);

        qmhost::HostWindows windows;
        if (!windows.Create([&engine](const std::string& phrase) { engine.Say(phrase); })) {
            WriteLine("FAILED: cannot create the host's windows");
            OleUninitialize();
            return 1;
        }
        qmhost::BoxWatcher watcher([&engine](const std::string& line) { engine.Record(line); });
        qmhost::ModuleLoader loader(engine);
        qmhost::ScriptRunner runner(engine, windows, loader, watcher);

        g_scriptDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (!commands.empty()) {
            watcher.Start();
            CreateThread(nullptr, 0, Watchdog, reinterpret_cast<LPVOID>(static_cast<uintptr_t>(options.timeoutSeconds)),
                         0, nullptr);
        }

        if (!options.module.empty())
            loader.LoadFromFile(options.module, options.clsid);
        else
            loader.LoadFromConfiguration(qmhost::DragonConfigurationFolder());
        loader.RegisterAll();

        if (!commands.empty())
            runner.Start(commands);
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            if (windows.IsDialogMessageOfHost(msg))
                continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            // Here, between messages, no code of a module is on the stack.
            loader.FreeUnloadable();
        }
        if (!commands.empty() && !runner.Finished()) {
            engine.Record("FAILED: the host was closed before the script ended");
            exitCode = 1;
        } else if (!commands.empty()) {
            exitCode = runner.ExitCode();
        }
        runner.Stop();
        // A module the script unregistered must have become unloadable by now; at the
        // unregistration here, at the end, it may still be busy.
        bool unregisteredByScript = loader.Unregistered();
        loader.UnregisterAll();
        loader.AskUnload();
        loader.FreeUnloadable();
        for (const std::string& name : commands.empty() ? std::vector<std::string>() : loader.NotUnloadable()) {
            if (!unregisteredByScript) {
                engine.Record("note: a module could not unload at exit");
                break;
            }
            engine.Record("FAILED: " + name + " still cannot unload (DllCanUnloadNow)");
            exitCode = 1;
        }
        runner.CloseOtherApp();
        watcher.Stop();
        windows.Destroy();
        SetEvent(g_scriptDone);
        engine.Record("exit code " + std::to_string(exitCode));
        engine.SetTranscriptListener(nullptr);
    }
    OleUninitialize();
    if (g_output != stdout)
        fclose(g_output);
    return exitCode;
}
