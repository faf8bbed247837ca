#include "review/References.h"

#include <array>
#include <cstring>
#include <string_view>

#include <fmt/format.h>

#include "automation/FieldLookup.h"
#include "host/HostApi.h"
#include "sandbox/Database.h"
#include "typedb/IAttribType.h"

namespace vxmod {
namespace {

// The types whose members name a class and a collection of that class.
struct ReferenceType {
    std::string_view type;
    std::string_view classMember;
    std::string_view collectionMember;
};
constexpr std::array kReferenceTypes{
    ReferenceType{"Attrib::RefSpec", "Class", "Collection"},
    ReferenceType{"JunkmanMod", "ClassKey", "DefinitionKey"},
};

// Where a member lies in a value of the type.
std::ptrdiff_t MemberAt(const rakor::Attrib::ITypedValue& value, std::string_view member) {
    const rakor::Attrib::MemberMap members = value.GetMembers();
    const auto found = members.find(rakor::Attrib::Hash32(member));
    if (found == members.end() || found->second.empty()) {
        return 0;
    }
    return static_cast<const char*>(found->second.front()->GetStorage()) -
           static_cast<const char*>(value.GetStorage());
}

uint32_t KeyAt(const void* storage, std::ptrdiff_t at) {
    uint32_t key = 0;
    std::memcpy(&key, static_cast<const char*>(storage) + at, sizeof key);
    return key;
}

}  // namespace

const References::NamesAt& References::PlaceOfNames(const rakor::Attrib::IAttribType& type,
                                                    std::string_view classMember,
                                                    std::string_view collectionMember) {
    const auto [known, added] = namesAt_.try_emplace(&type);
    if (added) {
        const auto trial = type.CreateValue();
        known->second = {MemberAt(*trial, classMember), MemberAt(*trial, collectionMember)};
    }
    return known->second;
}

void References::Set(const LinePlace& place, const ReviewedLine& line, const EditTarget& target) {
    const auto& a = line.arguments;
    const auto& facts = line.facts;
    if (!a.hasMember || facts.type == nullptr) {
        return;
    }
    const ReferenceType* reference = nullptr;
    for (const ReferenceType& candidate : kReferenceTypes) {
        if (facts.type->Row().name == candidate.type) {
            reference = &candidate;
        }
    }
    if (reference == nullptr ||
        (a.member != reference->classMember && a.member != reference->collectionMember)) {
        return;
    }
    // Both names as the line left the value, found as the line found it.
    const auto location = rakor::Attrib::Automation::LocateField(
        facts.collection, rakor::Attrib::Hash32(facts.fieldKey));
    void* storage = location.isArray ? rakor::Host::GetArrayElement(
                                           location.storage, static_cast<uint32_t>(facts.element))
                                     : location.storage;
    if (storage == nullptr) {
        return;
    }
    const NamesAt& at =
        PlaceOfNames(*facts.type, reference->classMember, reference->collectionMember);

    EditTarget whole = target;
    whole.member = -1;
    const auto [index, added] = index_.try_emplace(whole, static_cast<uint32_t>(named_.size()));
    if (added) {
        named_.push_back({.field = std::string(line.field.name),
                          .classMember = std::string(reference->classMember),
                          .collectionMember = std::string(reference->collectionMember)});
    }
    Named& named = named_[index->second];
    named.classKey = KeyAt(storage, at.classAt);
    named.collectionKey = KeyAt(storage, at.collectionAt);
    (a.member == reference->classMember ? named.classSetAt : named.collectionSetAt) = place;
}

std::vector<Diagnostic> References::Warnings(DatabaseNames& names, const ConflictTracker& places,
                                             const ConflictTracker::ShownAt& shown) const {
    std::vector<Diagnostic> warnings;
    const rakor::Sandbox::Database* db = rakor::Sandbox::Database::Current();
    if (db == nullptr) {
        return warnings;
    }
    const auto warn = [&](const LinePlace& at, std::string message) {
        warnings.push_back({places.ScriptPath(at), at.line, Diagnostic::Severity::Warning,
                            std::move(message), FindingKind::Reference});
    };
    for (const Named& named : named_) {
        const std::string className = DatabaseName(named.classKey);
        const auto cls = db->FindClass(named.classKey);
        if (!cls) {
            if (named.classSetAt && shown(*named.classSetAt)) {
                warn(*named.classSetAt,
                     fmt::format("'{}' of '{}' names '{}', but there is no class '{}'{}",
                                 named.classMember, named.field, className, className,
                                 names.ClassSuggestion(className)));
            }
            continue;
        }
        if (named.collectionSetAt && !cls->FindCollection(named.collectionKey) &&
            shown(*named.collectionSetAt)) {
            const std::string collection = DatabaseName(named.collectionKey);
            warn(*named.collectionSetAt,
                 fmt::format("'{}' of '{}' names '{}', but class '{}' has no collection '{}' when "
                             "every script has run{}",
                             named.collectionMember, named.field, collection, className, collection,
                             names.CollectionSuggestion(named.classKey, collection)));
        }
    }
    return warnings;
}

}  // namespace vxmod
