#include "DatabaseNames.h"

#include "NameParts.h"
#include "hash/Hashes.h"
#include "host/HostApi.h"
#include "sandbox/Database.h"
#include "sandbox/NameHash.h"

namespace vxmod {
namespace sandbox = rakor::Sandbox;

std::string DatabaseName(uint32_t key) {
    const auto name = sandbox::NameOf(key);
    return name ? *name : rakor::Attrib::Hash32(key).ToString();
}

std::string DatabaseNames::ClassSuggestion(std::string_view word) {
    NameList classes;
    if (const sandbox::Database* db = sandbox::Database::Current()) {
        for (const sandbox::Class& cls : db->Classes()) {
            classes.Add(cls.GetKey());
        }
    }
    return classes.Suggestion(word, "classes");
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

NameList& DatabaseNames::CollectionNamesOf(uint32_t classKey) {
    auto [names, added] = collectionNames_.try_emplace(classKey);
    if (added || names->second.Outdated()) {
        names->second = NameList();
        const sandbox::Database* db = sandbox::Database::Current();
        if (const auto cls = db != nullptr ? db->FindClass(classKey) : std::nullopt) {
            for (const sandbox::Collection& collection : cls->Collections()) {
                names->second.Add(collection.GetKey());
            }
        }
    }
    return names->second;
}

NameList& DatabaseNames::FieldNamesOf(uint32_t classKey) {
    auto [names, added] = fieldNames_.try_emplace(classKey);
    if (added || names->second.Outdated()) {
        NameList& list = names->second = NameList();
        const sandbox::Database* db = sandbox::Database::Current();
        if (const auto cls = db != nullptr ? db->FindClass(classKey) : std::nullopt) {
            for (const auto& entry : cls->LayoutFields()) {
                list.Add(entry.key);
            }
            for (const auto& definition : cls->Definitions()) {
                list.Add(definition.key);
            }
            for (const sandbox::Collection& collection : cls->Collections()) {
                for (const auto& entry : collection.OwnEntries()) {
                    list.Add(entry.key);
                }
            }
        }
    }
    return names->second;
}

NameList& DatabaseNames::ArrayNamesOf(uint32_t classKey) {
    auto [names, added] = arrayNames_.try_emplace(classKey);
    if (added || names->second.Outdated()) {
        NameList& list = names->second = NameList();
        const sandbox::Database* db = sandbox::Database::Current();
        if (const auto cls = db != nullptr ? db->FindClass(classKey) : std::nullopt) {
            for (const auto& entry : cls->LayoutFields()) {
                if ((entry.flags & sandbox::kArrayFlag) != 0) {
                    list.Add(entry.key);
                }
            }
            for (const uint32_t field : cls->Fields()) {
                if (const sandbox::FieldFacts* facts = cls->FindFieldFacts(field);
                    facts != nullptr && facts->array) {
                    list.Add(field);
                }
            }
            for (const sandbox::Collection& collection : cls->Collections()) {
                for (const auto& entry : collection.OwnEntries()) {
                    if ((entry.flags & sandbox::kArrayFlag) != 0) {
                        list.Add(entry.key);
                    }
                }
            }
        }
    }
    return names->second;
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
