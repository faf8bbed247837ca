#include "ClassDiff.h"

#include <algorithm>
#include <unordered_set>

#include <fmt/format.h>

#include "hash/HexText.h"

namespace vxmod {
namespace sandbox = rakor::Sandbox;
using sandbox::ValueKind;

namespace {

const Json& Member(const Json& object, const char* key) {
    static const Json kNone = Json::object();
    const auto found = object.find(key);
    return found == object.end() ? kNone : *found;
}

// The name of the collection's parent in its own class; null without one, or
// for a parent of another class (written {"class": ..., "collection": ...}).
const std::string* ParentInClass(const Json& collection) {
    const auto parent = collection.find("parent");
    return parent != collection.end() && parent->is_string()
               ? &parent->get_ref<const std::string&>()
               : nullptr;
}

const Json& Items(const Json& array) {
    return array.is_object() ? array["items"] : array;
}

// Whether two values of a kind are the same in host memory: names and 64-bit
// hashes by the key they stand for, not by how each dump writes them (one
// dump may know the name that the other shows as "0x...").
bool SameValue(ValueKind kind, const Json& before, const Json& after) {
    if (!before.is_string() || !after.is_string()) {
        if (!before.is_object() || !after.is_object()) {
            return before == after;
        }
        const auto members = sandbox::MembersOf(kind);
        if (members.empty()) {
            return before == after;
        }
        return std::all_of(members.begin(), members.end(), [&](const sandbox::Member& member) {
            const std::string name(member.name);
            return before.contains(name) && after.contains(name) &&
                   SameValue(member.kind, before[name], after[name]);
        });
    }
    const auto& a = before.get_ref<const std::string&>();
    const auto& b = after.get_ref<const std::string&>();
    if (kind == ValueKind::Key32) {
        return sandbox::KeyOf(a, Json::json_pointer()) == sandbox::KeyOf(b, Json::json_pointer());
    }
    if (kind == ValueKind::Hash64) {
        return sandbox::Hash64Of(a, Json::json_pointer()) ==
               sandbox::Hash64Of(b, Json::json_pointer());
    }
    return a == b;
}

}  // namespace

MemberIndex IndexOf(const Json& object) {
    MemberIndex index;
    index.reserve(object.size());
    for (const auto& [name, value] : object.items()) {
        index.emplace(name, &value);
    }
    return index;
}

ClassDiff::ClassDiff(std::string name, const Json& before, const Json& after, DiffScript& script)
    : name_(std::move(name)),
      before_(before),
      after_(after),
      script_(script),
      beforeCollections_(IndexOf(Member(before, "collections"))),
      afterCollections_(IndexOf(Member(after, "collections"))) {}

void ClassDiff::Write() {
    if (!ReadFields()) {
        return;
    }
    for (const auto& [collection, unused] : Member(before_, "collections").items()) {
        if (!afterCollections_.contains(collection)) {
            script_.Cannot(fmt::format("remove the collection '{}'->'{}'", name_, collection));
        }
    }
    for (const std::string_view collection : ParentsFirst()) {
        const auto before = beforeCollections_.find(collection);
        WriteCollection(std::string(collection), *afterCollections_.at(collection),
                        before != beforeCollections_.end() ? before->second : nullptr);
    }
}

bool ClassDiff::ReadFields() {
    const Json& before = Member(before_, "fields");
    const Json& after = Member(after_, "fields");
    const MemberIndex beforeFields = IndexOf(before);
    const MemberIndex afterFields = IndexOf(after);
    bool same = true;
    for (const auto& [field, description] : after.items()) {
        const auto was = beforeFields.find(field);
        if (was == beforeFields.end() || *was->second != description) {
            script_.Cannot(fmt::format("{} the field '{}' of class '{}'",
                                       was != beforeFields.end() ? "change" : "add", field, name_));
            same = false;
        }
    }
    for (const auto& [field, description] : before.items()) {
        if (!afterFields.contains(field)) {
            script_.Cannot(fmt::format("remove the field '{}' of class '{}'", field, name_));
            same = false;
        }
    }
    if (!same) {
        return false;
    }
    for (const auto& [field, description] : after.items()) {
        FieldInfo info;
        info.type =
            sandbox::FindHostType(sandbox::KeyOf(description["type"], Json::json_pointer()));
        info.layout = description.value("storage", "entry") == "layout";
        info.array = description.value("array", false);
        if (description.contains("capacity")) {
            info.capacity = description["capacity"].get<uint32_t>();
        }
        fields_.emplace_back(field, info);
    }
    return true;
}

// The collections of the after dump, each after its parent.
std::vector<std::string_view> ClassDiff::ParentsFirst() const {
    std::vector<std::string_view> ordered;
    ordered.reserve(afterCollections_.size());
    std::unordered_set<std::string_view> placed;
    std::vector<std::string_view> chain;
    for (const auto& [name, unused] : Member(after_, "collections").items()) {
        // Up the parents to the first one placed, then placed from the top down.
        for (std::string_view at = name; !placed.contains(at);) {
            chain.push_back(at);
            const std::string* parent = ParentInClass(*afterCollections_.at(at));
            if (parent == nullptr || !afterCollections_.contains(*parent)) {
                break;
            }
            at = *parent;
        }
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            if (placed.insert(*it).second) {
                ordered.push_back(*it);
            }
        }
        chain.clear();
    }
    return ordered;
}

