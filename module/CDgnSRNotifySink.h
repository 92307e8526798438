// The engine notification sink. It does no work where Dragon calls it: it posts to the
// ControllerWindow, whose procedure runs the work on Dragon's thread.
#pragma once

#include "../common/ModuleComObject.h"
#include "../grammar/DragonInterfaces.h"

class ModuleController;

class CDgnSRNotifySink final
    : public ModuleComObject<CDgnSRNotifySink, IDgnSREngineNotifySinkW, ISRNotifySinkW, IDgnGetSinkFlags> {
    friend ModuleComObject;

public:
    // Reference count starts at 0; *sink receives one reference.
    static HRESULT Create(CDgnSRNotifySink** sink);

    void setController(ModuleController* controller) { m_controller = controller; }
    // Disconnect cuts the sink off; Dragon may go on calling it afterwards.
    void detach() { m_controller = nullptr; }

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;

    // IDgnSREngineNotifySinkW
    STDMETHODIMP AttribChanged2(DWORD value) override;
    STDMETHODIMP Paused(DWORD cookieLow, DWORD cookieHigh) override;
    STDMETHODIMP Notify3(DWORD value1, DWORD value2) override;
    STDMETHODIMP Notify4(DWORD value) override;
    STDMETHODIMP Notify5(DWORD value1, DWORD value2) override;
    STDMETHODIMP Notify6() override;
    STDMETHODIMP Notify7(DWORD value) override;

    // ISRNotifySinkW
    STDMETHODIMP AttribChanged(DWORD attribute) override;
    STDMETHODIMP Interference(QWORD beginTime, QWORD endTime, DWORD type) override;
    STDMETHODIMP Sound(QWORD beginTime, QWORD endTime) override;
    STDMETHODIMP UtteranceBegin(QWORD time) override;
    STDMETHODIMP UtteranceEnd(QWORD beginTime, QWORD endTime) override;
    STDMETHODIMP VUMeter(QWORD time, WORD level) override;

    // IDgnGetSinkFlags
    STDMETHODIMP SinkFlagsGet(DWORD* flags) override;

private:
    CDgnSRNotifySink() = default;
    ~CDgnSRNotifySink() = default;

    ModuleController* m_controller = nullptr;
};
