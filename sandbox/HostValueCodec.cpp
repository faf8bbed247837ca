#include "sandbox/HostValueCodec.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>
#include <unordered_map>

#include <fmt/format.h>

#include "hash/HexText.h"
#include "sandbox/NameHash.h"

namespace rakor::Sandbox {
namespace {

using Json = nlohmann::ordered_json;
using Pointer = Json::json_pointer;

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

// The float's bits: a NaN must not pass through the x87 registers of a
// 32-bit build, which make a signalling NaN quiet.
uint32_t EncodeFloat(const Json& value, const Pointer& where) {
    // JSON has no infinities or NaN; the dump writes them as texts.
    if (value.is_string()) {
        if (const auto bits = Description::FloatBitsOfText(value.get_ref<const std::string&>())) {
            return *bits;
        }
    }
    if (!value.is_number()) {
        Fail(where, fmt::format("expected a number, found {}", value.type_name()));
    }
    // A whole number is rounded to a float once, not to a double first.
    if (value.is_number_unsigned()) {
        return std::bit_cast<uint32_t>(static_cast<float>(value.get<uint64_t>()));
    }
    if (value.is_number_integer()) {
        return std::bit_cast<uint32_t>(static_cast<float>(value.get<int64_t>()));
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
        return std::bit_cast<uint32_t>(static_cast<float>(std::copysign(largest, number)));
    }
    return std::bit_cast<uint32_t>(static_cast<float>(number));
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
            const uint32_t count = Description::FloatCount(kind);
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
            // A text address is the loader's to make: none unless the value gives one.
            if (kind == ValueKind::StringKey) {
                Store(out, offset + 12, uint32_t{0});
            }
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

}  // namespace

const HostType* FindHostType(uint32_t typeKey) {
    // Hashed once, through the host hash, so the type names are remembered
    // and dumps show them in clear.
    static const std::unordered_map<uint32_t, const HostType*> byKey = [] {
        std::unordered_map<uint32_t, const HostType*> keys;
        for (const HostType& type : HostTypes()) {
            keys.emplace(HashName(type.name), &type);
        }
        return keys;
    }();
    const auto it = byKey.find(typeKey);
    return it == byKey.end() ? nullptr : it->second;
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
    return Description::KeyText(key, NameOf(key));
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
    const std::lock_guard lock(Texts64Mutex());
    const auto& texts = RememberedTexts64();
    const auto it = texts.find(hash);
    return Description::Hash64Text(
        hash, it == texts.end() ? std::nullopt : std::optional<std::string_view>(it->second));
}

const Description::NameWriter& SandboxNames() {
    static const Description::NameWriter kNames{[](uint32_t key) -> std::string_view {
                                                    thread_local std::string name;
                                                    name = KeyText(key);
                                                    return name;
                                                },
                                                [](uint64_t hash) -> std::string_view {
                                                    thread_local std::string text;
                                                    text = Hash64Text(hash);
                                                    return text;
                                                }};
    return kNames;
}

void EncodeValue(const HostType* type, const Json& value, const Pointer& where,
                 std::span<uint8_t> out, const TextMaker& makeText, bool overBytes) {
    if (!overBytes) {
        std::fill(out.begin(), out.end(), uint8_t{0});
    }
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
    return Description::DecodeValue(type, bytes, SandboxNames());
}

}  // namespace rakor::Sandbox