// A layout value as the collection holds it: its own, else what it copied
// from its parent, else zero.
Json ClassDiff::LayoutValue(const MemberIndex& collections, std::string_view collection,
                            const std::string& field) const {
    for (auto at = collections.find(collection); at != collections.end();) {
        const Json& values = Member(*at->second, "values");
        if (const auto value = values.find(field); value != values.end()) {
            return *value;
        }
        // A parent of another class gave the block nothing: it started as zeros.
        const std::string* parent = ParentInClass(*at->second);
        if (parent == nullptr) {
            break;
        }
        at = collections.find(*parent);
    }
    return nullptr;  // zero bytes
}

void ClassDiff::WriteCollection(const std::string& collection, const Json& after,
                                const Json* before) {
    const std::string prefix = NameWord(name_) + " " + NameWord(collection);
    const Json none;
    const auto parentOf = [&](const Json& side) -> const Json& {
        const auto parent = side.find("parent");
        return parent == side.end() ? none : *parent;
    };
    if (before != nullptr && parentOf(*before) != parentOf(after)) {
        script_.Cannot(fmt::format("give '{}'->'{}' another parent", name_, collection));
        return;
    }
    if (before == nullptr) {
        const std::string* parent = ParentInClass(after);
        if (parent == nullptr) {
            script_.Cannot(fmt::format("make '{}'->'{}', which has no parent{}", name_, collection,
                                       after.contains("parent") ? " in its class" : ""));
            return;
        }
        script_.Line(fmt::format("add_node {} {} {}", NameWord(name_), NameWord(*parent),
                                 NameWord(collection)));
    }
    const Json& beforeValues = before != nullptr ? Member(*before, "values") : Json::object();
    const Json& afterValues = Member(after, "values");
    for (const auto& [field, info] : fields_) {
        const std::string where = fmt::format("'{}'->'{}'.'{}'", name_, collection, field);
        if (info.layout) {
            // A new collection starts with its parent's block as it is now.
            const Json was = before != nullptr
                                 ? LayoutValue(beforeCollections_, collection, field)
                                 : LayoutValue(afterCollections_, *ParentInClass(after), field);
            const Json now = LayoutValue(afterCollections_, collection, field);
            if (!SameField(info, was, now)) {
                WriteValue(prefix, field, info, was, now, where);
            }
            continue;
        }
        const auto had = beforeValues.find(field);
        const auto has = afterValues.find(field);
        if (has != afterValues.end() && had == beforeValues.end()) {
            script_.Cannot(fmt::format(
                "give {} a value of its own (a script sets the value where it is held)", where));
        } else if (had != beforeValues.end() && has == afterValues.end()) {
            script_.Cannot(fmt::format("take the value of its own from {}", where));
        } else if (has != afterValues.end() && !SameField(info, *had, *has)) {
            WriteValue(prefix, field, info, *had, *has, where);
        }
    }
}

uint32_t ClassDiff::Capacity(const FieldInfo& info, const Json& array) const {
    if (array.is_object() && array.contains("capacity")) {
        return array["capacity"].get<uint32_t>();
    }
    return info.capacity.value_or(static_cast<uint32_t>(Items(array).size()));
}

bool ClassDiff::SameField(const FieldInfo& info, const Json& before, const Json& after) const {
    if (info.type == nullptr || before.is_null() || after.is_null()) {
        return before == after;
    }
    if (!info.array) {
        return SameValue(info.type->kind, before, after);
    }
    const auto shape = [](const Json& array, const char* key) {
        return array.is_object() ? array.value(key, Json()) : Json();
    };
    const Json& was = Items(before);
    const Json& now = Items(after);
    if (shape(before, "capacity") != shape(after, "capacity") ||
        shape(before, "elementSize") != shape(after, "elementSize") || was.size() != now.size()) {
        return false;
    }
    for (std::size_t i = 0; i < now.size(); ++i) {
        if (!SameValue(info.type->kind, was[i], now[i])) {
            return false;
        }
    }
    return true;
}

