#include "loader/GameRecords.h"

#include <algorithm>
#include <limits>

#include <fmt/format.h>

#include "hash/StringHasher.h"
#include "host/HostApi.h"
#include "host/HostStorage.h"

namespace rakor {
namespace {

using Description::FieldShape;
using Description::HostType;
using Description::ValueKind;

// The description's types by the key the game makes of their names (made
// without recording the names: the resolver is the pass's).
const HostType* TypeOf(uint32_t typeKey) {
    static const std::unordered_map<uint32_t, const HostType*> byKey = [] {
        std::unordered_map<uint32_t, const HostType*> keys;
        for (const HostType& type : Description::HostTypes()) {
            keys.emplace(Attrib::StringHasher::HashText(std::string(type.name)), &type);
        }
        return keys;
    }();
    const auto found = byKey.find(typeKey);
    return found == byKey.end() ? nullptr : found->second;
}

// A table of `count` entries of 12 bytes at `first` that no game holds: more
// entries than fields, or reaching past the end of the address space.
bool Absurd(const void* first, uint32_t count) {
    const uint64_t end = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(first)) + 12ull * count;
    return count > GameRecords::kMostEntries ||
           end > static_cast<uint64_t>(std::numeric_limits<uintptr_t>::max()) + 1;
}

template <typename T>
T Word(const void* address, std::size_t offset = 0) {
    return Host::LoadFrom<T>(static_cast<const uint8_t*>(address) + offset);
}

const void* AddressOf(uint32_t word) {
    return reinterpret_cast<const void*>(static_cast<uintptr_t>(word));
}

bool RefersToCollections(const HostType* type) {
    return type != nullptr &&
           (type->kind == ValueKind::RefSpec || type->kind == ValueKind::JunkmanMod ||
            (type->kind == ValueKind::Key32 && type->name == "GCollectionKey"));
}

}  // namespace

std::span<const Host::CollectionEntry> GameRecords::Collection::Entries() const {
    if (!readable || entriesAbsurd) {
        return {};
    }
    return {words.entries, words.entryCount};
}

GameRecords::GameRecords(const GameNames& names, RecordGuard guard)
    : names_(names), guard_(std::move(guard)) {}

std::optional<uint32_t> GameRecords::AddClass(void* record, std::optional<uint32_t> key,
                                              std::optional<uint32_t> through) {
    if (const auto known = classOf_.find(record); known != classOf_.end()) {
        Class& cls = classes_[known->second];
        if (!cls.key) {
            cls.key = key;
        }
        return known->second;
    }
    const auto index = static_cast<uint32_t>(classes_.size());
    classOf_.emplace(record, index);
    Class& cls = classes_.emplace_back();
    cls.record = record;
    cls.key = key;
    cls.firstCollection = through;
    if (const auto problem = guard_([&] { ReadLayout(classes_[index]); })) {
        classes_[index].readable = false;
        classes_[index].problem = *problem;
    }
    return index;
}

void GameRecords::ReadLayout(Class& cls) {
    const auto words = Word<Host::ClassRecord>(cls.record);
    if (Absurd(words.layout, words.layoutCount)) {
        cls.notes.push_back(
            fmt::format("Its layout table counts {} entries, which no class holds: its layout "
                        "fields are left out.",
                        words.layoutCount));
        return;
    }
    for (uint32_t i = 0; i < words.layoutCount; ++i) {
        const auto entry = Word<Host::LayoutEntry>(words.layout + i);
        const auto [seen, added] = cls.seen.try_emplace(entry.key);
        if (!added) {
            // The library takes the first entry of a key.
            cls.notes.push_back(fmt::format(
                "Entry {} of its layout table holds '{}' again; the game takes the first (entry "
                "{}: {:02x}).",
                i, names_.Key(entry.key), i,
                fmt::join(reinterpret_cast<const uint8_t*>(&entry),
                          reinterpret_cast<const uint8_t*>(&entry) + sizeof entry, "")));
            continue;
        }
        seen->second.layout = true;
        seen->second.offset = entry.offset;
        seen->second.array = (entry.flags & Host::kEntryIsArray) != 0;
        cls.fieldOrder.push_back(entry.key);
        cls.layoutKeys.push_back(entry.key);
        if (seen->second.array) {
            cls.layoutArrays.push_back(entry.key);
        }
    }
}

