#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "description/JsonWriter.h"

// How a database description (the JSON that vxmod reads) writes the values of
// the host's field types, read from the bytes host memory holds. One place for
// both writers of descriptions: vxmod's dump of its sandbox database and the
// plug-in's snapshot of the game's. The sizes and members here are the host's
// layouts as a description knows them, kept apart from the library's value
// classes (typedb/), so that a description checks those instead of repeating
// their mistakes.
namespace rakor::Description {

using Json = nlohmann::ordered_json;

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

// The 21 host types by their host type names.
std::span<const HostType> HostTypes();

// The members of a structure kind, in memory order; empty for other kinds.
std::span<const Member> MembersOf(ValueKind kind);

// The floats a vector or the matrix holds; 0 for other kinds.
uint32_t FloatCount(ValueKind kind);

// How names are written: each writer knows names its own way (the sandbox
// remembers what it hashed, the plug-in asks the library's resolver).
// A name is asked for every name-valued value of a database of millions, so
// it comes as a view, good until the next name is asked for.
struct NameWriter {
    std::function<std::string_view(uint32_t key)> key;
    std::function<std::string_view(uint64_t hash)> hash64;
};

// A key as a description writes it: its name, else "0x" and eight hexadecimal
// digits. A name that itself starts with "0x" would read back as a different
// key, and one that is not UTF-8 (a script saved in a Windows code page)
// cannot be a JSON text, so such keys are written as digits too.
std::string KeyText(uint32_t key, std::optional<std::string_view> name);
// The same for a 64-bit hash and the text it was made from.
std::string Hash64Text(uint64_t hash, std::optional<std::string_view> text);

// Writes the value that the bytes (exactly the type's size) hold. A null type
// is one a description does not know: its value is a string of hexadecimal
// bytes, two digits per byte, in memory order. A text is read through the
// pointer the bytes hold.
void WriteValue(JsonWriter& out, const HostType* type, std::span<const uint8_t> bytes,
                const NameWriter& names);
// The same value as a JSON document of its own.
Json DecodeValue(const HostType* type, std::span<const uint8_t> bytes, const NameWriter& names);

// A float is written (JsonWriter::FloatText) as the shortest number that
// reads back as the same float, "-0.0" for a negative zero, or as a text for
// what JSON has no number for: "inf", "-inf", "nan" (the quiet NaN the game's
// compiler makes, 0x7FC00000), "-nan" (the same with its sign set,
// 0xFFC00000) and "nan:0x7FA00001" for any other NaN, its bits in
// hexadecimal. The bits of the float such a text stands for; none for any
// other text.
std::optional<uint32_t> FloatBitsOfText(std::string_view text);

// Whether the value the bytes hold (exactly the type's size), written in a
// description's form, leaves out bytes that are not zero: the form of a
// reference has no member for its third word.
bool LeavesBytesOut(const HostType* type, std::span<const uint8_t> bytes);

// Where a layout field goes in its block when a description gives no offset:
// at the alignment of its type (an array record, or a type a description does
// not know, as the host's own structures: to at most 4).
uint32_t LayoutAlignment(const HostType* type, uint32_t size, bool array);
uint32_t AlignUp(uint32_t value, uint32_t alignment);

}  // namespace rakor::Description
