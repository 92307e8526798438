#include "RegistryScript.h"

#include <cwctype>
#include <vector>

namespace {

struct ScriptValue {
    std::wstring name;
    std::wstring data;
};

enum class KeyFlag { Plain, NoRemove, ForceRemove, Delete };

struct ScriptKey {
    KeyFlag flag = KeyFlag::Plain;
    std::wstring name;
    bool hasDefault = false;
    std::wstring defaultValue;
    std::vector<ScriptValue> values;
    std::vector<ScriptKey> subkeys;
};

struct ScriptRoot {
    HKEY root = nullptr;
    std::vector<ScriptKey> keys;
};

enum class TokenKind { Word, Text, Open, Close, Equals, End };

struct Token {
    TokenKind kind;
    std::wstring text;
};

class Parser {
public:
    Parser(const std::wstring& script, const RegistryVariables& variables)
        : m_script(script), m_variables(variables)
    {
    }

    bool parse(std::vector<ScriptRoot>& roots)
    {
        if (!advance())
            return false;
        while (m_token.kind != TokenKind::End) {
            ScriptRoot root;
            if (m_token.kind != TokenKind::Word || !rootKey(m_token.text, root.root))
                return false;
            if (!advance() || !expect(TokenKind::Open))
                return false;
            while (m_token.kind != TokenKind::Close) {
                ScriptKey key;
                if (!parseKey(key))
                    return false;
                root.keys.push_back(std::move(key));
            }
            if (!advance())
                return false;
            roots.push_back(std::move(root));
        }
        return !roots.empty();
    }

private:
    static bool equalsNoCase(const std::wstring& a, const wchar_t* b)
    {
        return lstrcmpiW(a.c_str(), b) == 0;
    }

    static bool rootKey(const std::wstring& name, HKEY& root)
    {
        if (equalsNoCase(name, L"HKCR") || equalsNoCase(name, L"HKEY_CLASSES_ROOT"))
            root = HKEY_CLASSES_ROOT;
        else if (equalsNoCase(name, L"HKCU") || equalsNoCase(name, L"HKEY_CURRENT_USER"))
            root = HKEY_CURRENT_USER;
        else if (equalsNoCase(name, L"HKLM") || equalsNoCase(name, L"HKEY_LOCAL_MACHINE"))
            root = HKEY_LOCAL_MACHINE;
        else
            return false;
        return true;
    }

    bool expect(TokenKind kind)
    {
        if (m_token.kind != kind)
            return false;
        return advance();
    }

    // key := [flag] name [= s 'text'] [{ (key | val)* }]
    bool parseKey(ScriptKey& key)
    {
        if (m_token.kind != TokenKind::Word)
            return false;
        if (equalsNoCase(m_token.text, L"NoRemove"))
            key.flag = KeyFlag::NoRemove;
        else if (equalsNoCase(m_token.text, L"ForceRemove"))
            key.flag = KeyFlag::ForceRemove;
        else if (equalsNoCase(m_token.text, L"Delete"))
            key.flag = KeyFlag::Delete;
        if (key.flag != KeyFlag::Plain && !advance())
            return false;
        if (m_token.kind != TokenKind::Word || equalsNoCase(m_token.text, L"val"))
            return false;
        key.name = m_token.text;
        if (!advance())
            return false;
        if (m_token.kind == TokenKind::Equals) {
            if (!advance() || !parseStringValue(key.defaultValue))
                return false;
            key.hasDefault = true;
        }
        if (m_token.kind != TokenKind::Open)
            return true;
        if (!advance())
            return false;
        while (m_token.kind != TokenKind::Close) {
            if (m_token.kind == TokenKind::Word && equalsNoCase(m_token.text, L"val")) {
                ScriptValue value;
                if (!advance() || m_token.kind != TokenKind::Word)
                    return false;
                value.name = m_token.text;
                if (!advance() || !expect(TokenKind::Equals) || !parseStringValue(value.data))
                    return false;
                key.values.push_back(std::move(value));
            } else {
                ScriptKey subkey;
                if (!parseKey(subkey))
                    return false;
                key.subkeys.push_back(std::move(subkey));
            }
        }
        return advance();
    }

    // s 'text'
    bool parseStringValue(std::wstring& data)
    {
        if (m_token.kind != TokenKind::Word || !equalsNoCase(m_token.text, L"s"))
            return false;
        if (!advance() || m_token.kind != TokenKind::Text)
            return false;
        data = m_token.text;
        return advance();
    }

    // Replaces %NAME% from the variables; an unknown name or a lone % is an error.
    bool substitute(std::wstring& text)
    {
        std::wstring out;
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
                auto found = m_variables.find(text.substr(i + 1, end - i - 1));
                if (found == m_variables.end())
                    return false;
                out += found->second;
            }
            i = end;
        }
        text = out;
        return true;
    }

    bool advance()
    {
        while (m_pos < m_script.size() && std::iswspace(m_script[m_pos]))
            ++m_pos;
        m_token.text.clear();
        if (m_pos >= m_script.size()) {
            m_token.kind = TokenKind::End;
            return true;
        }
        wchar_t c = m_script[m_pos];
        bool standsAlone = m_pos + 1 >= m_script.size() || std::iswspace(m_script[m_pos + 1]);
        if (c == L'{' && standsAlone) {
            m_token.kind = TokenKind::Open;
            ++m_pos;
            return true;
        }
        if (c == L'}' && standsAlone) {
            m_token.kind = TokenKind::Close;
            ++m_pos;
            return true;
        }
        if (c == L'=') {
            m_token.kind = TokenKind::Equals;
            ++m_pos;
            return true;
        }
        if (c == L'\'') {
            m_token.kind = TokenKind::Text;
            ++m_pos;
            for (;;) {
                if (m_pos >= m_script.size())
                    return false; // unterminated text
                wchar_t t = m_script[m_pos++];
                if (t == L'\'') {
                    if (m_pos < m_script.size() && m_script[m_pos] == L'\'') {
                        m_token.text += L'\'';
                        ++m_pos;
                        continue;
                    }
                    break;
                }
                m_token.text += t;
            }
            return substitute(m_token.text);
        }
        m_token.kind = TokenKind::Word;
        while (m_pos < m_script.size() && !std::iswspace(m_script[m_pos]) && m_script[m_pos] != L'=' &&
               m_script[m_pos] != L'\'')
            m_token.text += m_script[m_pos++];
        return substitute(m_token.text);
    }

    const std::wstring& m_script;
    const RegistryVariables& m_variables;
    size_t m_pos = 0;
    Token m_token{TokenKind::End, std::wstring()};
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
    if (key.flag == KeyFlag::Delete)
        return deleteTree(parent, key.name);
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
    if (key.flag == KeyFlag::Delete)
        return ERROR_SUCCESS;
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
    std::vector<ScriptRoot> roots;
    Parser parser(script, variables);
    if (!parser.parse(roots))
        return E_FAIL;
    for (const ScriptRoot& root : roots) {
        HKEY base = rootOverride ? rootOverride : root.root;
        for (const ScriptKey& key : root.keys) {
            LONG rc = action == RegistryScriptAction::Register ? registerKey(base, key) : unregisterKey(base, key);
            if (rc != ERROR_SUCCESS)
                return HRESULT_FROM_WIN32(rc);
        }
    }
    return S_OK;
}
