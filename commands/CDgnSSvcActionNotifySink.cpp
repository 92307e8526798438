#include "CDgnSSvcActionNotifySink.h"

#include "CommandHost.h"
#include "../grammar/ControllerGate.h"
#include "ScriptMessages.h"

#include <new>

HRESULT CDgnSSvcActionNotifySink::Create(CDgnSSvcActionNotifySink** sink)
{
    return CreateReferenced(sink);
}

STDMETHODIMP CDgnSSvcActionNotifySink::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDgnSSvcActionNotifySink) {
        *object = static_cast<IDgnSSvcActionNotifySink*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

// Each notification enters through the gate, to the commands of a controller that is there.
template <class Work>
void CDgnSSvcActionNotifySink::enter(Work&& work)
{
    CommandHost* commands = m_controller;
    EnterController(commands ? &commands->lifetime() : nullptr, L"Script notification failed with:",
                    [&](ControllerLifetime&, const ControllerLifetime::Busy&) { work(*commands); });
}

STDMETHODIMP CDgnSSvcActionNotifySink::PlaybackDone(DWORD cookie)
{
    enter([cookie](CommandHost& commands) {
        commands.log("+ CDgnSSvcActionNotifySink::PlaybackDone\n");
        PostMessageW(commands.controllerWindow(), WM_PLAYBACK_DONE, cookie, 0);
        commands.log("- CDgnSSvcActionNotifySink::PlaybackDone\n");
    });
    return S_OK;
}

STDMETHODIMP CDgnSSvcActionNotifySink::PlaybackAborted(DWORD cookie, DWORD)
{
    enter([cookie](CommandHost& commands) {
        commands.log("+ CDgnSSvcActionNotifySink::PlaybackAborted\n");
        PostMessageW(commands.controllerWindow(), WM_PLAYBACK_DONE, cookie, 1);
        commands.log("- CDgnSSvcActionNotifySink::PlaybackAborted\n");
    });
    return S_OK;
}

STDMETHODIMP CDgnSSvcActionNotifySink::ScriptDone(DWORD cookie)
{
    enter([cookie](CommandHost& commands) { PostMessageW(commands.controllerWindow(), WM_SCRIPT_DONE, cookie, 0); });
    return S_OK;
}

STDMETHODIMP CDgnSSvcActionNotifySink::ScriptStatus(DWORD, DWORD)
{
    return S_OK;
}

STDMETHODIMP CDgnSSvcActionNotifySink::ScriptError(DWORD cookie, DWORD first, DWORD second)
{
    enter([=](CommandHost& commands) {
        ScriptErrorInfo* info = new (std::nothrow) ScriptErrorInfo{first, second};
        // Undeliverable: nobody else would free the record.
        if (info && !PostMessageW(commands.controllerWindow(), WM_SCRIPT_DONE, cookie, reinterpret_cast<LPARAM>(info)))
            delete info;
    });
    return S_OK;
}
