#include "CSRBuiltinGramNotifySink.h"

#include "ComBoundary.h"
#include "ModuleController.h"
#include "ModuleLock.h"
#include "../grammar/CGramObj.h"

#include <cstring>
#include <new>

CSRBuiltinGramNotifySink::CSRBuiltinGramNotifySink(CGramObj* grammar) : m_grammar(grammar)
{
    ModuleLockIncrement();
}

CSRBuiltinGramNotifySink::~CSRBuiltinGramNotifySink()
{
    ModuleLockDecrement();
}

HRESULT CSRBuiltinGramNotifySink::Create(CGramObj* grammar, CSRBuiltinGramNotifySink** sink)
{
    if (!sink)
        return E_POINTER;
    *sink = new (std::nothrow) CSRBuiltinGramNotifySink(grammar);
    if (!*sink)
        return E_OUTOFMEMORY;
    (*sink)->AddRef();
    return S_OK;
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

STDMETHODIMP_(ULONG) CSRBuiltinGramNotifySink::AddRef()
{
    return ++m_refs;
}

STDMETHODIMP_(ULONG) CSRBuiltinGramNotifySink::Release()
{
    ULONG refs = --m_refs;
    if (refs == 0)
        delete this;
    return refs;
}

std::wstring CSRBuiltinGramNotifySink::PhraseText(const SRPHRASEW* phrase)
{
    constexpr size_t capacity = 256; // wide characters, terminator included
    std::wstring text;
    if (!phrase || phrase->dwSize < sizeof(DWORD))
        return text;
    const BYTE* start = reinterpret_cast<const BYTE*>(phrase);
    const BYTE* end = start + phrase->dwSize;
    const BYTE* record = phrase->abWords;
    // A record must at least hold its header; a broken size ends the walk.
    while (record + offsetof(SRWORDW, szWord) <= end) {
        const SRWORDW* word = reinterpret_cast<const SRWORDW*>(record);
        if (word->dwSize < offsetof(SRWORDW, szWord) || word->dwSize > static_cast<size_t>(end - record))
            break;
        size_t maxChars = (word->dwSize - offsetof(SRWORDW, szWord)) / sizeof(WCHAR);
        size_t length = 0;
        while (length < maxChars && word->szWord[length])
            ++length;
        if (!text.empty())
            text += L' ';
        text.append(word->szWord, length);
        if (text.size() >= capacity - 1) {
            text.resize(capacity - 1);
            break;
        }
        record += word->dwSize;
    }
    return text;
}

STDMETHODIMP CSRBuiltinGramNotifySink::BookMark(DWORD)
{
    return S_OK;
}

STDMETHODIMP CSRBuiltinGramNotifySink::Paused()
{
    return S_OK;
}

STDMETHODIMP CSRBuiltinGramNotifySink::PhraseFinish(DWORD flags, QWORD, QWORD, PSRPHRASEW phrase, LPUNKNOWN results)
{
    if (!m_grammar || !m_grammar->owner || !results)
        return S_OK;
    if (!(flags & ISRNOTEFIN_RECOGNIZED) || !(flags & ISRNOTEFIN_THISGRAMMAR))
        return S_OK;
    ModuleController* controller = m_grammar->owner;
    std::wstring text = PhraseText(phrase);
    RunAtComBoundary(L"Built-in command failed with:", [&] {
        if (text == L"Show Quillmoor")
            controller->showBuiltins();
        else if (text == L"Hide Quillmoor")
            controller->hideBuiltins();
        else if (text == L"Quillmoor Top Left")
            controller->placeWindow(0);
        else if (text == L"Quillmoor Bottom Left")
            controller->placeWindow(1);
        else if (text == L"Quillmoor Top Right")
            controller->placeWindow(2);
        else if (text == L"Quillmoor Bottom Right")
            controller->placeWindow(3);
    });
    return S_OK;
}

STDMETHODIMP CSRBuiltinGramNotifySink::PhraseHypothesis(DWORD, QWORD, QWORD, PSRPHRASEW, LPUNKNOWN)
{
    return S_OK;
}

STDMETHODIMP CSRBuiltinGramNotifySink::PhraseStart(QWORD)
{
    return S_OK;
}

STDMETHODIMP CSRBuiltinGramNotifySink::ReEvaluate(LPUNKNOWN)
{
    return S_OK;
}

STDMETHODIMP CSRBuiltinGramNotifySink::Training(DWORD)
{
    return S_OK;
}

STDMETHODIMP CSRBuiltinGramNotifySink::UnArchive(LPUNKNOWN)
{
    return S_OK;
}