uint32_t GameRecords::AddCollection(const Host::CollectionRecord* record,
                                    std::optional<uint32_t> key, uint32_t cls, uint8_t steps,
                                    std::optional<uint32_t> child) {
    if (const auto known = collectionOf_.find(record); known != collectionOf_.end()) {
        Collection& collection = collections_[known->second];
        if (!collection.key) {
            collection.key = key;
        }
        return known->second;
    }
    const auto index = static_cast<uint32_t>(collections_.size());
    collectionOf_.emplace(record, index);
    Collection& collection = collections_.emplace_back();
    collection.record = record;
    collection.cls = cls;
    collection.key = key;
    collection.child = child;
    collection.steps = steps;
    classes_[cls].collections.push_back(index);
    parentRecords_.push_back(nullptr);
    return index;
}

// The collections a script's word or a line of the hash list names: the
// scripts' in their order, then the list's by name.
void GameRecords::FindNamed(uint32_t cls) {
    std::vector<std::pair<const Host::CollectionRecord*, uint32_t>> named;
    std::vector<std::pair<const Host::CollectionRecord*, uint32_t>> listed;
    void* const record = classes_[cls].record;
    if (const auto problem = guard_([&] {
            for (const uint32_t key : names_.ScriptKeys()) {
                if (void* found = Host::GetCollection(record, key)) {
                    named.emplace_back(static_cast<const Host::CollectionRecord*>(found), key);
                }
            }
            for (const uint32_t key : names_.ListedKeys()) {
                if (void* found = Host::GetCollection(record, key)) {
                    listed.emplace_back(static_cast<const Host::CollectionRecord*>(found), key);
                }
            }
        })) {
        classes_[cls].readable = false;
        classes_[cls].problem = *problem;
        return;
    }
    std::vector<std::pair<std::string, std::size_t>> byName;
    byName.reserve(listed.size());
    for (std::size_t i = 0; i < listed.size(); ++i) {
        byName.emplace_back(names_.Key(listed[i].second), i);
    }
    std::sort(byName.begin(), byName.end());
    for (const auto& [collection, key] : named) {
        AddCollection(collection, key, cls, 0);
    }
    for (const auto& [name, i] : byName) {
        AddCollection(listed[i].first, listed[i].second, cls, 0);
    }
}

GameRecords::Class::Seen& GameRecords::Definition(Class& cls, uint32_t key) {
    Class::Seen& seen = cls.seen[key];
    if (!seen.definitionRead) {
        const void* definition = Host::GetFieldDefinition(cls.record, key);
        seen.definitionRead = true;
        seen.defined = definition != nullptr;
        seen.typeKey =
            definition != nullptr ? Host::LoadFrom<Host::FieldDefinition>(definition).typeKey : 0;
        seen.type = seen.defined ? TypeOf(seen.typeKey) : nullptr;
    }
    return seen;
}

void GameRecords::SeeEntries(Collection& collection, Class& cls) {
    for (const Host::CollectionEntry& stored : collection.Entries()) {
        const auto entry = Host::LoadFrom<Host::CollectionEntry>(&stored);
        const auto [seen, added] = cls.seen.try_emplace(entry.key);
        if (added) {
            cls.fieldOrder.push_back(entry.key);
            // A field that is an array in one collection and not in another
            // is declared as its first entry has it.
            seen->second.array = (entry.flags & Host::kEntryIsArray) != 0;
        }
        Class::Seen& field = seen->second;
        if (!field.layout && (entry.flags & Host::kEntryIsArray) != 0 && entry.value != 0 &&
            !field.firstArray) {
            field.firstArray = Word<Host::ArrayHeader>(AddressOf(entry.value));
        }
    }
}

void GameRecords::SeeLayoutArrays(const Collection& collection, Class& cls) {
    const uint8_t* const block = collection.words.layoutBlock;
    if (block == nullptr) {
        return;
    }
    for (const uint32_t key : cls.layoutArrays) {
        Class::Seen& field = cls.seen.at(key);
        const auto header = Word<Host::ArrayHeader>(block, field.offset);
        if (!field.layoutElementSize) {
            field.layoutElementSize = header.elementSize;
        }
        field.layoutCapacity = std::max<uint32_t>(field.layoutCapacity, header.capacity);
    }
}

