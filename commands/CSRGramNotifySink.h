// Notification sink of a command grammar: times each phrase and hands finished phrases to
// the grammar's result handling. Dragon calls it on its own thread.
#pragma once

#include "../common/ModuleComObject.h"
#include "../grammar/GrammarSink.h"

class CGramObj;
class CommandHost;

class CSRGramNotifySink final : public ModuleComObject<CSRGramNotifySink, GrammarSink, IDgnGetSinkFlags> {
    friend ModuleComObject;

public:
    // Reference count starts at 0; *sink receives one reference.
    static HRESULT Create(CGramObj* grammar, CommandHost* host, DWORD option1, DWORD option2,
                          CSRGramNotifySink** sink);

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;

    // ISRGramNotifySinkW
    STDMETHODIMP PhraseFinish(DWORD flags, QWORD beginTime, QWORD endTime, PSRPHRASEW phrase,
                              LPUNKNOWN results) override;
    STDMETHODIMP PhraseStart(QWORD time) override;

    // IDgnGetSinkFlags
    STDMETHODIMP SinkFlagsGet(DWORD* flags) override;

private:
    CSRGramNotifySink(CGramObj* grammar, CommandHost* host, DWORD option1, DWORD option2);
    ~CSRGramNotifySink() = default;

    CommandHost* m_host;
    DWORD m_option1;
    DWORD m_option2;
};
