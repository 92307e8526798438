// A loaded grammar: ISRGramCommonW (activation) and ISRGramCFGW (lists). The last
// Release unloads the grammar from the recogniser and drops its notification sink.
#pragma once

#include "EngineState.h"
#include "SimComObject.h"

namespace qmsim {

class SimGrammar final : public SimComObject<ISRGramCommonW, ISRGramCFGW> {
public:
    SimGrammar(std::shared_ptr<EngineState> state, int id, ISRGramNotifySinkW* sink);
    ~SimGrammar() override; // unloads the grammar; the sink goes with it

    int Id() const { return id_; }
    ISRGramNotifySinkW* Sink() const { return sink_.Get(); }
    DWORD SinkFlags() const { return sinkFlags_; }
    void DropSink();

    // ISRGramCommonW
    STDMETHODIMP Activate(HWND window, BOOL autoPause, PCWSTR ruleName) override;
    STDMETHODIMP Archive(BOOL, PVOID, DWORD, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP BookMark(QWORD, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP Deactivate(PCWSTR ruleName) override;
    STDMETHODIMP DeteriorationGet(DWORD*, DWORD*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP DeteriorationSet(DWORD, DWORD, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP TrainDlg(HWND, PCWSTR) override { return E_NOTIMPL; }
    STDMETHODIMP TrainPhrase(DWORD, PSDATA) override { return E_NOTIMPL; }
    STDMETHODIMP TrainQuery(DWORD*) override { return E_NOTIMPL; }

    // ISRGramCFGW
    STDMETHODIMP LinkQuery(DWORD, PWSTR, DWORD, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP ListAppend(PCWSTR listName, SDATA words) override;
    STDMETHODIMP ListGet(PCWSTR, PSDATA) override { return E_NOTIMPL; }
    STDMETHODIMP ListRemove(PCWSTR, SDATA) override { return E_NOTIMPL; }
    STDMETHODIMP ListSet(PCWSTR listName, SDATA words) override;
    STDMETHODIMP ListQuery(PCWSTR, PSDATA) override { return E_NOTIMPL; }

private:
    void* Interface(REFIID iid) override;
    HRESULT ChangeList(PCWSTR listName, SDATA words, bool append);

    std::shared_ptr<EngineState> state_;
    int id_;
    Microsoft::WRL::ComPtr<ISRGramNotifySinkW> sink_;
    DWORD sinkFlags_ = 0;
};

HRESULT CreateSimGrammar(const std::shared_ptr<EngineState>& state, int id, ISRGramNotifySinkW* sink,
                         LPUNKNOWN* grammar);

} // namespace qmsim
