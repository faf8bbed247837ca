#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "sandbox/DescriptionError.h"

// The sandbox's own knowledge of the host's field types: how many bytes a
// value takes in host memory, how it is aligned in a layout block, and how a
// description's JSON value turns into those bytes and back. Written from the
// host's layouts rather than taken from the library, so that a description
// checks the library instead of repeating its mistakes.
namespace rakor::Sandbox {

enum class ValueKind : uint8_t {
    UInt8,
    Int8,
    UInt16,
    Int16,
    UInt32,
    Int32,
    Float,
    Bool,
    Key32,   // a name hashed with the host hash, or "0x..."
    Hash64,  // a text hashed with the 64-bit hash, or "0x..."
    Text,    // a pointer to a NUL-terminated text, or null
    Vector2,
    Vector3,
    Vector4,
    Matrix,
    AxlePair,
    FECarPartInfo,
    JunkmanMod,
    RefSpec,
    StringKey,
};

struct HostType {
    std::string_view name;
    uint32_t size;
    uint32_t alignment;
    ValueKind kind;
};

// One named member of a structure, at its byte offset.
struct Member {
    std::string_view name;
    uint32_t offset;
    ValueKind kind;
};

// The members of a structure kind, in memory order; empty for other kinds.
std::span<const Member> MembersOf(ValueKind kind);

// The host type whose name hashes to the key, or null for a type the sandbox
// does not know (its values are then plain bytes).
const HostType* FindHostType(uint32_t typeKey);
std::span<const HostType> HostTypes();

// A key as a description writes it: the remembered name, else "0x" and eight
// hexadecimal digits. A remembered name that itself starts with "0x" would
// read back as a different key, and one that is not UTF-8 (a script saved in
// a Windows code page) cannot be a JSON text, so such keys are written as
// digits too.
std::string KeyText(uint32_t key);

// The key a description's name stands for: "0x" and 1 to 8 hexadecimal
// digits are the key itself; any other name is hashed with the host hash
// (and so remembered). Throws DescriptionError naming `where`.
uint32_t KeyOf(const std::string& name, const nlohmann::ordered_json::json_pointer& where);

// The 64-bit hash of a text (32-bit FNV-1a widened); remembered, so that the
// dump can write the text again (unless it is not UTF-8: then the digits).
uint64_t HashText64(std::string_view text);
std::string Hash64Text(uint64_t hash);
// The 64-bit hash a description's text stands for: "0x" and 1 to 16
// hexadecimal digits are the hash itself; any other text is hashed (and so
// remembered). Throws DescriptionError naming `where`.
uint64_t Hash64Of(const std::string& text, const nlohmann::ordered_json::json_pointer& where);

// Gives the host word of a new text that lives as long as the database.
using TextMaker = std::function<uint32_t(const std::string&)>;

// Writes the value into out, which is exactly the value's size. A null type
// is one the sandbox does not know: its value is a string of hexadecimal
// bytes, two digits per byte, in memory order. Throws DescriptionError
// naming `where`, the value's place in the description.
void EncodeValue(const HostType* type, const nlohmann::ordered_json& value,
                 const nlohmann::ordered_json::json_pointer& where, std::span<uint8_t> out,
                 const TextMaker& makeText);

// The value that the bytes hold, in the form EncodeValue reads.
nlohmann::ordered_json DecodeValue(const HostType* type, std::span<const uint8_t> bytes);

// A float as the shortest JSON number that reads back as the same float.
nlohmann::ordered_json FloatJson(float value);

}  // namespace rakor::Sandbox