void GameRecords::ReadCollection(uint32_t index) {
    uint32_t owner = collections_[index].cls;
    const std::optional<std::string> problem = guard_([&] {
        Collection& collection = collections_[index];
        collection.words = Word<Host::CollectionRecord>(collection.record);
        // Each collection is written in its own class, which is not always
        // the one it was found in or its child's.
        if (collection.words.classObject != classes_[owner].record) {
            owner = *AddClass(collection.words.classObject, std::nullopt, index);
        }
        if (!classes_[owner].readable) {
            return;
        }
        Collection& read = collections_[index];
        read.entriesAbsurd = Absurd(read.words.entries, read.words.entryCount);
        if (read.entriesAbsurd) {
            read.notes.push_back(fmt::format(
                "Its own entry table counts {} entries, which no collection holds: its own "
                "entries are left out.",
                read.words.entryCount));
        }
        read.readable = true;
        SeeEntries(read, classes_[owner]);
        SeeLayoutArrays(read, classes_[owner]);
    });
    Collection& collection = collections_[index];
    if (owner != collection.cls) {
        std::erase(classes_[collection.cls].collections, index);
        classes_[owner].collections.push_back(index);
        collection.cls = owner;
    }
    if (problem) {
        collection.readable = false;
        collection.problem = *problem;
        return;
    }
    if (!collection.readable) {
        return;  // in a class that cannot be read
    }
    if (collection.words.parent != nullptr) {
        parentRecords_[index] = collection.words.parent;
        AddCollection(collection.words.parent, std::nullopt, owner, collection.steps, index);
    }
    if (collections_[index].steps < kReferenceSteps) {
        if (const auto failed = guard_([&] { FindReferences(collections_[index], owner); })) {
            collections_[index].readable = false;
            collections_[index].problem = *failed;
        }
    }
}

// The classes and collections the collection's values refer to.
void GameRecords::FindReferences(const Collection& collection, uint32_t owner) {
    Class& cls = classes_[owner];
    const auto refer = [&](const HostType* type, const uint8_t* value) {
        Reference reference;
        reference.steps = static_cast<uint8_t>(collection.steps + 1);
        if (type->kind == ValueKind::Key32) {
            reference.inClass = owner;
            reference.collectionKey = Word<uint32_t>(value);
        } else {
            // A reference, and a junkman mod's class and definition alike.
            reference.classKey = Word<uint32_t>(value);
            reference.collectionKey = Word<uint32_t>(value, 4);
        }
        if (reference.collectionKey != 0) {
            references_.push_back(reference);
        }
    };
    const auto referArray = [&](const HostType* type, const uint8_t* record) {
        const auto header = Word<Host::ArrayHeader>(record);
        const uint32_t count = std::min(header.count, header.capacity);
        for (uint32_t i = 0; i < count; ++i) {
            refer(type, record + 8 + i * header.ElementSize());
        }
    };
    const uint8_t* const block = collection.words.layoutBlock;
    if (block != nullptr) {
        for (const uint32_t key : cls.layoutKeys) {
            const Class::Seen& field = Definition(cls, key);
            if (!RefersToCollections(field.type)) {
                continue;
            }
            if (field.array) {
                referArray(field.type, block + field.offset);
            } else {
                refer(field.type, block + field.offset);
            }
        }
    }
    // A later entry of a key, which the game never reads, may add a
    // collection to the description, never take one away.
    for (const Host::CollectionEntry& stored : collection.Entries()) {
        const auto entry = Host::LoadFrom<Host::CollectionEntry>(&stored);
        const Class::Seen& field = Definition(cls, entry.key);
        const HostType* const type = field.type;
        if (field.layout || !RefersToCollections(type)) {
            continue;
        }
        const auto* const target = static_cast<const uint8_t*>(AddressOf(entry.value));
        if ((entry.flags & Host::kEntryIsArray) != 0) {
            if (target != nullptr) {
                referArray(type, target);
            }
        } else if (type->size <= 4) {
            refer(type, reinterpret_cast<const uint8_t*>(&entry.value));
        } else if (target != nullptr) {
            refer(type, target);
        }
    }
}