void ClassDiff::WriteValue(const std::string& prefix, const std::string& field,
                           const FieldInfo& info, const Json& before, const Json& after,
                           const std::string& where) {
    if (info.type == nullptr || before.is_null() || after.is_null()) {
        script_.Cannot(fmt::format("set {} to {}", where, after.dump()));
        return;
    }
    if (!info.array) {
        WriteKind(prefix + " " + NameWord(field), info.type->kind, before, after, where);
        return;
    }
    const Json& was = Items(before);
    const Json& now = Items(after);
    const bool resized = was.size() != now.size();
    const uint32_t capacity = resized ? static_cast<uint32_t>(now.size()) : Capacity(info, before);
    if ((before.is_object() ? before.value("elementSize", 0) : 0) !=
            (after.is_object() ? after.value("elementSize", 0) : 0) ||
        Capacity(info, after) != capacity || (resized && info.layout)) {
        script_.Cannot(fmt::format("give {} the array {}", where, after.dump()));
        return;
    }
    if (resized) {
        script_.Line(fmt::format("resize_field {} {} {}", prefix, NameWord(field), now.size()));
    }
    // New elements start as zero bytes.
    std::vector<uint8_t> zeroBytes(info.type->size);
    const Json zero = sandbox::DecodeValue(info.type, zeroBytes);
    for (std::size_t i = 0; i < now.size(); ++i) {
        const Json& old = i < was.size() ? was[i] : zero;
        if (!SameValue(info.type->kind, old, now[i])) {
            WriteKind(fmt::format("{} {}[{}]", prefix, NameWord(field), i), info.type->kind, old,
                      now[i], fmt::format("{}[{}]", where, i));
        }
    }
}

// One value of a kind; structures and vectors member by member.
void ClassDiff::WriteKind(const std::string& target, ValueKind kind, const Json& before,
                          const Json& after, const std::string& where) {
    static constexpr const char* kAxes[] = {"X", "Y", "Z", "W"};
    if (kind == ValueKind::Vector2 || kind == ValueKind::Vector3 || kind == ValueKind::Vector4) {
        for (std::size_t i = 0; i < after.size(); ++i) {
            if (before[i] != after[i]) {
                WriteText(fmt::format("{} {}", target, kAxes[i]), ValueKind::Float, after[i],
                          fmt::format("{}['{}']", where, kAxes[i]));
            }
        }
        return;
    }
    const auto members = sandbox::MembersOf(kind);
    if (members.empty()) {
        WriteText(target, kind, after, where);
        return;
    }
    for (const sandbox::Member& member : members) {
        const std::string name(member.name);
        if (!SameValue(member.kind, before[name], after[name])) {
            WriteText(fmt::format("{} {}", target, name), member.kind, after[name],
                      fmt::format("{}['{}']", where, name));
        }
    }
}

// The value word of an update_field line, when a script can write it.
void ClassDiff::WriteText(const std::string& target, ValueKind kind, const Json& value,
                          const std::string& where) {
    std::optional<std::string> word;
    switch (kind) {
        case ValueKind::UInt8:
        case ValueKind::Int8:
        case ValueKind::UInt16:
        case ValueKind::Int16:
        case ValueKind::UInt32:
        case ValueKind::Int32:
        case ValueKind::Float:
            // The dump's numbers are the shortest texts that read back the same.
            if (value.is_number()) {
                word = value.dump();
            }
            break;
        case ValueKind::Bool:
            if (value.is_boolean()) {
                word = value.get<bool>() ? "True" : "False";
            }
            break;
        case ValueKind::Key32:
            // A collection key (GCollectionKey) is Key32 too, but cannot be
            // set: only the hash wrappers and members come here with a name.
            // A key the dump wrote as "0x..." may have a name by now, which
            // the other database gave it.
            if (value.is_string()) {
                const std::string name = sandbox::KeyText(
                    sandbox::KeyOf(value.get_ref<const std::string&>(), Json::json_pointer()));
                word = name.starts_with("0x") ? name : NameWord(name);
            }
            break;
        case ValueKind::Hash64:
            // A script gives the text, never the hash itself: a hash the dump
            // wrote as "0x..." needs the text the other database gave it.
            if (value.is_string()) {
                const std::string text = sandbox::Hash64Text(
                    sandbox::Hash64Of(value.get_ref<const std::string&>(), Json::json_pointer()));
                if (!text.starts_with("0x") && IsWord(text)) {
                    word = text;
                }
            }
            break;
        case ValueKind::Text:
            if (value == "") {
                word = "\"\"";
            } else if (value.is_string() && IsWord(value)) {
                word = value;
            } else if (value.is_object() && value.contains("bytes")) {
                const auto bytes =
                    rakor::Hex::BytesOf(value["bytes"].get_ref<const std::string&>());
                if (bytes && IsWord(*bytes)) {
                    word = *bytes;
                }
            }
            break;
        default:
            break;
    }
    if (!word) {
        script_.Cannot(fmt::format("set {} to {}", where,
                                   value.dump(-1, ' ', false, Json::error_handler_t::replace)));
        return;
    }
    script_.Line(fmt::format("update_field {} {}", target, *word));
}

}  // namespace vxmod
