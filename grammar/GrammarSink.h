// The notification sink a grammar object loads its grammar with, and what the command and
// the built-in grammars' sinks share: the way back to the grammar object, which the
// recogniser may outlive (detach cuts it), and the notifications neither of them uses.
#pragma once

#include "DragonInterfaces.h"

class CGramObj;

class GrammarSink : public ISRGramNotifySinkW {
public:
    // Called when the grammar object goes: later notifications reach nothing.
    void detach() { m_grammar = nullptr; }

    STDMETHODIMP BookMark(DWORD) override { return S_OK; }
    STDMETHODIMP Paused() override { return S_OK; }
    STDMETHODIMP PhraseHypothesis(DWORD, QWORD, QWORD, PSRPHRASEW, LPUNKNOWN) override { return S_OK; }
    STDMETHODIMP PhraseStart(QWORD) override { return S_OK; }
    STDMETHODIMP ReEvaluate(LPUNKNOWN) override { return S_OK; }
    STDMETHODIMP Training(DWORD) override { return S_OK; }
    STDMETHODIMP UnArchive(LPUNKNOWN) override { return S_OK; }

protected:
    ~GrammarSink() = default;

    CGramObj* m_grammar = nullptr;
};
