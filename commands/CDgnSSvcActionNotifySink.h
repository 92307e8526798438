// The action sink: Dragon reports the end of a script or of a keystroke playback here; the
// sink posts that to the ControllerWindow, where the script wait picks it up.
#pragma once

#include "../grammar/DragonInterfaces.h"
#include "../common/ModuleComObject.h"

class CommandHost;

class CDgnSSvcActionNotifySink final : public ModuleComObject<CDgnSSvcActionNotifySink, IDgnSSvcActionNotifySink> {
    friend ModuleComObject;

public:
    // Reference count starts at 0; *sink receives one reference.
    static HRESULT Create(CDgnSSvcActionNotifySink** sink);

    void setController(CommandHost* controller) { m_controller = controller; }
    // Disconnect cuts the sink off; Dragon keeps it registered and may go on calling it.
    void detach() { m_controller = nullptr; }

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;

    STDMETHODIMP PlaybackDone(DWORD cookie) override;
    STDMETHODIMP PlaybackAborted(DWORD cookie, DWORD value) override;
    STDMETHODIMP ScriptDone(DWORD cookie) override;
    STDMETHODIMP ScriptStatus(DWORD first, DWORD second) override;
    STDMETHODIMP ScriptError(DWORD cookie, DWORD first, DWORD second) override;

private:
    CDgnSSvcActionNotifySink() = default;
    ~CDgnSSvcActionNotifySink() = default;

    CommandHost* m_controller = nullptr;

    template <class Work>
    void enter(Work&& work);
};
