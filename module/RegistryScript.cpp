#include "RegistryScript.h"

#include <cwctype>
#include <vector>

namespace {

struct ScriptValue {
    std::wstring name;
    std::wstring data;
};

enum class KeyFlag { Plain, NoRemove, ForceRemove };

struct ScriptKey {
    KeyFlag flag = KeyFlag::Plain;
    std::wstring name;
    bool hasDefault = false;
    std::wstring defaultValue;
    std::vector<ScriptValue> values;
    std::vector<ScriptKey> subkeys;
};

enum class TokenKind { Word, Text, Open, Close, Equals, End };

struct Token {
    TokenKind kind;
    std::wstring text;
};

bool equalsNoCase(const std::wstring& a, const wchar_t* b)
{
    return lstrcmpiW(a.c_str(), b) == 0;
}

// Replaces %NAME% from the variables; an unknown name or a lone % is an error.
bool substitute(const std::wstring& text, const RegistryVariables& variables, std::wstring& out)
{
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'%') {
            out += text[i];
            continue;
        }
        size_t end = text.find(L'%', i + 1);
        if (end == std::wstring::npos)
            return false;
        if (end == i + 1) {
            out += L'%';
        } else {
            auto found = variables.find(text.substr(i + 1, end - i - 1));
            if (found == variables.end())
                return false;
            out += found->second;
        }
        i = end;
    }
    return true;
}

// Splits the script into tokens; the list ends with an End token.
bool tokenize(const std::wstring& script, const RegistryVariables& variables, std::vector<Token>& tokens)
{
    size_t pos = 0;
    for (;;) {
        while (pos < script.size() && std::iswspace(script[pos]))
            ++pos;
        if (pos >= script.size()) {
            tokens.push_back({TokenKind::End, std::wstring()});
            return true;
        }
        if (script[pos] == L'=') {
            tokens.push_back({TokenKind::Equals, std::wstring()});
            ++pos;
        } else if (script[pos] == L'\'') {
            std::wstring raw;
            for (++pos;; ++pos) {
                if (pos >= script.size())
                    return false; // unterminated text
                if (script[pos] == L'\'') {
                    if (pos + 1 >= script.size() || script[pos + 1] != L'\'')
                        break;
                    ++pos;
                }
                raw += script[pos];
            }
            ++pos;
            Token token{TokenKind::Text, std::wstring()};
            if (!substitute(raw, variables, token.text))
                return false;
            tokens.push_back(std::move(token));
        } else {
            Token token{TokenKind::Word, std::wstring()};
            while (pos < script.size() && !std::iswspace(script[pos]) && script[pos] != L'=' && script[pos] != L'\'')
                token.text += script[pos++];
            if (token.text == L"{")
                token.kind = TokenKind::Open;
            else if (token.text == L"}")
                token.kind = TokenKind::Close;
            tokens.push_back(std::move(token));
        }
    }
}

class Parser {
public:
    explicit Parser(const std::vector<Token>& tokens) : m_tokens(tokens) {}

    // HKCR { key* } and nothing after it.
    bool parse(std::vector<ScriptKey>& keys)
    {
        if (!isWord(L"HKCR"))
            return false;
        ++m_pos;
        if (!parseBlock(keys, nullptr))
            return false;
        return !keys.empty() && kind() == TokenKind::End;
    }

private:
    TokenKind kind() const { return m_tokens[m_pos].kind; }
    const std::wstring& text() const { return m_tokens[m_pos].text; }
    bool isWord(const wchar_t* word) const { return kind() == TokenKind::Word && equalsNoCase(text(), word); }

    // { (key | val name = s 'text')* }; values only where a key is given.
    bool parseBlock(std::vector<ScriptKey>& subkeys, std::vector<ScriptValue>* values)
    {
        if (kind() != TokenKind::Open)
            return false;
        ++m_pos;
        while (kind() != TokenKind::Close) {
            if (values && isWord(L"val")) {
                ++m_pos;
                ScriptValue value;
                if (kind() != TokenKind::Word)
                    return false;
                value.name = text();
                ++m_pos;
                if (kind() != TokenKind::Equals)
                    return false;
                ++m_pos;
                if (!parseStringValue(value.data))
                    return false;
                values->push_back(std::move(value));
            } else {
                ScriptKey key;
                if (!parseKey(key))
                    return false;
                subkeys.push_back(std::move(key));
            }
        }
        ++m_pos;
        return true;
    }

