#include "CSRGramNotifySink.h"

#include "CommandHost.h"

#include "../grammar/CGramObj.h"
#include "../grammar/ControllerGate.h"

#include <wrl/client.h>

CSRGramNotifySink::CSRGramNotifySink(CGramObj* grammar, CommandHost* host, DWORD option1, DWORD option2)
    : m_host(host), m_option1(option1), m_option2(option2)
{
    m_grammar = grammar;
}

HRESULT CSRGramNotifySink::Create(CGramObj* grammar, CommandHost* host, DWORD option1, DWORD option2,
                                  CSRGramNotifySink** sink)
{
    return CreateReferenced(sink, grammar, host, option1, option2);
}

STDMETHODIMP CSRGramNotifySink::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_ISRGramNotifySinkW)
        *object = static_cast<ISRGramNotifySinkW*>(this);
    else if (iid == IID_IDgnGetSinkFlags)
        *object = static_cast<IDgnGetSinkFlags*>(this);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP CSRGramNotifySink::PhraseFinish(DWORD flags, QWORD, QWORD, PSRPHRASEW phrase, LPUNKNOWN results)
{
    if (!m_grammar)
        return S_OK;
    // A release during the result handling lets go of this sink: it lives to the end.
    Microsoft::WRL::ComPtr<CSRGramNotifySink> self(this);
    CGramObj* grammar = m_grammar;
    // Through the gate: the grammar object stays allocated whatever the handling releases.
    CommandHost* host = m_host;
    EnterController(host ? &host->lifetime() : nullptr, L"Recognition result failed with:",
                    [&](ControllerLifetime&, const ControllerLifetime::Busy& busy) {
                        host->onPhraseFinish(*grammar, flags, phrase, results, busy);
                    });
    return S_OK;
}

STDMETHODIMP CSRGramNotifySink::PhraseStart(QWORD)
{
    if (m_grammar)
        EnterController(m_host ? &m_host->lifetime() : nullptr, L"Phrase start failed with:",
                        [this](ControllerLifetime&, const ControllerLifetime::Busy&) {
                            m_host->notePhraseStart();
                        });
    return S_OK;
}

STDMETHODIMP CSRGramNotifySink::SinkFlagsGet(DWORD* flags)
{
    if (!flags)
        return S_OK;
    DWORD value = DGNSINKFLAGS_GRAMMAR;
    if (m_option1)
        value += DGNSINKFLAGS_GRAMMAR_OPTION1;
    if (m_option2)
        value += DGNSINKFLAGS_GRAMMAR_OPTION2;
    *flags = value;
    return S_OK;
}
