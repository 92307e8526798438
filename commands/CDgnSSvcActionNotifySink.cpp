#include "CDgnSSvcActionNotifySink.h"

#include "CommandHost.h"
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

STDMETHODIMP CDgnSSvcActionNotifySink::PlaybackDone(DWORD cookie)
{
    if (!m_controller)
        return S_OK;
    m_controller->log("+ CDgnSSvcActionNotifySink::PlaybackDone\n");
    PostMessageW(m_controller->controllerWindow, WM_PLAYBACK_DONE, cookie, 0);
    m_controller->log("- CDgnSSvcActionNotifySink::PlaybackDone\n");
    return S_OK;
}

STDMETHODIMP CDgnSSvcActionNotifySink::PlaybackAborted(DWORD cookie, DWORD)
{
    if (!m_controller)
        return S_OK;
    m_controller->log("+ CDgnSSvcActionNotifySink::PlaybackAborted\n");
    PostMessageW(m_controller->controllerWindow, WM_PLAYBACK_DONE, cookie, 1);
    m_controller->log("- CDgnSSvcActionNotifySink::PlaybackAborted\n");
    return S_OK;
}

STDMETHODIMP CDgnSSvcActionNotifySink::ScriptDone(DWORD cookie)
{
    if (m_controller)
        PostMessageW(m_controller->controllerWindow, WM_SCRIPT_DONE, cookie, 0);
    return S_OK;
}

STDMETHODIMP CDgnSSvcActionNotifySink::ScriptStatus(DWORD, DWORD)
{
    return S_OK;
}

STDMETHODIMP CDgnSSvcActionNotifySink::ScriptError(DWORD cookie, DWORD first, DWORD second)
{
    if (!m_controller)
        return S_OK;
    ScriptErrorInfo* info = new (std::nothrow) ScriptErrorInfo{first, second};
    if (!info)
        return S_OK;
    // Undeliverable: nobody else would free the record.
    if (!PostMessageW(m_controller->controllerWindow, WM_SCRIPT_DONE, cookie, reinterpret_cast<LPARAM>(info)))
        delete info;
    return S_OK;
}
