// One grammar loaded into the recogniser: load from a binary grammar in memory, rule
// activation by name, list filling, release. Runs on Dragon's thread only.
//
// Failures of the recogniser are shown in the "COM Error" box. A missing interface pointer
// (E_POINTER) or a failed string allocation (E_OUTOFMEMORY) is thrown as _com_error; the
// module's COM entry points catch it, so it never reaches Dragon.
#pragma once

#include "DragonInterfaces.h"
#include "GrammarOwner.h"
#include "GrammarSink.h"

#include <comdef.h>
#include <wrl/client.h>

#include <string>
#include <vector>

class GrammarOwner;

class CGramObj {
public:
    CGramObj();
    ~CGramObj();
    CGramObj(const CGramObj&) = delete;
    CGramObj& operator=(const CGramObj&) = delete;

    void init(GrammarOwner* owner);
    int load(const void* data, DWORD size, DWORD option1, DWORD option2);
    int loadBuiltinCommands(const void* data, DWORD size);
    int activate(const char* ruleName, HWND window);
    int deactivate(const char* ruleName);
    int listSet(const char* listName);
    int listAppend(const char* listName, const char* word);
    int release();
    int releaseBuiltin();

    // What this object's own calls left the recogniser holding: the rule is known to be
    // inactive, or known to be active for window. Unknown after a failed call. Lets a walk
    // that runs at every utterance skip calls that cannot change anything.
    bool knownInactive(const char* ruleName) const;
    bool knownActiveFor(const char* ruleName, HWND window) const;

    // The SAPI 4 word record of a word: size, word number 0, the UTF-16 text with its NUL,
    // zero-padded to a multiple of 4 bytes.
    static std::vector<BYTE> makeWordRecord(const char* word);

    int number = 0;
    // The scope (global, or specific to a module and a title); whoever sets it tells the
    // owner (noteRuleStateChange).
    int isSpecific = 0;
    std::string moduleName;
    std::string appTitle;
    std::string windowTitle;
    DWORD loadOption1 = 0;
    ISRGramCommonW* gramCommon = nullptr;
    GrammarOwner* owner = nullptr;
    CGramObj* next = nullptr;
    CGramObj* builtinNext = nullptr;
    CGramObj* reclaimedNext = nullptr; // the owner's chain of objects waiting to be deleted

private:
    // The grammar's sink, kept so that releasing or destroying this object cuts the sink's
    // pointer to it: the recogniser may hold the sink longer than the grammar.
    Microsoft::WRL::ComPtr<GrammarSink> m_sink;

    // A freshly loaded grammar has no active rule; afterwards the last rule named in a
    // successful call is remembered.
    bool m_noRuleActive = false;
    std::string m_knownRule;
    bool m_knownRuleValid = false;
    bool m_knownRuleActive = false;
    HWND m_knownWindow = nullptr;

    void detachSink();
    int loadWithSink(GrammarKind kind, const void* data, DWORD size, DWORD option1, DWORD option2,
                     const char* noCommonLog);
    int unloadGrammar();
    void rememberRule(const char* ruleName, bool active, HWND window);
    void forgetRules();
};
