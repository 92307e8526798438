#include "CSRBuiltinGramNotifySink.h"

#include "BuiltinCommands.h"
#include "../grammar/ControllerGate.h"
#include "ModuleController.h"
#include "../commands/PhraseWords.h"
#include "../grammar/CGramObj.h"

#include <wrl/client.h>


CSRBuiltinGramNotifySink::CSRBuiltinGramNotifySink(CGramObj* grammar, ModuleController* controller)
    : m_controller(controller)
{
    m_grammar = grammar;
}

HRESULT CSRBuiltinGramNotifySink::Create(CGramObj* grammar, ModuleController* controller,
                                         CSRBuiltinGramNotifySink** sink)
{
    return CreateReferenced(sink, grammar, controller);
}

STDMETHODIMP CSRBuiltinGramNotifySink::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_ISRGramNotifySinkW) {
        *object = static_cast<ISRGramNotifySinkW*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

std::wstring CSRBuiltinGramNotifySink::PhraseText(const SRPHRASEW* phrase)
{
    constexpr size_t capacity = 256; // wide characters, terminator included
    std::wstring text;
    ForEachPhraseWord(phrase, [&](const WCHAR* word, size_t length) {
        if (!text.empty())
            text += L' ';
        text.append(word, length);
        if (text.size() < capacity - 1)
            return true;
        text.resize(capacity - 1);
        return false;
    });
    return text;
}

STDMETHODIMP CSRBuiltinGramNotifySink::PhraseFinish(DWORD flags, QWORD, QWORD, PSRPHRASEW phrase, LPUNKNOWN results)
{
    if (!m_grammar || !results || m_controller->grammarOwner.shuttingDown())
        return S_OK;
    if (!(flags & ISRNOTEFIN_RECOGNIZED) || !(flags & ISRNOTEFIN_THISGRAMMAR))
        return S_OK;
    // The command may release the built-in grammars (and with them this sink): both live to
    // the end of the call.
    Microsoft::WRL::ComPtr<CSRBuiltinGramNotifySink> self(this);
    EnterController(m_controller, L"Built-in command failed with:",
                    [phrase](ModuleController& controller, const ControllerLifetime::Busy& busy) {
                        const std::wstring text = PhraseText(phrase);
                        for (const BuiltinCommand& command : kBuiltinCommands)
                            if (text == command.phrase) {
                                controller.builtins.run(command, busy);
                                break;
                            }
                    });
    return S_OK;
}