void GameRecords::FollowReferences(std::vector<std::string>& problems) {
    void* const database = Host::DatabaseInstance();
    std::vector<Reference> pending;
    pending.swap(references_);
    for (const Reference& reference : pending) {
        std::optional<uint32_t> cls = reference.inClass;
        const Host::CollectionRecord* found = nullptr;
        const auto problem = guard_([&] {
            if (!cls) {
                void* const record = Host::GetClass(database, reference.classKey);
                if (record == nullptr) {
                    return;
                }
                cls = AddClass(record, reference.classKey, std::nullopt);
            }
            if (classes_[*cls].readable) {
                found = static_cast<const Host::CollectionRecord*>(
                    Host::GetCollection(classes_[*cls].record, reference.collectionKey));
            }
        });
        if (problem) {
            problems.push_back(fmt::format("a collection a value refers to, '{}'->'{}' ({})",
                                           names_.Key(reference.classKey),
                                           names_.Key(reference.collectionKey), *problem));
            continue;
        }
        if (found == nullptr) {
            continue;
        }
        if (const auto known = collectionOf_.find(found); known != collectionOf_.end()) {
            // A parent nothing named: the reference gives its key.
            Collection& collection = collections_[known->second];
            if (!collection.key) {
                collection.key = reference.collectionKey;
                collection.keyFromValue = true;
            }
            continue;
        }
        if (referenced_ == kMostReferenced) {
            ++referencesLeftOut_;
            continue;
        }
        ++referenced_;
        collections_[AddCollection(found, reference.collectionKey, *cls, reference.steps)]
            .keyFromValue = true;
    }
}

// A chain of parents that comes back to a collection has no root, and no
// description can hold it: each loop is cut at the collection whose parent
// closes it.
void GameRecords::CutParentLoops() {
    for (std::size_t i = 0; i < collections_.size(); ++i) {
        if (parentRecords_[i] != nullptr) {
            collections_[i].parent = collectionOf_.at(parentRecords_[i]);
        }
    }
    enum class Mark : uint8_t { None, OnPath, Done };
    std::vector<Mark> marks(collections_.size(), Mark::None);
    std::vector<uint32_t> path;
    for (uint32_t start = 0; start < collections_.size(); ++start) {
        std::optional<uint32_t> at = start;
        while (at && marks[*at] == Mark::None) {
            marks[*at] = Mark::OnPath;
            path.push_back(*at);
            const std::optional<uint32_t> next = collections_[*at].parent;
            if (next && marks[*next] == Mark::OnPath) {
                Collection& closing = collections_[*at];
                closing.notes.push_back(
                    "Its parent (the word at 0x10) leads back to it through its parents, a "
                    "loop no description can hold: the parent is left out.");
                closing.parent.reset();
                break;
            }
            at = next;
        }
        for (const uint32_t done : path) {
            marks[done] = Mark::Done;
        }
        path.clear();
    }
}

void GameRecords::CompleteFields(Class& cls) {
    // A field a script names that no written collection holds: a line that
    // names it finds its type in the class's definition all the same (and
    // then a parent's value, or none).
    for (const uint32_t key : names_.ScriptKeys()) {
        if (cls.seen.contains(key) || Host::GetFieldDefinition(cls.record, key) == nullptr) {
            continue;
        }
        Definition(cls, key);
        cls.fieldOrder.push_back(key);
    }
    // Layout fields in the order of the block, then the fields the
    // collections hold themselves, in the order first met.
    std::vector<uint32_t> layout;
    std::vector<uint32_t> entries;
    for (const uint32_t key : cls.fieldOrder) {
        (cls.seen.at(key).layout ? layout : entries).push_back(key);
    }
    std::stable_sort(layout.begin(), layout.end(), [&](uint32_t a, uint32_t b) {
        return cls.seen.at(a).offset < cls.seen.at(b).offset;
    });
    std::vector<uint32_t> offsets;
    for (const uint32_t key : layout) {
        offsets.push_back(cls.seen.at(key).offset);
    }
    for (const uint32_t key : layout) {
        const Class::Seen& seen = Definition(cls, key);
        const auto next = std::upper_bound(offsets.begin(), offsets.end(), seen.offset);
        FieldShape& field = cls.fields.emplace_back();
        field.key = key;
        field.layout = true;
        field.offset = seen.offset;
        field.array = seen.array;
        Complete(field, seen, next == offsets.end() ? std::nullopt : std::optional(*next));
        cls.layoutSize = std::max(cls.layoutSize, field.offset + field.LayoutBytes());
    }
    for (const uint32_t key : entries) {
        const Class::Seen& seen = Definition(cls, key);
        FieldShape& field = cls.fields.emplace_back();
        field.key = key;
        field.array = seen.array;
        Complete(field, seen, std::nullopt);
    }
}

