#include "sandbox/HostValueCodec.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>
#include <unordered_map>

#include <fmt/format.h>

#include "hash/HexText.h"
#include "host/Utf8.h"
#include "sandbox/NameHash.h"

namespace rakor::Sandbox {
namespace {

using Json = nlohmann::ordered_json;
using Pointer = Json::json_pointer;

// The 21 host types. Alignment is the natural one of the widest member as the
// game's compiler lays it out: 64-bit hashes align to 8 there.
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

}  // namespace

std::span<const Member> MembersOf(ValueKind kind) {
    static constexpr std::array<Member, 2> kAxlePair{
        {{"Front", 0, ValueKind::Float}, {"Rear", 4, ValueKind::Float}}};
    static constexpr std::array<Member, 3> kCarPart{{{"Level", 0, ValueKind::Int32},
                                                     {"Rep", 4, ValueKind::Float},
                                                     {"Cost", 8, ValueKind::Float}}};
    static constexpr std::array<Member, 3> kJunkman{{{"ClassKey", 0, ValueKind::Key32},
                                                     {"DefinitionKey", 4, ValueKind::Key32},
                                                     {"Scale", 8, ValueKind::Float}}};
    // The third word of a reference is the host's own; descriptions leave it zero.
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

namespace {

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

std::string_view KindName(ValueKind kind) {
    switch (kind) {
        case ValueKind::UInt8:
            return "an unsigned 8-bit integer";
        case ValueKind::Int8:
            return "a signed 8-bit integer";
        case ValueKind::UInt16:
            return "an unsigned 16-bit integer";
        case ValueKind::Int16:
            return "a signed 16-bit integer";
        case ValueKind::UInt32:
            return "an unsigned 32-bit integer";
        case ValueKind::Int32:
            return "a signed 32-bit integer";
        default:
            return "a number";
    }
}

std::unordered_map<uint64_t, std::string>& RememberedTexts64() {
    static std::unordered_map<uint64_t, std::string> texts;
    return texts;
}
std::mutex& Texts64Mutex() {
    static std::mutex mutex;
    return mutex;
}

[[noreturn]] void Fail(const Pointer& where, const std::string& message) {
    throw DescriptionError(where.to_string(), message);
}

template <typename T>
void Store(std::span<uint8_t> out, uint32_t offset, T value) {
    std::memcpy(out.data() + offset, &value, sizeof(T));
}
template <typename T>
T Load(std::span<const uint8_t> bytes, uint32_t offset) {
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof(T));
    return value;
}

// "0x" and 1 to maxDigits hexadecimal digits, nothing else.
std::optional<uint64_t> ParseHexKey(std::string_view text, std::size_t maxDigits) {
    if (!text.starts_with("0x")) {
        return std::nullopt;
    }
    const std::string_view digits = text.substr(2);
    const Hex::Number number = Hex::ReadDigits(digits);
    if (digits.empty() || digits.size() > maxDigits || number.digits != digits.size()) {
        return std::nullopt;
    }
    return number.value;
}

const std::string& RequireString(const Json& value, const Pointer& where, std::string_view what) {
    if (!value.is_string()) {
        Fail(where, fmt::format("expected {}, found {}", what, value.type_name()));
    }
    return value.get_ref<const std::string&>();
}

uint32_t EncodeKey32(const Json& value, const Pointer& where) {
    return KeyOf(RequireString(value, where, "a name or \"0x\" and a key"), where);
}

uint64_t EncodeHash64(const Json& value, const Pointer& where) {
    return Hash64Of(RequireString(value, where, "a text or \"0x\" and a 64-bit hash"), where);
}

float EncodeFloat(const Json& value, const Pointer& where) {
    // JSON has no infinities or NaN; the dump writes them as these texts.
    if (value.is_string()) {
        const auto& text = value.get_ref<const std::string&>();
        if (text == "nan") {
            return std::numeric_limits<float>::quiet_NaN();
        }
        if (text == "inf" || text == "-inf") {
            const float infinity = std::numeric_limits<float>::infinity();
            return text == "inf" ? infinity : -infinity;
        }
    }
    if (!value.is_number()) {
        Fail(where, fmt::format("expected a number, found {}", value.type_name()));
    }
    // A whole number is rounded to a float once, not to a double first.
    if (value.is_number_unsigned()) {
        return static_cast<float>(value.get<uint64_t>());
    }
    if (value.is_number_integer()) {
        return static_cast<float>(value.get<int64_t>());
    }
    // Numbers from the largest float up to the middle between it and the
    // next power of two round to the largest float; from there on to infinity.
    const double number = value.get<double>();
    const double largest = std::numeric_limits<float>::max();
    const double roundsToInfinity = largest + std::ldexp(1.0, 103);
    if (!(std::fabs(number) < roundsToInfinity)) {
        Fail(where, fmt::format("{} is out of range for a float", value.dump()));
    }
    if (std::fabs(number) > largest) {
        return static_cast<float>(std::copysign(largest, number));
    }
    return static_cast<float>(number);
}

template <typename T>
T EncodeInteger(const Json& value, const Pointer& where, ValueKind kind) {
    if (!value.is_number_integer()) {
        Fail(where, fmt::format("expected {}, found {}", KindName(kind),
                                value.is_number() ? value.dump() : value.type_name()));
    }
    const bool fits =
        value.is_number_unsigned()
            ? value.get<uint64_t>() <= static_cast<uint64_t>(std::numeric_limits<T>::max())
            : value.get<int64_t>() >= std::numeric_limits<T>::min() &&
                  value.get<int64_t>() <= std::numeric_limits<T>::max();
    if (!fits) {
        Fail(where, fmt::format("{} is out of range for {} ({}..{})", value.dump(), KindName(kind),
                                +std::numeric_limits<T>::min(), +std::numeric_limits<T>::max()));
    }
    return value.is_number_unsigned() ? static_cast<T>(value.get<uint64_t>())
                                      : static_cast<T>(value.get<int64_t>());
}

// A text is a JSON string, or {"bytes": "..."} for one that is not UTF-8:
// a script saved in a Windows code page stores its bytes as they are.
uint32_t EncodeText(const Json& value, const Pointer& where, const TextMaker& makeText) {
    if (value.is_null()) {
        return 0;
    }
    if (value.is_object()) {
        const auto bytes = value.find("bytes");
        if (value.size() != 1 || bytes == value.end() || !bytes->is_string()) {
            Fail(where, "expected {\"bytes\": \"...\"} with the text's bytes in hexadecimal");
        }
        const std::optional<std::string> text = Hex::BytesOf(bytes->get_ref<const std::string&>());
        if (!text) {
            Fail(where / "bytes", "expected two hexadecimal digits per byte");
        }
        if (text->find('\0') != std::string::npos) {
            Fail(where / "bytes", "a text ends at its first zero byte: it cannot hold 00");
        }
        return makeText(*text);
    }
    return makeText(RequireString(value, where, "a text, {\"bytes\": \"...\"} or null"));
}

// A value of one kind at out[offset]; out holds at least the kind's size there.
void EncodeKind(ValueKind kind, const Json& value, const Pointer& where, std::span<uint8_t> out,
                uint32_t offset, const TextMaker& makeText) {
    switch (kind) {
        case ValueKind::UInt8:
            return Store(out, offset, EncodeInteger<uint8_t>(value, where, kind));
        case ValueKind::Int8:
            return Store(out, offset, EncodeInteger<int8_t>(value, where, kind));
        case ValueKind::UInt16:
            return Store(out, offset, EncodeInteger<uint16_t>(value, where, kind));
        case ValueKind::Int16:
            return Store(out, offset, EncodeInteger<int16_t>(value, where, kind));
        case ValueKind::UInt32:
            return Store(out, offset, EncodeInteger<uint32_t>(value, where, kind));
        case ValueKind::Int32:
            return Store(out, offset, EncodeInteger<int32_t>(value, where, kind));
        case ValueKind::Float:
            return Store(out, offset, EncodeFloat(value, where));
        case ValueKind::Bool:
            // A byte other than 0 or 1 is something only a dump writes, as a number.
            if (value.is_boolean()) {
                return Store(out, offset, static_cast<uint8_t>(value.get<bool>() ? 1 : 0));
            }
            if (value.is_number_integer()) {
                return Store(out, offset, EncodeInteger<uint8_t>(value, where, ValueKind::UInt8));
            }
            Fail(where, fmt::format("expected true or false, found {}", value.type_name()));
        case ValueKind::Key32:
            return Store(out, offset, EncodeKey32(value, where));
        case ValueKind::Hash64:
            return Store(out, offset, EncodeHash64(value, where));
        case ValueKind::Text:
            return Store(out, offset, EncodeText(value, where, makeText));
        case ValueKind::Vector2:
        case ValueKind::Vector3:
        case ValueKind::Vector4:
        case ValueKind::Matrix: {
            const uint32_t count = FloatCount(kind);
            if (!value.is_array() || value.size() != count) {
                Fail(where, fmt::format("expected a list of {} numbers, found {}", count,
                                        value.is_array() ? fmt::format("{} items", value.size())
                                                         : std::string(value.type_name())));
            }
            for (uint32_t i = 0; i < count; ++i) {
                Store(out, offset + 4 * i, EncodeFloat(value[i], where / i));
            }
            return;
        }
        case ValueKind::AxlePair:
        case ValueKind::FECarPartInfo:
        case ValueKind::JunkmanMod:
        case ValueKind::RefSpec:
        case ValueKind::StringKey: {
            const auto members = MembersOf(kind);
            if (!value.is_object()) {
                Fail(where,
                     fmt::format("expected an object of members, found {}", value.type_name()));
            }
            for (const auto& entry : value.items()) {
                // A named variable, not a structured binding: clang 14 cannot
                // capture bindings in the lambda below.
                const std::string& name = entry.key();
                const auto& item = entry.value();
                const auto member = std::find_if(members.begin(), members.end(),
                                                 [&](const Member& m) { return m.name == name; });
                if (member == members.end()) {
                    std::string known;
                    for (const Member& m : members) {
                        known += known.empty() ? "" : ", ";
                        known += m.name;
                    }
                    Fail(where / name, fmt::format("no member \"{}\" (members: {})", name, known));
                }
                EncodeKind(member->kind, item, where / name, out, offset + member->offset,
                           makeText);
            }
            return;
        }
    }
}

Json DecodeText(uint32_t word) {
    if (word == 0) {
        return nullptr;
    }
    std::string text(reinterpret_cast<const char*>(static_cast<uintptr_t>(word)));
    if (!Utf8::IsValid(text)) {
        return Json{{"bytes", Hex::OfBytes(text)}};
    }
    return text;
}

Json DecodeKind(ValueKind kind, std::span<const uint8_t> bytes, uint32_t offset) {
    switch (kind) {
        case ValueKind::UInt8:
            return Load<uint8_t>(bytes, offset);
        case ValueKind::Int8:
            return Load<int8_t>(bytes, offset);
        case ValueKind::UInt16:
            return Load<uint16_t>(bytes, offset);
        case ValueKind::Int16:
            return Load<int16_t>(bytes, offset);
        case ValueKind::UInt32:
            return Load<uint32_t>(bytes, offset);
        case ValueKind::Int32:
            return Load<int32_t>(bytes, offset);
        case ValueKind::Float:
            return FloatJson(Load<float>(bytes, offset));
        case ValueKind::Bool: {
            const auto byte = Load<uint8_t>(bytes, offset);
            return byte <= 1 ? Json(byte == 1) : Json(byte);
        }
        case ValueKind::Key32:
            return KeyText(Load<uint32_t>(bytes, offset));
        case ValueKind::Hash64:
            return Hash64Text(Load<uint64_t>(bytes, offset));
        case ValueKind::Text:
            return DecodeText(Load<uint32_t>(bytes, offset));
        case ValueKind::Vector2:
        case ValueKind::Vector3:
        case ValueKind::Vector4:
        case ValueKind::Matrix: {
            Json list = Json::array();
            for (uint32_t i = 0; i < FloatCount(kind); ++i) {
                list.push_back(FloatJson(Load<float>(bytes, offset + 4 * i)));
            }
            return list;
        }
        case ValueKind::AxlePair:
        case ValueKind::FECarPartInfo:
        case ValueKind::JunkmanMod:
        case ValueKind::RefSpec:
        case ValueKind::StringKey: {
            Json object = Json::object();
            for (const Member& member : MembersOf(kind)) {
                object[std::string(member.name)] =
                    DecodeKind(member.kind, bytes, offset + member.offset);
            }
            return object;
        }
    }
    return nullptr;
}

}  // namespace

const HostType* FindHostType(uint32_t typeKey) {
    // Hashed once, through the host hash, so the type names are remembered
    // and dumps show them in clear.
    static const std::unordered_map<uint32_t, const HostType*> byKey = [] {
        std::unordered_map<uint32_t, const HostType*> keys;
        for (const HostType& type : kHostTypes) {
            keys.emplace(HashName(type.name), &type);
        }
        return keys;
    }();
    const auto it = byKey.find(typeKey);
    return it == byKey.end() ? nullptr : it->second;
}

std::span<const HostType> HostTypes() {
    return kHostTypes;
}

uint32_t KeyOf(const std::string& name, const Pointer& where) {
    if (name.starts_with("0x")) {
        const auto key = ParseHexKey(name, 8);
        if (!key) {
            Fail(where, fmt::format("\"{}\" is not \"0x\" and 1 to 8 hexadecimal digits", name));
        }
        return static_cast<uint32_t>(*key);
    }
    return HashName(name);
}

std::string KeyText(uint32_t key) {
    if (auto name = NameOf(key); name && !name->starts_with("0x") && Utf8::IsValid(*name)) {
        return *std::move(name);
    }
    return fmt::format("0x{:08X}", key);
}

uint64_t HashText64(std::string_view text) {
    uint32_t hash = 2166136261u;
    for (const char ch : text) {
        hash = (hash ^ static_cast<uint8_t>(ch)) * 16777619u;
    }
    const std::lock_guard lock(Texts64Mutex());
    RememberedTexts64().try_emplace(hash, text);
    return hash;
}

uint64_t Hash64Of(const std::string& text, const Pointer& where) {
    if (text.starts_with("0x")) {
        const auto hash = ParseHexKey(text, 16);
        if (!hash) {
            Fail(where, fmt::format("\"{}\" is not \"0x\" and 1 to 16 hexadecimal digits", text));
        }
        return *hash;
    }
    return HashText64(text);
}

std::string Hash64Text(uint64_t hash) {
    {
        const std::lock_guard lock(Texts64Mutex());
        const auto& texts = RememberedTexts64();
        if (const auto it = texts.find(hash);
            it != texts.end() && !it->second.starts_with("0x") && Utf8::IsValid(it->second)) {
            return it->second;
        }
    }
    return fmt::format("0x{:016X}", hash);
}

Json FloatJson(float value) {
    if (std::isnan(value)) {
        return "nan";
    }
    if (std::isinf(value)) {
        return value > 0 ? "inf" : "-inf";
    }
    // JSON's "-0" is the whole number 0: the sign is kept as -0.0.
    if (value == 0 && std::signbit(value)) {
        return -0.0;
    }
    // {fmt}'s default float format is the shortest text that reads back as
    // the same float; read as JSON it stays that text when dumped (1.5, 2,
    // 0.1), where widening the float to double would give 0.10000000149011612.
    // (A description read from that text gets the float back: see
    // ParseOrderedJson.)
    return Json::parse(fmt::format("{}", value));
}

void EncodeValue(const HostType* type, const Json& value, const Pointer& where,
                 std::span<uint8_t> out, const TextMaker& makeText) {
    std::fill(out.begin(), out.end(), uint8_t{0});
    if (type != nullptr) {
        return EncodeKind(type->kind, value, where, out, 0, makeText);
    }
    const std::string& text = RequireString(value, where, "a string of hexadecimal bytes");
    if (text.size() != 2 * out.size()) {
        Fail(where, fmt::format("expected {} hexadecimal digits ({} bytes), found {}",
                                2 * out.size(), out.size(), text.size()));
    }
    const std::optional<std::string> bytes = Hex::BytesOf(text);
    if (!bytes) {
        Fail(where, fmt::format("\"{}\" is not a string of hexadecimal bytes", text));
    }
    std::copy(bytes->begin(), bytes->end(), out.begin());
}

Json DecodeValue(const HostType* type, std::span<const uint8_t> bytes) {
    if (type != nullptr) {
        return DecodeKind(type->kind, bytes, 0);
    }
    return Hex::OfBytes(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace rakor::Sandbox
