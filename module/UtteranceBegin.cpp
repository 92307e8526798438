// Utterance begin: read the foreground window's title and module, switch the specific test
// commands for it, and hand the cookie back. The engine holds the utterance until then.
#include "ModuleController.h"

#include "../common/TextConversion.h"
#include "../ui/resource.h"

#include <comdef.h>
#include <shlwapi.h>
#include <wrl/client.h>

#include <vector>

using Microsoft::WRL::ComPtr;

namespace {

// The longest path the system can name; a larger "needed" answer is not believed.
constexpr DWORD kLongestPath = 32767;

// Hands the cookie back when the operation ends, however it ends. Its own reference keeps
// the engine control usable when a box's message loop disconnected the controller meanwhile.
} // namespace

class CookieReturn {
public:
    CookieReturn(IDgnSREngineControl* control, DWORD low, DWORD high) : m_control(control), m_low(low), m_high(high) {}
    ~CookieReturn() { handBack(); }
    CookieReturn(const CookieReturn&) = delete;
    CookieReturn& operator=(const CookieReturn&) = delete;

    // True when the cookie is back: handed back now or before.
    bool handBack()
    {
        if (m_control) {
            m_control->Resume(m_low, m_high);
            m_control.Reset();
            m_returned = true;
        }
        return m_returned;
    }

private:
    ComPtr<IDgnSREngineControl> m_control;
    DWORD m_low, m_high;
    bool m_returned = false;
};

namespace {

// The executable that owns window, from Dragon's window-module query: true with the full
// path in path, false after a hook error was written to the log.
bool QueryWindowModule(ModuleController& controller, IDgnWindowModule& query, HWND window, std::wstring& path)
{
    std::vector<WCHAR> buffer(261, L'\0');
    DWORD needed = 0;
    HRESULT hr = query.GetWindowModule(window, buffer.data(), static_cast<DWORD>(buffer.size()), &needed);
    if (hr == DGNERR_BUFFERTOOSMALL) {
        if (needed > kLongestPath)
            needed = kLongestPath;
        buffer.assign(needed + 1, L'\0');
        hr = query.GetWindowModule(window, buffer.data(), static_cast<DWORD>(buffer.size()), &needed);
    }
    switch (hr) {
    case HOOKERR_INJECTFAILED:
        controller.grammarOwner.log(">> HOOKERR_INJECTFAILED\n");
        return false;
    case HOOKERR_CANNOTINJECT:
        controller.grammarOwner.log(">> HOOKERR_CANNOTINJECT\n");
        return false;
    case E_INVALIDARG:
        controller.grammarOwner.log(">> SRERR_INVALIDPARAM\n");
        return false;
    default:
        // Every other answer counts as success; a buffer left unwritten reads as empty.
        buffer.back() = L'\0';
        path = buffer.data();
        return true;
    }
}

} // namespace

void ModuleController::onUtteranceBegin(DWORD cookieLow, DWORD cookieHigh, const Busy& busy)
{
    // The boxes are written after the cookie has gone back (this ends after cookie does):
    // each write waits for the dialog's thread, which may be busy painting.
    struct BoxWritesHeld {
        explicit BoxWritesHeld(ModuleController& controller) : c(controller) { c.commands.textBoxes().hold(); }
        ~BoxWritesHeld() { c.commands.textBoxes().endHold(c.dialogWindow()); }
        ModuleController& c;
    } boxWrites(*this);
    CookieReturn cookie(engineControl.Get(), cookieLow, cookieHigh);
    // Once a shutdown has begun nothing is activated: the cookie only goes back.
    if (!grammarOwner.shuttingDown())
        readForegroundWindow(cookie, busy);
    // A shutdown inside readForegroundWindow's boxes releases the engine control, but the
    // cookie's own reference still hands it back: only a cookie that cannot go back fails.
    if (!cookie.handBack())
        throw _com_error(E_POINTER);
}

void ModuleController::readForegroundWindow(CookieReturn& cookie, const Busy& busy)
{
    HWND window = GetForegroundWindow();
    int titleLength = GetWindowTextLengthW(window);
    std::vector<WCHAR> titleBuffer(static_cast<size_t>(titleLength > 0 ? titleLength : 0) + 1, L'\0');
    GetWindowTextW(window, titleBuffer.data(), static_cast<int>(titleBuffer.size()));
    titleBuffer.back() = L'\0';
    const std::wstring title = titleBuffer.data();

    // Without the query the cookie still goes back first: the engine must not wait for good.
    if (!windowModule) {
        cookie.handBack();
        throw _com_error(E_POINTER);
    }
    ComPtr<IDgnWindowModule> query(windowModule);
    std::wstring path;
    if (!QueryWindowModule(*this, *query.Get(), window, path))
        return;

    std::string narrowPath = NarrowText(path.c_str(), CP_ACP);
    const std::string narrowTitle = NarrowText(title.c_str(), CP_ACP);

    std::vector<WCHAR> widePath(path.begin(), path.end());
    widePath.push_back(L'\0');
    PathRemoveExtensionW(widePath.data());
    commands.showBoxText(IDC_UTTERANCE_MODULE, PathFindFileNameW(widePath.data()));
    commands.showBoxNumber(IDC_UTTERANCE_HWND, static_cast<int>(reinterpret_cast<UINT_PTR>(window)), false);
    commands.showBoxText(IDC_UTTERANCE_WINDOW, title);

    std::vector<char> moduleBuffer(narrowPath.begin(), narrowPath.end());
    moduleBuffer.push_back('\0');
    PathRemoveExtensionA(moduleBuffer.data());
    commands.updateWindowActivation(PathFindFileNameA(moduleBuffer.data()), narrowTitle, window, busy);
}