// Its name, its type from its definition, its size and its arrays' headers.
// `nextOffset`: where the next layout field begins, if one follows.
void GameRecords::Complete(FieldShape& field, const Class::Seen& seen,
                           std::optional<uint32_t> nextOffset) const {
    field.name = names_.Key(field.key);
    field.definition = seen.defined;
    field.type = seen.defined ? TypeOf(seen.typeKey) : nullptr;
    field.typeName =
        field.type != nullptr ? std::string(field.type->name) : names_.Key(seen.typeKey);
    if (field.type != nullptr) {
        field.size = field.type->size;
    }
    std::string unknown;
    if (!field.definition) {
        unknown =
            "The game has no definition of this field, so the loader finds no type "
            "for it and scripts cannot set it";
    } else if (field.type == nullptr) {
        unknown = "Its type is none the loader knows, so scripts cannot set it";
    }

    if (field.layout && field.array) {
        if (field.type == nullptr) {
            field.size = seen.layoutElementSize
                             ? (*seen.layoutElementSize == 0 ? 4u : *seen.layoutElementSize)
                             : 4;
        }
        field.elementSize = seen.layoutElementSize.value_or(static_cast<uint16_t>(field.size));
        field.roomCapacity = seen.layoutCapacity;
        FitRoom(field, nextOffset);
    } else if (field.array) {
        // The first array a written collection holds: what the field's
        // arrays are taken to be like unless they say otherwise.
        if (field.type == nullptr) {
            field.size = seen.firstArray ? seen.firstArray->ElementSize() : 4;
        }
        field.elementSize = seen.firstArray ? seen.firstArray->elementSize : field.size;
    } else {
        if (field.type == nullptr) {
            // The records say where a layout field starts, not where it ends.
            field.size = field.layout && nextOffset ? *nextOffset - field.offset : 4;
        }
        field.elementSize = field.size;
    }
    if (!unknown.empty()) {
        field.note = unknown + ": " + ValueWords(field, nextOffset.has_value()) +
                     (field.note.empty() ? "" : " " + field.note);
    }
}

std::string GameRecords::ValueWords(const FieldShape& field, bool followed) {
    if (field.array) {
        return "its elements are written as their bytes, in hexadecimal.";
    }
    if (field.layout) {
        return followed ? "its values are written as their bytes up to the next layout "
                          "field, in hexadecimal."
                        : "its values are written as the 4 bytes at its offset, in "
                          "hexadecimal; the game's records do not say how far it reaches.";
    }
    return "its values are written as the entry's 4-byte word, in hexadecimal: the value "
           "itself, or the address where it lies, which the game's records do not say.";
}

// A layout array's record must end before the next field begins.
void GameRecords::FitRoom(FieldShape& field, std::optional<uint32_t> nextOffset) {
    const uint32_t slot = field.elementSize == 0 ? 4 : field.elementSize;
    if (!nextOffset || field.offset + field.LayoutBytes() <= *nextOffset) {
        return;
    }
    const uint32_t bytes = *nextOffset - field.offset;
    field.roomCapacity = bytes < 8 ? 0 : (bytes - 8) / slot;
    field.note = fmt::format(
        "The game's array headers claim more element slots than fit before the next layout "
        "field: the room is taken as the {} that fit.",
        field.roomCapacity);
}

void GameRecords::Read(std::vector<std::string>& problems) {
    void* const database = Host::DatabaseInstance();
    std::vector<std::pair<void*, uint32_t>> named;
    if (const auto problem = guard_([&] {
            for (const uint32_t key : names_.ScriptKeys()) {
                if (void* cls = Host::GetClass(database, key)) {
                    named.emplace_back(cls, key);
                }
            }
        })) {
        problems.push_back(fmt::format("the classes ({})", *problem));
    }
    for (const auto& [record, key] : named) {
        const uint32_t cls = *AddClass(record, key, std::nullopt);
        if (classes_[cls].readable) {
            FindNamed(cls);
        }
    }
    for (std::size_t next = 0;;) {
        while (next < collections_.size()) {
            ReadCollection(static_cast<uint32_t>(next++));
        }
        if (references_.empty()) {
            break;
        }
        FollowReferences(problems);
    }
    CutParentLoops();
    for (Class& cls : classes_) {
        if (!cls.readable) {
            continue;
        }
        if (const auto problem = guard_([&] { CompleteFields(cls); })) {
            cls.readable = false;
            cls.problem = *problem;
        }
    }
}

}  // namespace rakor
