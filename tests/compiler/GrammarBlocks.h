// Builds binary grammar blocks byte by byte for the tests: the header, name chunks and
// rule chunks in whatever order and shape a test needs, well-formed or not.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace grammartest {

using Bytes = std::vector<unsigned char>;

inline void PutU32(Bytes& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

inline void PutU16(Bytes& b, uint16_t v)
{
    b.push_back(static_cast<unsigned char>(v));
    b.push_back(static_cast<unsigned char>(v >> 8));
}

struct Name {
    uint32_t id;
    std::string name;
};

struct El {
    uint16_t type;
    uint32_t value;
};

struct Rule {
    uint32_t id;
    std::vector<El> elements;
};

// Element shorthands: S(op)/E(op) start and end an operation.
inline El S(uint32_t op) { return {1, op}; }
inline El E(uint32_t op) { return {2, op}; }
inline El W(uint32_t id) { return {3, id}; }
inline El R(uint32_t id) { return {4, id}; }
inline El L(uint32_t id) { return {6, id}; }
enum : uint32_t { Seq = 1, Alt = 2, Rep = 3, Opt = 4 };

inline Bytes NameEntry(uint32_t id, const std::string& name)
{
    Bytes b;
    const uint32_t padded = static_cast<uint32_t>(4 * (name.size() / 4) + 4);
    PutU32(b, 8 + padded);
    PutU32(b, id);
    b.insert(b.end(), name.begin(), name.end());
    b.resize(8 + padded, 0);
    return b;
}

inline Bytes RuleEntry(const Rule& r)
{
    Bytes b;
    PutU32(b, static_cast<uint32_t>(8 + 8 * r.elements.size()));
    PutU32(b, r.id);
    for (const El& e : r.elements) {
        PutU16(b, e.type);
        PutU16(b, 0);
        PutU32(b, e.value);
    }
    return b;
}

inline Bytes Chunk(uint32_t id, const Bytes& data)
{
    Bytes b;
    PutU32(b, id);
    PutU32(b, static_cast<uint32_t>(data.size()));
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

inline Bytes NameChunk(uint32_t id, const std::vector<Name>& names)
{
    Bytes data;
    for (const Name& n : names) {
        Bytes e = NameEntry(n.id, n.name);
        data.insert(data.end(), e.begin(), e.end());
    }
    return Chunk(id, data);
}

inline Bytes RuleChunk(const std::vector<Rule>& rules)
{
    Bytes data;
    for (const Rule& r : rules) {
        Bytes e = RuleEntry(r);
        data.insert(data.end(), e.begin(), e.end());
    }
    return Chunk(3, data);
}

// A whole grammar in the compiler's chunk order; empty tables drop their chunk.
struct Grammar {
    std::vector<Name> exports, imports, lists, words;
    std::vector<Rule> rules;

    Bytes Pack() const
    {
        Bytes b(8, 0);
        auto add = [&b](const Bytes& c) { b.insert(b.end(), c.begin(), c.end()); };
        if (!exports.empty()) add(NameChunk(4, exports));
        if (!imports.empty()) add(NameChunk(5, imports));
        if (!lists.empty()) add(NameChunk(6, lists));
        if (!words.empty()) add(NameChunk(2, words));
        if (!rules.empty()) add(RuleChunk(rules));
        return b;
    }
};

inline Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes b;
    for (const Bytes& p : parts)
        b.insert(b.end(), p.begin(), p.end());
    return b;
}

inline Bytes Header(uint32_t type = 0, uint32_t flags = 0)
{
    Bytes b;
    PutU32(b, type);
    PutU32(b, flags);
    return b;
}

} // namespace grammartest
