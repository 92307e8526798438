// Notification sink of the six built-in grammars: a finished phrase that matches one of
// the built-in commands shows, hides or moves the test-driver window.
#pragma once

#include "../common/ModuleComObject.h"
#include "../grammar/GrammarSink.h"

#include <string>

class CGramObj;
class ModuleController;

class CSRBuiltinGramNotifySink final : public ModuleComObject<CSRBuiltinGramNotifySink, GrammarSink> {
    friend ModuleComObject;

public:
    // Reference count starts at 0; *sink receives one reference.
    static HRESULT Create(CGramObj* grammar, ModuleController* controller, CSRBuiltinGramNotifySink** sink);

    // The phrase's words joined by single blanks, cut to 255 characters.
    static std::wstring PhraseText(const SRPHRASEW* phrase);

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;

    STDMETHODIMP PhraseFinish(DWORD flags, QWORD beginTime, QWORD endTime, PSRPHRASEW phrase,
                              LPUNKNOWN results) override;

private:
    CSRBuiltinGramNotifySink(CGramObj* grammar, ModuleController* controller);
    ~CSRBuiltinGramNotifySink() = default;

    ModuleController* m_controller;
};
