#include "description/ValueForms.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include <fmt/format.h>

#include "hash/HexText.h"
#include "host/Utf8.h"

namespace rakor::Description {
namespace {

// Alignment is the natural one of the widest member as the game's compiler
// lays it out: 64-bit hashes align to 8 there.
constexpr std::array kHostTypes{
    HostType{"AxlePair", 8, 4, ValueKind::AxlePair},
    HostType{"GCollectionKey", 4, 4, ValueKind::Key32},
    HostType{"FECarPartInfo", 12, 4, ValueKind::FECarPartInfo},
    HostType{"JunkmanMod", 12, 4, ValueKind::JunkmanMod},
    HostType{"Attrib::Types::Vector2", 8, 4, ValueKind::Vector2},
    HostType{"Attrib::Types::Vector3", 12, 4, ValueKind::Vector3},
    HostType{"Attrib::Types::Vector4", 16, 4, ValueKind::Vector4},
    HostType{"Attrib::Types::Matrix", 64, 4, ValueKind::Matrix},
    HostType{"KQ::Reflection::UInt8", 1, 1, ValueKind::UInt8},
    HostType{"KQ::Reflection::Int8", 1, 1, ValueKind::Int8},
    HostType{"KQ::Reflection::UInt16", 2, 2, ValueKind::UInt16},
    HostType{"KQ::Reflection::Int16", 2, 2, ValueKind::Int16},
    HostType{"KQ::Reflection::UInt32", 4, 4, ValueKind::UInt32},
    HostType{"KQ::Reflection::Int32", 4, 4, ValueKind::Int32},
    HostType{"KQ::Reflection::Float", 4, 4, ValueKind::Float},
    HostType{"KQ::Reflection::Bool", 1, 1, ValueKind::Bool},
    HostType{"Attrib::RefSpec", 12, 4, ValueKind::RefSpec},
    HostType{"Attrib::StringHashWrapper32", 4, 4, ValueKind::Key32},
    HostType{"Attrib::StringHashWrapper64", 8, 8, ValueKind::Hash64},
    HostType{"Attrib::StringKey", 16, 8, ValueKind::StringKey},
    HostType{"KQ::Reflection::Text", 4, 4, ValueKind::Text},
};

template <typename T>
T Load(std::span<const uint8_t> bytes, uint32_t offset) {
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof(T));
    return value;
}

bool WritableName(std::optional<std::string_view> name) {
    return name && !name->starts_with("0x") && Utf8::IsValid(*name);
}

// A text is a JSON string, or {"bytes": "..."} for one that is not UTF-8.
void WriteText(JsonWriter& out, uint32_t word) {
    if (word == 0) {
        out.Null();
        return;
    }
    const std::string_view text(reinterpret_cast<const char*>(static_cast<uintptr_t>(word)));
    if (!Utf8::IsValid(text)) {
        out.BeginObject();
        out.Key("bytes");
        out.String(Hex::OfBytes(text));
        out.EndObject();
        return;
    }
    out.String(text);
}

void WriteKind(JsonWriter& out, ValueKind kind, std::span<const uint8_t> bytes, uint32_t offset,
               const NameWriter& names) {
    switch (kind) {
        case ValueKind::UInt8:
            return out.UInt(Load<uint8_t>(bytes, offset));
        case ValueKind::Int8:
            return out.Int(Load<int8_t>(bytes, offset));
        case ValueKind::UInt16:
            return out.UInt(Load<uint16_t>(bytes, offset));
        case ValueKind::Int16:
            return out.Int(Load<int16_t>(bytes, offset));
        case ValueKind::UInt32:
            return out.UInt(Load<uint32_t>(bytes, offset));
        case ValueKind::Int32:
            return out.Int(Load<int32_t>(bytes, offset));
        case ValueKind::Float:
            return out.Float(Load<uint32_t>(bytes, offset));
        case ValueKind::Bool: {
            // A byte other than 0 or 1 is written as the number it is.
            const auto byte = Load<uint8_t>(bytes, offset);
            return byte <= 1 ? out.Bool(byte == 1) : out.UInt(byte);
        }
        case ValueKind::Key32:
            return out.String(names.key(Load<uint32_t>(bytes, offset)));
        case ValueKind::Hash64:
            return out.String(names.hash64(Load<uint64_t>(bytes, offset)));
        case ValueKind::Text:
            return WriteText(out, Load<uint32_t>(bytes, offset));
        case ValueKind::Vector2:
        case ValueKind::Vector3:
        case ValueKind::Vector4:
        case ValueKind::Matrix:
            out.BeginArray();
            for (uint32_t i = 0; i < FloatCount(kind); ++i) {
                out.Float(Load<uint32_t>(bytes, offset + 4 * i));
            }
            return out.EndArray();
        case ValueKind::AxlePair:
        case ValueKind::FECarPartInfo:
        case ValueKind::JunkmanMod:
        case ValueKind::RefSpec:
        case ValueKind::StringKey:
            out.BeginObject();
            for (const Member& member : MembersOf(kind)) {
                out.Key(member.name);
                WriteKind(out, member.kind, bytes, offset + member.offset, names);
            }
            return out.EndObject();
    }
    out.Null();
}

}  // namespace

