#include "review/DatabaseNames.h"

#include "hash/Hashes.h"
#include "host/HostApi.h"
#include "review/NameParts.h"
#include "sandbox/Database.h"
#include "sandbox/NameHash.h"

namespace vxmod {
namespace sandbox = rakor::Sandbox;

std::string DatabaseName(uint32_t key) {
    const auto name = sandbox::NameOf(key);
    return name ? *name : rakor::Attrib::Hash32(key).ToString();
}

std::string DatabaseNames::ClassSuggestion(std::string_view word) {
    if (!classNames_ || classNames_->Outdated()) {
        classNames_.emplace();
        if (const sandbox::Database* db = sandbox::Database::Current()) {
            for (const sandbox::Class& cls : db->Classes()) {
                classNames_->Add(cls.GetKey());
            }
        }
    }
    return classNames_->Suggestion(word, "classes");
}

std::string DatabaseNames::CollectionSuggestion(uint32_t classKey, std::string_view word) {
    return CollectionNamesOf(classKey).Suggestion(word, "collections");
}

std::string DatabaseNames::FieldSuggestion(uint32_t classKey, std::string_view word,
                                           bool subscripted) {
    if (subscripted) {
        if (const auto meant = ArrayNamesOf(classKey).Meant(word); !meant.empty()) {
            return DidYouMean(meant);
        }
    }
    return FieldNamesOf(classKey).Suggestion(word, "fields");
}

namespace {

// The class's list, made (again) from the class as it is now when it is new
// or a key in it has got a name since.
template <typename Fill>
NameList& ListOf(std::unordered_map<uint32_t, NameList>& lists, uint32_t classKey, Fill&& fill) {
    auto [names, added] = lists.try_emplace(classKey);
    if (added || names->second.Outdated()) {
        names->second = NameList();
        const sandbox::Database* db = sandbox::Database::Current();
        if (const auto cls = db != nullptr ? db->FindClass(classKey) : std::nullopt) {
            fill(*cls, names->second);
        }
    }
    return names->second;
}

// Every field the class has anywhere: in its layout, its definitions or a
// collection's own entries; or its arrays only.
void AddFields(const sandbox::Class& cls, NameList& list, bool arraysOnly) {
    const auto isArray = [](uint8_t flags) { return (flags & sandbox::kArrayFlag) != 0; };
    for (const auto& entry : cls.LayoutFields()) {
        if (!arraysOnly || isArray(entry.flags)) {
            list.Add(entry.key);
        }
    }
    for (const auto& definition : cls.Definitions()) {
        const sandbox::FieldFacts* facts = cls.FindFieldFacts(definition.key);
        if (!arraysOnly || (facts != nullptr && facts->array)) {
            list.Add(definition.key);
        }
    }
    for (const sandbox::Collection& collection : cls.Collections()) {
        for (const auto& entry : collection.OwnEntries()) {
            if (!arraysOnly || isArray(entry.flags)) {
                list.Add(entry.key);
            }
        }
    }
}

}  // namespace

NameList& DatabaseNames::CollectionNamesOf(uint32_t classKey) {
    return ListOf(collectionNames_, classKey, [](const sandbox::Class& cls, NameList& list) {
        for (const sandbox::Collection& collection : cls.Collections()) {
            list.Add(collection.GetKey());
        }
    });
}

NameList& DatabaseNames::FieldNamesOf(uint32_t classKey) {
    return ListOf(fieldNames_, classKey, [](const sandbox::Class& cls, NameList& list) {
        AddFields(cls, list, /*arraysOnly=*/false);
    });
}

NameList& DatabaseNames::ArrayNamesOf(uint32_t classKey) {
    return ListOf(arrayNames_, classKey, [](const sandbox::Class& cls, NameList& list) {
        AddFields(cls, list, /*arraysOnly=*/true);
    });
}

void DatabaseNames::NameCollection(const rakor::Host::CollectionRecord* record,
                                   const rakor::Host::ClassRecord* classRecord, std::string& name) {
    // Every collection of the class points back at it; a record that does
    // not is none of its collections.
    if (record == nullptr || record->classObject != classRecord) {
        name.assign(1, '?');
        return;
    }
    // The key lies in the word the game leaves to the host.
    const uint32_t key = reinterpret_cast<const sandbox::CollectionRecord*>(record)->key;
    if (const std::string* known = collectionNamesByKey_.lookup(key)) {
        name = *known;
    } else if (auto remembered = sandbox::NameOf(key)) {
        // A remembered name stays a key's name.
        name = collectionNamesByKey_.try_emplace(key).first->second = *std::move(remembered);
    } else {
        name = DatabaseName(key);
    }
}

void DatabaseNames::Made(const MadeCollection& made) {
    // A collection the host made comes last among its class's, and takes
    // its key over in lookups; a request the host refused leaves both as
    // they were.
    const auto names = collectionNames_.find(made.classKey);
    if (names != collectionNames_.end() &&
        rakor::Host::GetCollection(made.classRecord, made.key) != made.holding) {
        names->second.Add(made.key);
    }
}

}  // namespace vxmod
