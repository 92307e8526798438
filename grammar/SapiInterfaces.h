// The SAPI 4 speech-recognition interfaces the module and the recogniser share.
// Declared here once: methods in slot order, identifiers beside them, and the layouts
// of the records that cross the boundary checked by static_assert.
#pragma once

#include <windows.h>
#include <unknwn.h>
#include <cstddef>

typedef unsigned long long QWORD;
typedef QWORD* PQWORD;

// A block of memory passed by value: pointer and size in bytes.
struct SDATA {
    PVOID pData;
    DWORD dwSize;
};
typedef SDATA* PSDATA;
static_assert(sizeof(SDATA) == 2 * sizeof(void*), "SDATA is pointer + size");

enum SRGRMFMT { SRGRMFMT_CFG = 0x0000 };

// Word record: size, word number, zero-terminated UTF-16 text, padded to 4 bytes.
struct SRWORDW {
    DWORD dwSize;
    DWORD dwWordNum;
    WCHAR szWord[1];
};
typedef SRWORDW* PSRWORDW;
static_assert(offsetof(SRWORDW, dwWordNum) == 4, "SRWORDW layout");
static_assert(offsetof(SRWORDW, szWord) == 8, "SRWORDW layout");

// Phrase: total size in bytes followed by SRWORDW records.
struct SRPHRASEW {
    DWORD dwSize;
    BYTE abWords[1];
};
typedef SRPHRASEW* PSRPHRASEW;
static_assert(offsetof(SRPHRASEW, abWords) == 4, "SRPHRASEW layout");

// Word node of a result graph. The field at byte offset 60 names the rule that
// produced the word (its ID in the binary grammar; 1000000 for free dictation).
struct SRRESWORDNODE {
    DWORD dwNextWordNode;          // 0
    DWORD dwUpAlternateWordNode;   // 4
    DWORD dwDownAlternateWordNode; // 8
    DWORD dwPreviousWordNode;      // 12
    DWORD dwPhonemeNode;           // 16
    DWORD dwReserved1;             // 20
    DWORD qwStartTimeLow;          // 24
    DWORD qwStartTimeHigh;         // 28
    DWORD qwEndTimeLow;            // 32
    DWORD qwEndTimeHigh;           // 36
    DWORD dwWordScore;             // 40
    WORD  wVolume;                 // 44
    WORD  wPitch;                  // 46
    DWORD dwPartOfSpeech;          // 48
    DWORD dwCFGParse;              // 52
    DWORD dwCue;                   // 56
    DWORD dwRuleNumber;            // 60
};
typedef SRRESWORDNODE* PSRRESWORDNODE;
static_assert(offsetof(SRRESWORDNODE, dwRuleNumber) == 60, "rule number at byte 60");
static_assert(sizeof(SRRESWORDNODE) == 64, "SRRESWORDNODE size");

constexpr DWORD DICTATION_RULE_NUMBER = 1000000;

// PhraseFinish flags.
constexpr DWORD ISRNOTEFIN_RECOGNIZED = 0x00000001;
constexpr DWORD ISRNOTEFIN_THISGRAMMAR = 0x00000002;

// Recogniser result codes used across the boundary.
constexpr HRESULT SRERR_INVALIDPARAM = E_INVALIDARG; // 0x80070057

// ---------------------------------------------------------------------------
// Interface identifiers.

// {B9BD3860-44DB-101B-90A8-00AA003E4B50}
constexpr IID IID_ISRCentralW = {0xB9BD3860, 0x44DB, 0x101B, {0x90, 0xA8, 0x00, 0xAA, 0x00, 0x3E, 0x4B, 0x50}};
// {E8C3E160-C743-11CD-80E5-00AA003E4B50}
constexpr IID IID_ISRGramCommonW = {0xE8C3E160, 0xC743, 0x11CD, {0x80, 0xE5, 0x00, 0xAA, 0x00, 0x3E, 0x4B, 0x50}};
// {ECC0B180-C743-11CD-80E5-00AA003E4B50}
constexpr IID IID_ISRGramCFGW = {0xECC0B180, 0xC743, 0x11CD, {0x80, 0xE5, 0x00, 0xAA, 0x00, 0x3E, 0x4B, 0x50}};
// {F106BFA0-C743-11CD-80E5-00AA003E4B50}
constexpr IID IID_ISRGramNotifySinkW = {0xF106BFA0, 0xC743, 0x11CD, {0x80, 0xE5, 0x00, 0xAA, 0x00, 0x3E, 0x4B, 0x50}};
// {090CD9B0-DA1A-11CD-B3CA-00AA0047BA4F}
constexpr IID IID_ISRNotifySinkW = {0x090CD9B0, 0xDA1A, 0x11CD, {0xB3, 0xCA, 0x00, 0xAA, 0x00, 0x47, 0xBA, 0x4F}};
// {090CD9A5-DA1A-11CD-B3CA-00AA0047BA4F}
constexpr IID IID_ISRResBasicW = {0x090CD9A5, 0xDA1A, 0x11CD, {0xB3, 0xCA, 0x00, 0xAA, 0x00, 0x47, 0xBA, 0x4F}};
// {090CD9AA-DA1A-11CD-B3CA-00AA0047BA4F}
constexpr IID IID_ISRResGraphW = {0x090CD9AA, 0xDA1A, 0x11CD, {0xB3, 0xCA, 0x00, 0xAA, 0x00, 0x47, 0xBA, 0x4F}};

