// The results object handed to PhraseFinish: the phrase (ISRResBasicW) and a one-path
// word graph (ISRResGraphW) whose nodes carry rule and word numbers.
#include "EngineState.h"
#include "SimComObject.h"

#include <cstring>
#include <new>

namespace qmsim {
namespace {

// Word nodes are numbered from here so that a node id is never mistaken for an index.
constexpr DWORD kFirstNode = 101;

DWORD WordRecordSize(const std::wstring& text) {
    DWORD size = 8 + 2 * static_cast<DWORD>(text.size() + 1);
    return (size + 3) & ~3u;
}

void WriteWordRecord(BYTE* at, const std::wstring& text, DWORD wordNumber) {
    DWORD size = WordRecordSize(text);
    memset(at, 0, size);
    memcpy(at, &size, 4);
    memcpy(at + 4, &wordNumber, 4);
    memcpy(at + 8, text.c_str(), 2 * text.size());
}

class SimResults final : public SimComObject<ISRResBasicW, ISRResGraphW> {
public:
    SimResults(const std::vector<SpokenWord>& words, QWORD begin, QWORD end) : begin_(begin), end_(end) {
        for (const SpokenWord& word : words)
            words_.push_back({Widen(word.text), word.wordNumber, word.ruleNumber});
    }

    // ISRResBasicW
    STDMETHODIMP PhraseGet(DWORD rank, PSRPHRASEW phrase, DWORD size, DWORD* needed) override {
        if (rank != 0)
            return FailWith(E_INVALIDARG, "PhraseGet: only rank 0 exists", IID_ISRResBasicW);
        DWORD total = 4;
        for (const Word& word : words_)
            total += WordRecordSize(word.text);
        if (needed)
            *needed = total;
        if (!phrase || size < total)
            return FailWith(DGNERR_BUFFERTOOSMALL, "PhraseGet: buffer too small", IID_ISRResBasicW);
        BYTE* at = reinterpret_cast<BYTE*>(phrase);
        memcpy(at, &total, 4);
        at += 4;
        for (const Word& word : words_) {
            WriteWordRecord(at, word.text, word.wordNumber);
            at += WordRecordSize(word.text);
        }
        return S_OK;
    }
    STDMETHODIMP Identify(GUID*) override { return E_NOTIMPL; }
    STDMETHODIMP TimeGet(PQWORD begin, PQWORD end) override {
        if (begin)
            *begin = begin_;
        if (end)
            *end = end_;
        return S_OK;
    }
    STDMETHODIMP FlagsGet(DWORD rank, DWORD* flags) override {
        if (!flags)
            return E_POINTER;
        *flags = ISRNOTEFIN_RECOGNIZED | ISRNOTEFIN_THISGRAMMAR;
        return rank == 0 ? S_OK : E_INVALIDARG;
    }

    // ISRResGraphW
    STDMETHODIMP BestPathPhoneme(DWORD, DWORD*, DWORD, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP BestPathWord(DWORD rank, DWORD* path, DWORD size, DWORD* needed) override {
        if (rank != 0)
            return FailWith(E_INVALIDARG, "BestPathWord: only rank 0 exists", IID_ISRResGraphW);
        DWORD total = 4 * static_cast<DWORD>(words_.size());
        if (needed)
            *needed = total;
        if (!path || size < total)
            return FailWith(DGNERR_BUFFERTOOSMALL, "BestPathWord: buffer too small", IID_ISRResGraphW);
        for (size_t i = 0; i < words_.size(); ++i)
            path[i] = kFirstNode + static_cast<DWORD>(i);
        return S_OK;
    }
    STDMETHODIMP GetPhonemeNode(DWORD, PVOID, PWCHAR, PWCHAR) override { return E_NOTIMPL; }
    STDMETHODIMP GetWordNode(DWORD node, PSRRESWORDNODE wordNode, PSRWORDW word, DWORD size, DWORD* needed) override {
        if (node < kFirstNode || node - kFirstNode >= words_.size())
            return FailWith(E_INVALIDARG, "GetWordNode: no such node " + std::to_string(node), IID_ISRResGraphW);
        size_t index = node - kFirstNode;
        const Word& w = words_[index];
        if (wordNode) {
            memset(wordNode, 0, sizeof *wordNode);
            wordNode->dwNextWordNode = index + 1 < words_.size() ? node + 1 : 0;
            wordNode->dwPreviousWordNode = index > 0 ? node - 1 : 0;
            wordNode->dwWordScore = 100;
            wordNode->dwRuleNumber = w.ruleNumber;
        }
        DWORD recordSize = WordRecordSize(w.text);
        if (needed)
            *needed = recordSize;
        if (!word)
            return S_OK; // the caller asked for the node alone
        if (size < recordSize)
            return FailWith(DGNERR_BUFFERTOOSMALL, "GetWordNode: word buffer of " + std::to_string(size) +
                            " bytes, " + std::to_string(recordSize) + " needed", IID_ISRResGraphW);
        WriteWordRecord(reinterpret_cast<BYTE*>(word), w.text, w.wordNumber);
        return S_OK;
    }
    STDMETHODIMP PathScoreGet(DWORD, DWORD*, DWORD, DWORD*) override { return E_NOTIMPL; }

private:
    struct Word {
        std::wstring text;
        DWORD wordNumber;
        DWORD ruleNumber;
    };

    void* Interface(REFIID iid) override {
        if (iid == IID_IUnknown || iid == IID_ISRResBasicW)
            return static_cast<ISRResBasicW*>(this);
        if (iid == IID_ISRResGraphW)
            return static_cast<ISRResGraphW*>(this);
        return nullptr;
    }

    std::vector<Word> words_;
    QWORD begin_, end_;
};

} // namespace

HRESULT CreateSimResults(const std::vector<SpokenWord>& words, QWORD begin, QWORD end, IUnknown** out) {
    if (!out)
        return E_POINTER;
    SimResults* results = new (std::nothrow) SimResults(words, begin, end);
    if (!results)
        return E_OUTOFMEMORY;
    *out = static_cast<ISRResBasicW*>(results);
    return S_OK;
}

} // namespace qmsim