    // [NoRemove | ForceRemove] name [= s 'text'] [block]
    bool parseKey(ScriptKey& key)
    {
        if (isWord(L"NoRemove"))
            key.flag = KeyFlag::NoRemove;
        else if (isWord(L"ForceRemove"))
            key.flag = KeyFlag::ForceRemove;
        if (key.flag != KeyFlag::Plain)
            ++m_pos;
        if (kind() != TokenKind::Word || isWord(L"val"))
            return false;
        key.name = text();
        ++m_pos;
        if (kind() == TokenKind::Equals) {
            ++m_pos;
            if (!parseStringValue(key.defaultValue))
                return false;
            key.hasDefault = true;
        }
        return kind() != TokenKind::Open || parseBlock(key.subkeys, &key.values);
    }

    // s 'text'
    bool parseStringValue(std::wstring& data)
    {
        if (!isWord(L"s"))
            return false;
        ++m_pos;
        if (kind() != TokenKind::Text)
            return false;
        data = text();
        ++m_pos;
        return true;
    }

    const std::vector<Token>& m_tokens;
    size_t m_pos = 0; // never beyond the End token: every step above checks the kind first
};

LONG setString(HKEY key, const wchar_t* name, const std::wstring& data)
{
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                          static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
}

LONG deleteTree(HKEY parent, const std::wstring& name)
{
    LONG rc = RegDeleteTreeW(parent, name.c_str());
    if (rc == ERROR_SUCCESS)
        rc = RegDeleteKeyW(parent, name.c_str());
    return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}

LONG registerKey(HKEY parent, const ScriptKey& key)
{
    if (key.flag == KeyFlag::ForceRemove) {
        LONG rc = deleteTree(parent, key.name);
        if (rc != ERROR_SUCCESS)
            return rc;
    }
    HKEY handle = nullptr;
    LONG rc = RegCreateKeyExW(parent, key.name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (key.hasDefault)
        rc = setString(handle, nullptr, key.defaultValue);
    for (size_t i = 0; rc == ERROR_SUCCESS && i < key.values.size(); ++i)
        rc = setString(handle, key.values[i].name.c_str(), key.values[i].data);
    for (size_t i = 0; rc == ERROR_SUCCESS && i < key.subkeys.size(); ++i)
        rc = registerKey(handle, key.subkeys[i]);
    RegCloseKey(handle);
    return rc;
}

LONG unregisterKey(HKEY parent, const ScriptKey& key)
{
    if (key.flag == KeyFlag::ForceRemove)
        return deleteTree(parent, key.name);
    HKEY handle = nullptr;
    LONG rc = RegOpenKeyExW(parent, key.name.c_str(), 0, KEY_ALL_ACCESS, &handle);
    if (rc == ERROR_FILE_NOT_FOUND)
        return ERROR_SUCCESS;
    if (rc != ERROR_SUCCESS)
        return rc;
    for (size_t i = 0; rc == ERROR_SUCCESS && i < key.subkeys.size(); ++i)
        rc = unregisterKey(handle, key.subkeys[i]);
    if (key.flag == KeyFlag::NoRemove) {
        RegCloseKey(handle);
        return rc;
    }
    for (const ScriptValue& value : key.values)
        RegDeleteValueW(handle, value.name.c_str());
    if (key.hasDefault)
        RegDeleteValueW(handle, nullptr);
    DWORD subkeys = 0, values = 0;
    LONG query = RegQueryInfoKeyW(handle, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                                  nullptr, nullptr, nullptr);
    RegCloseKey(handle);
    // A plain key goes only when nothing of anybody else is left in it.
    if (rc == ERROR_SUCCESS && query == ERROR_SUCCESS && subkeys == 0 && values == 0)
        rc = RegDeleteKeyW(parent, key.name.c_str());
    return rc;
}

} // namespace

HRESULT ApplyRegistryScript(const std::wstring& script, const RegistryVariables& variables,
                            RegistryScriptAction action, HKEY rootOverride)
{
    std::vector<Token> tokens;
    std::vector<ScriptKey> keys;
    if (!tokenize(script, variables, tokens) || !Parser(tokens).parse(keys))
        return E_FAIL;
    HKEY base = rootOverride ? rootOverride : HKEY_CLASSES_ROOT;
    for (const ScriptKey& key : keys) {
        LONG rc = action == RegistryScriptAction::Register ? registerKey(base, key) : unregisterKey(base, key);
        if (rc != ERROR_SUCCESS)
            return HRESULT_FROM_WIN32(rc);
    }
    return S_OK;
}