// ---------------------------------------------------------------------------
// Interfaces, methods in slot order after IUnknown's three.

struct ISRCentralW : public IUnknown {
    STDMETHOD(ModeGet)(PVOID pModeInfo) PURE;
    STDMETHOD(GrammarLoad)(SRGRMFMT format, SDATA data, PVOID pNotifySink, IID iidSink, LPUNKNOWN* ppGrammar) PURE;
    STDMETHOD(Pause)() PURE;
    STDMETHOD(PosnGet)(PQWORD pPosition) PURE;
    STDMETHOD(Resume)() PURE;
    STDMETHOD(ToFileTime)(PQWORD pPosition, FILETIME* pFileTime) PURE;
    STDMETHOD(Register)(PVOID pNotifySink, IID iidSink, DWORD* pKey) PURE;
    STDMETHOD(UnRegister)(DWORD key) PURE;
};

struct ISRGramCommonW : public IUnknown {
    STDMETHOD(Activate)(HWND window, BOOL autoPause, PCWSTR ruleName) PURE;
    STDMETHOD(Archive)(BOOL archiveResults, PVOID pBuffer, DWORD size, DWORD* pNeeded) PURE;
    STDMETHOD(BookMark)(QWORD time, DWORD mark) PURE;
    STDMETHOD(Deactivate)(PCWSTR ruleName) PURE;
    STDMETHOD(DeteriorationGet)(DWORD* pMemory, DWORD* pTime, DWORD* pObjects) PURE;
    STDMETHOD(DeteriorationSet)(DWORD memory, DWORD time, DWORD objects) PURE;
    STDMETHOD(TrainDlg)(HWND window, PCWSTR title) PURE;
    STDMETHOD(TrainPhrase)(DWORD extent, PSDATA pData) PURE;
    STDMETHOD(TrainQuery)(DWORD* pFlags) PURE;
};

struct ISRGramCFGW : public IUnknown {
    STDMETHOD(LinkQuery)(DWORD link, PWSTR pBuffer, DWORD size, DWORD* pNeeded) PURE;
    STDMETHOD(ListAppend)(PCWSTR listName, SDATA words) PURE;
    STDMETHOD(ListGet)(PCWSTR listName, PSDATA pWords) PURE;
    STDMETHOD(ListRemove)(PCWSTR listName, SDATA words) PURE;
    STDMETHOD(ListSet)(PCWSTR listName, SDATA words) PURE;
    STDMETHOD(ListQuery)(PCWSTR listName, PSDATA pWords) PURE;
};

struct ISRGramNotifySinkW : public IUnknown {
    STDMETHOD(BookMark)(DWORD mark) PURE;
    STDMETHOD(Paused)() PURE;
    STDMETHOD(PhraseFinish)(DWORD flags, QWORD beginTime, QWORD endTime, PSRPHRASEW phrase, LPUNKNOWN results) PURE;
    STDMETHOD(PhraseHypothesis)(DWORD flags, QWORD beginTime, QWORD endTime, PSRPHRASEW phrase, LPUNKNOWN results) PURE;
    STDMETHOD(PhraseStart)(QWORD time) PURE;
    STDMETHOD(ReEvaluate)(LPUNKNOWN results) PURE;
    STDMETHOD(Training)(DWORD train) PURE;
    STDMETHOD(UnArchive)(LPUNKNOWN archive) PURE;
};

struct ISRNotifySinkW : public IUnknown {
    STDMETHOD(AttribChanged)(DWORD attribute) PURE;
    STDMETHOD(Interference)(QWORD beginTime, QWORD endTime, DWORD type) PURE;
    STDMETHOD(Sound)(QWORD beginTime, QWORD endTime) PURE;
    STDMETHOD(UtteranceBegin)(QWORD time) PURE;
    STDMETHOD(UtteranceEnd)(QWORD beginTime, QWORD endTime) PURE;
    STDMETHOD(VUMeter)(QWORD time, WORD level) PURE;
};

struct ISRResBasicW : public IUnknown {
    STDMETHOD(PhraseGet)(DWORD rank, PSRPHRASEW pPhrase, DWORD size, DWORD* pNeeded) PURE;
    STDMETHOD(Identify)(GUID* pIdentity) PURE;
    STDMETHOD(TimeGet)(PQWORD pBegin, PQWORD pEnd) PURE;
    STDMETHOD(FlagsGet)(DWORD rank, DWORD* pFlags) PURE;
};

struct ISRResGraphW : public IUnknown {
    STDMETHOD(BestPathPhoneme)(DWORD rank, DWORD* pPath, DWORD size, DWORD* pNeeded) PURE;
    STDMETHOD(BestPathWord)(DWORD rank, DWORD* pPath, DWORD size, DWORD* pNeeded) PURE;
    STDMETHOD(GetPhonemeNode)(DWORD node, PVOID pPhonemeNode, PWCHAR pPhoneme, PWCHAR pIpa) PURE;
    STDMETHOD(GetWordNode)(DWORD node, PSRRESWORDNODE pWordNode, PSRWORDW pWord, DWORD size, DWORD* pNeeded) PURE;
    STDMETHOD(PathScoreGet)(DWORD rank, DWORD* pPath, DWORD pathSize, DWORD* pScore) PURE;
};
