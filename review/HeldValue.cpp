#include "review/HeldValue.h"

#include <span>

#include <fmt/format.h>

#include "automation/FieldLookup.h"
#include "review/DatabaseNames.h"
#include "sandbox/Database.h"
#include "sandbox/HostValueCodec.h"

namespace vxmod {
namespace sandbox = rakor::Sandbox;

namespace {

// Of a long array, the first elements say enough.
constexpr uint32_t kElementsShown = 8;

std::string Text(const nlohmann::ordered_json& value, std::string_view member) {
    if (!member.empty() && value.is_object()) {
        const auto found = value.find(std::string(member));
        return found != value.end() ? found->dump() : std::string("(no such member)");
    }
    return value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace

std::optional<HeldValue> ValueHeld(uint32_t classKey, uint32_t collectionKey, uint32_t fieldKey,
                                   int32_t element, std::string_view member) {
    const sandbox::Database* db = sandbox::Database::Current();
    const auto cls = db != nullptr ? db->FindClass(classKey) : std::nullopt;
    const auto collection = cls ? cls->FindCollection(collectionKey) : std::nullopt;
    if (!collection) {
        return std::nullopt;
    }
    const rakor::Attrib::Automation::FieldLocation location =
        rakor::Attrib::Automation::LocateField(
            reinterpret_cast<rakor::Host::CollectionRecord*>(collection->Record()),
            rakor::Attrib::Hash32(fieldKey));
    if (location.storage == nullptr) {
        return std::nullopt;
    }
    HeldValue held;
    const auto owner = db->CollectionAt(location.owner);
    held.holder = owner ? DatabaseName(owner->GetKey()) : std::string("?");
    held.inherited =
        location.owner != reinterpret_cast<rakor::Host::CollectionRecord*>(collection->Record());
    const sandbox::HostType* type = sandbox::FindHostType(location.typeKey.GetValue());
    if (type == nullptr) {
        held.text = "(a value of a type the loader does not know)";
        return held;
    }
    const auto valueAt = [&](const uint8_t* at) {
        return Text(sandbox::DecodeValue(type, std::span<const uint8_t>(at, type->size)), member);
    };
    if (!location.isArray) {
        held.text = valueAt(static_cast<const uint8_t*>(location.storage));
        return held;
    }
    const auto& array = *static_cast<const sandbox::ArrayHeader*>(location.storage);
    if (element >= 0) {
        held.text =
            static_cast<uint32_t>(element) < array.count
                ? valueAt(array.Elements() + static_cast<uint32_t>(element) * array.ElementSize())
                : fmt::format("(no element [{}]: the array has {})", element, array.count);
        return held;
    }
    std::string elements;
    for (uint32_t i = 0; i < array.count && i < kElementsShown; ++i) {
        elements += (i == 0 ? "" : ", ") + valueAt(array.Elements() + i * array.ElementSize());
    }
    held.text =
        fmt::format("[{}{}] ({} element{})", elements, array.count > kElementsShown ? ", ..." : "",
                    array.count, array.count == 1 ? "" : "s");
    return held;
}

}  // namespace vxmod