std::span<const HostType> HostTypes() {
    return kHostTypes;
}

std::span<const Member> MembersOf(ValueKind kind) {
    static constexpr std::array<Member, 2> kAxlePair{
        {{"Front", 0, ValueKind::Float}, {"Rear", 4, ValueKind::Float}}};
    static constexpr std::array<Member, 3> kCarPart{{{"Level", 0, ValueKind::Int32},
                                                     {"Rep", 4, ValueKind::Float},
                                                     {"Cost", 8, ValueKind::Float}}};
    static constexpr std::array<Member, 3> kJunkman{{{"ClassKey", 0, ValueKind::Key32},
                                                     {"DefinitionKey", 4, ValueKind::Key32},
                                                     {"Scale", 8, ValueKind::Float}}};
    // The third word of a reference is the host's own: a description gives it
    // with the field's "raw" bytes, when it is not zero.
    static constexpr std::array<Member, 2> kRefSpec{
        {{"Class", 0, ValueKind::Key32}, {"Collection", 4, ValueKind::Key32}}};
    static constexpr std::array<Member, 3> kStringKey{{{"Collision64", 0, ValueKind::Hash64},
                                                       {"Collision", 8, ValueKind::Key32},
                                                       {"Visual", 12, ValueKind::Text}}};
    switch (kind) {
        case ValueKind::AxlePair:
            return kAxlePair;
        case ValueKind::FECarPartInfo:
            return kCarPart;
        case ValueKind::JunkmanMod:
            return kJunkman;
        case ValueKind::RefSpec:
            return kRefSpec;
        case ValueKind::StringKey:
            return kStringKey;
        default:
            return {};
    }
}

uint32_t FloatCount(ValueKind kind) {
    switch (kind) {
        case ValueKind::Vector2:
            return 2;
        case ValueKind::Vector3:
            return 3;
        case ValueKind::Vector4:
            return 4;
        case ValueKind::Matrix:
            return 16;
        default:
            return 0;
    }
}

std::string KeyText(uint32_t key, std::optional<std::string_view> name) {
    return WritableName(name) ? std::string(*name) : fmt::format("0x{:08X}", key);
}

std::string Hash64Text(uint64_t hash, std::optional<std::string_view> text) {
    return WritableName(text) ? std::string(*text) : fmt::format("0x{:016X}", hash);
}

void WriteValue(JsonWriter& out, const HostType* type, std::span<const uint8_t> bytes,
                const NameWriter& names) {
    if (type != nullptr) {
        return WriteKind(out, type->kind, bytes, 0, names);
    }
    out.String(
        Hex::OfBytes(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())));
}

Json DecodeValue(const HostType* type, std::span<const uint8_t> bytes, const NameWriter& names) {
    std::string text;
    JsonWriter out(text);
    WriteValue(out, type, bytes, names);
    return Json::parse(text);
}

std::optional<uint32_t> FloatBitsOfText(std::string_view text) {
    if (text == "inf" || text == "-inf") {
        return text == "inf" ? 0x7F800000u : 0xFF800000u;
    }
    if (text == "nan") {
        return JsonWriter::kQuietNaN;
    }
    if (text == "-nan") {
        return JsonWriter::kQuietNaN | JsonWriter::kSignBit;
    }
    if (!text.starts_with("nan:0x") || text.size() != 14) {
        return std::nullopt;
    }
    const Hex::Number number = Hex::ReadDigits(text.substr(6));
    const auto bits = static_cast<uint32_t>(number.value);
    // A NaN: all exponent bits, and not all fraction bits clear ("nan:0x3F800000"
    // is 1, which has a form of its own).
    if (number.digits != 8 || (bits & 0x7F800000u) != 0x7F800000u || (bits & 0x007FFFFFu) == 0) {
        return std::nullopt;
    }
    return bits;
}

bool LeavesBytesOut(const HostType* type, std::span<const uint8_t> bytes) {
    return type != nullptr && type->kind == ValueKind::RefSpec && Load<uint32_t>(bytes, 8) != 0;
}

uint32_t LayoutAlignment(const HostType* type, uint32_t size, bool array) {
    const uint32_t natural = type != nullptr ? type->alignment : size >= 4 ? 4 : size >= 2 ? 2 : 1;
    return array ? std::max(natural, 4u) : natural;
}

uint32_t AlignUp(uint32_t value, uint32_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

}  // namespace rakor::Description
