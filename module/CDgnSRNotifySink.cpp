#include "CDgnSRNotifySink.h"

#include "ControllerMessages.h"
#include "ModuleController.h"
#include "../grammar/ControllerGate.h"

#include <new>

HRESULT CDgnSRNotifySink::Create(CDgnSRNotifySink** sink)
{
    return CreateReferenced(sink);
}

STDMETHODIMP CDgnSRNotifySink::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDgnSREngineNotifySinkW)
        *object = static_cast<IDgnSREngineNotifySinkW*>(this);
    else if (iid == IID_ISRNotifySinkW)
        *object = static_cast<ISRNotifySinkW*>(this);
    else if (iid == IID_IDgnGetSinkFlags)
        *object = static_cast<IDgnGetSinkFlags*>(this);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP CDgnSRNotifySink::AttribChanged2(DWORD value)
{
    EnterController(m_controller, L"Engine notification failed with:",
                    [value](ModuleController& controller, const ControllerLifetime::Busy&) {
                        if (HWND hub = controller.commands.controllerWindow())
                            PostMessageW(hub, WM_ENGINE_NOTIFY, value, 0);
                    });
    return S_OK;
}

STDMETHODIMP CDgnSRNotifySink::Paused(DWORD cookieLow, DWORD cookieHigh)
{
    // The cookie goes to the event hub, which hands it back after the utterance-begin work.
    // Whenever it cannot get there (no hub window yet, no memory, a failed post), it goes
    // straight back: the engine would otherwise hold the utterance for good.
    const bool entered = EnterController(
        m_controller, L"Utterance begin failed with:",
        [=](ModuleController& controller, const ControllerLifetime::Busy&) {
            HWND hub = controller.commands.controllerWindow();
            UtteranceCookie* cookie = hub ? new (std::nothrow) UtteranceCookie{cookieLow, cookieHigh} : nullptr;
            if (cookie && PostMessageW(hub, WM_UTTERANCE_BEGIN, reinterpret_cast<WPARAM>(cookie), 0))
                return;
            delete cookie;
            if (controller.engineControl)
                controller.engineControl->Resume(cookieLow, cookieHigh);
        });
    return entered ? S_OK : E_UNEXPECTED;
}

STDMETHODIMP CDgnSRNotifySink::Notify3(DWORD, DWORD)
{
    return S_OK;
}

STDMETHODIMP CDgnSRNotifySink::Notify4(DWORD)
{
    return S_OK;
}

STDMETHODIMP CDgnSRNotifySink::Notify5(DWORD, DWORD)
{
    return S_OK;
}

STDMETHODIMP CDgnSRNotifySink::Notify6()
{
    return S_OK;
}

STDMETHODIMP CDgnSRNotifySink::Notify7(DWORD)
{
    return S_OK;
}

STDMETHODIMP CDgnSRNotifySink::AttribChanged(DWORD)
{
    return S_OK;
}

STDMETHODIMP CDgnSRNotifySink::Interference(QWORD, QWORD, DWORD)
{
    return S_OK;
}

STDMETHODIMP CDgnSRNotifySink::Sound(QWORD, QWORD)
{
    return S_OK;
}

STDMETHODIMP CDgnSRNotifySink::UtteranceBegin(QWORD)
{
    return S_OK;
}

STDMETHODIMP CDgnSRNotifySink::UtteranceEnd(QWORD, QWORD)
{
    return S_OK;
}

STDMETHODIMP CDgnSRNotifySink::VUMeter(QWORD, WORD)
{
    return S_OK;
}

STDMETHODIMP CDgnSRNotifySink::SinkFlagsGet(DWORD* flags)
{
    if (flags)
        *flags = DGNSINKFLAGS_ENGINE;
    return S_OK;
}
