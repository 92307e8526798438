// The window-module query: full path of the executable that owns a window.
#include "EngineState.h"
#include "SimComObject.h"

#include <cstdio>
#include <new>

namespace qmsim {
namespace {

class SimWindowModule final : public SimComObject<IDgnWindowModule> {
public:
    explicit SimWindowModule(std::shared_ptr<EngineState> state) : state_(std::move(state)) {}

    STDMETHODIMP Query1() override { return E_NOTIMPL; }
    STDMETHODIMP Query2() override { return E_NOTIMPL; }
    STDMETHODIMP Query3() override { return E_NOTIMPL; }
    STDMETHODIMP Query4() override { return E_NOTIMPL; }

    // needed receives the path's length in characters without the terminator.
    STDMETHODIMP GetWindowModule(HWND window, WCHAR* buffer, DWORD capacity, DWORD* needed) override {
        EngineCall timed(*state_);
        EngineOptions& options = state_->options;
        if (FAILED(options.windowModuleError)) {
            state_->Record("window-module query answered " + HexCode(options.windowModuleError) + " (injected)");
            return options.windowModuleError;
        }
        if (!window || !IsWindow(window))
            return FailWith(E_INVALIDARG, "GetWindowModule: not a window", IID_IDgnWindowModule);
        std::wstring path = options.windowModulePath;
        if (path.empty() && !ModulePath(window, path))
            return FailWith(E_FAIL, "GetWindowModule: the owning process cannot be queried", IID_IDgnWindowModule);
        DWORD length = static_cast<DWORD>(path.size());
        if (needed)
            *needed = length;
        bool forced = options.windowModuleTooSmall > 0;
        if (forced)
            --options.windowModuleTooSmall;
        if (forced || !buffer || capacity < length + 1) {
            char line[96];
            snprintf(line, sizeof line, "window-module query: capacity %lu too small, %lu needed%s",
                     (unsigned long)capacity, (unsigned long)length, forced ? " (forced)" : "");
            state_->Record(line);
            return DGNERR_BUFFERTOOSMALL;
        }
        wmemcpy(buffer, path.c_str(), length + 1);
        return S_OK;
    }

private:
    static bool ModulePath(HWND window, std::wstring& path) {
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
        if (!process)
            return false;
        std::wstring buffer(32768, L'\0');
        DWORD size = static_cast<DWORD>(buffer.size());
        BOOL ok = QueryFullProcessImageNameW(process, 0, &buffer[0], &size);
        CloseHandle(process);
        if (!ok)
            return false;
        buffer.resize(size);
        path = buffer;
        return true;
    }

    void* Interface(REFIID iid) override {
        if (iid == IID_IUnknown || iid == IID_IDgnWindowModule)
            return static_cast<IDgnWindowModule*>(this);
        return nullptr;
    }

    std::shared_ptr<EngineState> state_;
};

} // namespace

HRESULT CreateSimWindowModule(const std::shared_ptr<EngineState>& state, REFIID iid, void** out) {
    return CreateAndQuery<SimWindowModule>(iid, out, state);
}

} // namespace qmsim
