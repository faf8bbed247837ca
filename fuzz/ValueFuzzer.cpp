// Parses arbitrary text into a value of each of the 21 host types, and into
// every member of the structured ones, bound to storage that lies between
// guard bytes at any byte offset (host storage is aligned to 4 at most, array
// elements to less). A value may write its own bytes only, and a Parse that
// refuses the text must leave them exactly as they were. An integer that was
// stored must read back as text that stores the same bytes again.
//
// Input: the first byte picks the type (its value modulo 21, in the order of
// the list below) and the offset (the rest of its value), the rest is the
// text.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <typeindex>
#include <vector>

#include "hash/HashResolver.h"
#include "host/HostStorage.h"
#include "sandbox/NameHash.h"
#include "typedb/AttribTypeRegistry.h"
#include "typedb/KeyStructures.h"

namespace {

using rakor::Attrib::AttribTypeRegistry;
using rakor::Attrib::Hash32;
using rakor::Attrib::IAttribType;
using rakor::Attrib::ITypedValue;

constexpr std::size_t kGuardSize = 16;
constexpr std::size_t kMaxShift = 8;
constexpr uint8_t kGuardByte = 0xA5;

struct TypeUnderTest {
    std::string name;
    std::shared_ptr<IAttribType> type;
    std::size_t width;  // the bytes a value of the type may write
    bool integer;       // its text form reads back as the same bytes
};

std::vector<TypeUnderTest> TypesUnderTest() {
    const struct {
        const char* name;
        bool integer;
    } names[] = {
        {"KQ::Reflection::UInt8", true},
        {"KQ::Reflection::Int8", true},
        {"KQ::Reflection::UInt16", true},
        {"KQ::Reflection::Int16", true},
        {"KQ::Reflection::UInt32", true},
        {"KQ::Reflection::Int32", true},
        {"KQ::Reflection::Float", false},
        {"KQ::Reflection::Bool", false},
        {"KQ::Reflection::Text", false},
        {"Attrib::StringHashWrapper32", false},
        {"Attrib::StringHashWrapper64", false},
        {"Attrib::StringKey", false},
        {"Attrib::RefSpec", false},
        {"Attrib::Types::Vector2", false},
        {"Attrib::Types::Vector3", false},
        {"Attrib::Types::Vector4", false},
        {"Attrib::Types::Matrix", false},
        {"AxlePair", false},
        {"GCollectionKey", false},
        {"FECarPartInfo", false},
        {"JunkmanMod", false},
    };
    std::vector<TypeUnderTest> types;
    for (const auto& [name, integer] : names) {
        auto type = AttribTypeRegistry::Instance().FindType(Hash32(name));
        if (!type) {
            std::fprintf(stderr, "type %s is not registered\n", name);
            std::abort();
        }
        // The 8-bit types share the 16-bit storage types, but their fields
        // and packed elements are one byte wide.
        const bool eightBit = std::string(name).ends_with("Int8");
        types.push_back({name, type, eightBit ? 1u : type->GetSize(), integer});
    }
    return types;
}

[[noreturn]] void Finding(const TypeUnderTest& type, const char* what) {
    std::fprintf(stderr, "%s: %s\n", type.name.c_str(), what);
    std::abort();
}

// Storage between guards; the field starts `shift` bytes after the first guard.
class GuardedField {
public:
    GuardedField(const TypeUnderTest& type, std::size_t shift)
        : type_(type),
          shift_(shift),
          bytes_(kGuardSize + shift + type.width + kGuardSize, kGuardByte) {
        std::memset(Storage(), 0, type.width);
        // A fresh value's bytes, as a new array element gets them.
        type.type->BindValue(Storage())->Construct();
    }

    void* Storage() { return bytes_.data() + kGuardSize + shift_; }
    std::vector<uint8_t> Field() { return {Start(), Start() + type_.width}; }

    void CheckGuards() const {
        for (std::size_t i = 0; i < bytes_.size(); ++i) {
            const bool inField = i >= kGuardSize + shift_ && i < kGuardSize + shift_ + type_.width;
            if (!inField && bytes_[i] != kGuardByte) {
                Finding(type_, "wrote outside its own bytes");
            }
        }
    }

    // The library hands the texts it stores to the host, which keeps them;
    // here the fuzzer is the host, and frees them with the field.
    void KeepNewTexts(const std::vector<uint8_t>& before) {
        const auto keepIfNew = [&](std::size_t offset) {
            char* const now = rakor::Host::LoadFrom<char*>(Start() + offset);
            if (now != rakor::Host::LoadFrom<char*>(before.data() + offset)) {
                texts_.push_back(now);
            }
        };
        const std::type_index native = type_.type->GetNativeType();
        if (native == std::type_index(typeid(char*))) {
            keepIfNew(0);
        } else if (native == std::type_index(typeid(rakor::Attrib::StringKey))) {
            keepIfNew(offsetof(rakor::Attrib::StringKey, visual));
        }
    }

    ~GuardedField() {
        for (char* text : texts_) {
            std::free(text);
        }
    }
    GuardedField(const GuardedField&) = delete;
    GuardedField& operator=(const GuardedField&) = delete;

private:
    uint8_t* Start() { return bytes_.data() + kGuardSize + shift_; }

    const TypeUnderTest& type_;
    std::size_t shift_;
    std::vector<uint8_t> bytes_;
    std::vector<char*> texts_;
};

// One Parse, held to the rules above.
void ParseInto(GuardedField& field, const TypeUnderTest& type, ITypedValue& value,
               const std::string& text) {
    const std::vector<uint8_t> before = field.Field();
    bool stored = false;
    try {
        stored = value.Parse(text);
    } catch (const std::invalid_argument&) {
        // A name written as a key that is not one ("0xZZ"): the hash's own
        // error passes through Parse, a refusal all the same.
    } catch (const std::out_of_range&) {
        // The same for a key beyond 32 bits ("0x123456789").
    }
    field.CheckGuards();
    if (!stored && field.Field() != before) {
        Finding(type, "a refused Parse changed the field");
    }
    field.KeepNewTexts(before);
}

void FuzzType(const TypeUnderTest& type, std::size_t shift, const std::string& text) {
    GuardedField field(type, shift);
    const auto value = type.type->BindValue(field.Storage());
    ParseInto(field, type, *value, text);
    // Reading back must not fault, whatever was stored.
    const auto shown = value->ToString();
    value->ToUInt64();
    value->ToDouble();
    if (type.integer && shown) {
        const std::vector<uint8_t> stored = field.Field();
        if (!value->Parse(*shown) || field.Field() != stored) {
            Finding(type, "its text form does not read back as the same value");
        }
    }
    for (const auto& [memberKey, elements] : value->GetMembers()) {
        for (const auto& member : elements) {
            ParseInto(field, type, *member, text);
            member->ToString();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static const std::vector<TypeUnderTest> types = TypesUnderTest();
    if (size == 0) {
        return 0;
    }
    // Every text a name type parses is remembered; emptied, the tables stay small.
    rakor::Attrib::HashResolver::ResetForTesting();
    rakor::Sandbox::ForgetNames();
    const TypeUnderTest& type = types[data[0] % types.size()];
    const std::size_t shift = (data[0] / types.size()) % kMaxShift;
    FuzzType(type, shift, std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
    return 0;
}
