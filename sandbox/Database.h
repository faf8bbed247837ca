#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "sandbox/FlatMap.h"
#include "sandbox/NameHash.h"
#include "sandbox/Records.h"

// The sandbox host's attribute database: a real in-process database whose
// records the library reads and writes exactly as it does in the game.
//
// Building one (what an end-to-end test typically does):
//
//     Sandbox::Database db;
//     auto car = db.AddClass("car", 16);
//     car.AddLayoutField("Grip", "Float", 0).Define("Gears", "Int32");
//     auto base = car.AddCollection("default")
//                     .SetLayout("Grip", 1.5f)
//                     .SetArray("Gears", Sandbox::ArrayOf<int32_t>({1, 2, 3}));
//     auto tuned = car.AddCollection("tuned", base);
//
// While a Database lives, the host's database instance word points to it; only
// one can live at a time. Everything the database allocates it frees when it
// is destroyed, together with the memory the library handed over to it.
namespace rakor::Sandbox {

namespace Ops {
// The host's database instance word (sandbox/HostOperations.h).
extern void* databaseInstance;
}  // namespace Ops

class Database;
class Class;
class Collection;
struct CollectionState;
struct DatabaseSnapshot;

// A wrong request to the building API: an unknown class, a duplicate key, a
// write outside a block. The host operations never throw; see Complaints().
class SandboxError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A class, collection, field or type name: text is hashed with the host's
// hash (and so remembered), a number is taken as the key itself.
class Key {
public:
    Key(uint32_t key) : value_(key) {}
    Key(const char* name) : value_(HashName(name)) {}
    Key(std::string_view name) : value_(HashName(name)) {}
    Key(const std::string& name) : value_(HashName(name)) {}

    uint32_t Value() const { return value_; }
    std::string Name() const { return NameOrHex(value_); }

private:
    uint32_t value_;
};

enum class FieldShape : uint8_t { Single, Array };

// What a database built from a description knows about a field beyond its
// records, so that it can be described again: the type of a field without a
// definition record, the size of a type the sandbox does not know, the room
// an array field was declared with, and the note it came with. Host memory holds none of these.
struct FieldFacts {
    uint32_t typeKey = 0;
    uint32_t size = 0;
    bool array = false;
    // Arrays: the element count and element size the field was declared with
    // (for a layout array, the room it has in the block); unset when not given.
    std::optional<uint32_t> capacity;
    std::optional<uint32_t> elementSize;
    std::string note;  // the description's words on the field, for people
};

// The contents of an array record. The header's count is the number of
// elements given; capacity 0 means "exactly the count"; slots beyond the
// count are zero. elementSize is stored as given, so 0 (standing for 4) can
// be tested; the elements are then taken as 4 bytes each.
struct ArraySpec {
    std::vector<uint8_t> elements;
    uint16_t elementSize = 4;
    uint16_t capacity = 0;
    uint16_t opaque = 0;
};

template <typename T>
ArraySpec ArrayOf(std::initializer_list<T> values, uint16_t capacity = 0) {
    static_assert(std::is_trivially_copyable_v<T>);
    ArraySpec contents{.elements = std::vector<uint8_t>(values.size() * sizeof(T)),
                       .elementSize = static_cast<uint16_t>(sizeof(T)),
                       .capacity = capacity};
    if (values.size() != 0) {
        std::memcpy(contents.elements.data(), std::data(values), contents.elements.size());
    }
    return contents;
}

// Host memory read back as plain bytes.
template <typename T>
T ReadAs(const void* address) {
    static_assert(std::is_trivially_copyable_v<T>);
    T value;
    std::memcpy(&value, address, sizeof(T));
    return value;
}
std::vector<uint8_t> ReadBytes(const void* address, std::size_t size);

template <typename T>
std::vector<T> ElementsOf(const ArrayHeader& array) {
    std::vector<T> values;
    for (uint32_t i = 0; i < array.count; ++i) {
        values.push_back(ReadAs<T>(array.Elements() + i * array.ElementSize()));
    }
    return values;
}

// A collection of the database. A cheap handle: copy it freely while its
// database lives.
class Collection {
public:
    uint32_t GetKey() const;
    CollectionRecord* Record() const { return record_; }
    Class GetClass() const;
    std::optional<Collection> Parent() const;
    // True for collections that the library had the host construct.
    bool ConstructedByLibrary() const;

    // Own entries. Setting a field that the collection already holds rewrites
    // that entry in place, so the table keeps one entry per field.
    Collection& SetEntry(Key field, uint32_t valueWord, uint8_t flags = 0);
    template <typename T>
    Collection& SetInline(Key field, const T& value) {
        static_assert(std::is_trivially_copyable_v<T> && sizeof(T) <= 4,
                      "inline values fit in the entry's value word");
        uint32_t word = 0;
        std::memcpy(&word, &value, sizeof(T));
        return SetEntry(field, word);
    }
    // The value is copied into a block of the database; the entry holds its address.
    Collection& SetOutOfLine(Key field, std::span<const uint8_t> bytes);
    template <typename T>
    Collection& SetOutOfLine(Key field, const T& value) {
        static_assert(std::is_trivially_copyable_v<T>);
        return SetOutOfLine(field, std::span(reinterpret_cast<const uint8_t*>(&value), sizeof(T)));
    }
    // A new array record of the database; the entry holds its address and the array flag.
    Collection& SetArray(Key field, const ArraySpec& contents);
    // The same for a record given byte for byte: its header, then its
    // capacity's slots (so its header's word at 0x06 and its unused slots too).
    Collection& SetArrayRecord(Key field, std::span<const uint8_t> record);

    // The layout block, at the offsets of the class's layout table.
    Collection& WriteLayout(uint32_t offset, std::span<const uint8_t> bytes);
    template <typename T>
    Collection& SetLayout(Key field, const T& value) {
        static_assert(std::is_trivially_copyable_v<T>);
        return WriteLayout(LayoutOffset(field),
                           std::span(reinterpret_cast<const uint8_t*>(&value), sizeof(T)));
    }
    // An array record laid out in the layout block itself, at the field's offset.
    Collection& SetLayoutArray(Key field, const ArraySpec& contents);

    // Reading back what the host memory holds now.
    std::span<OwnEntry> OwnEntries() const;
    OwnEntry* FindOwnEntry(Key field) const;
    OwnEntry& GetOwnEntry(Key field) const;  // throws SandboxError when absent
    template <typename T>
    T ReadInline(Key field) const {
        return ReadAs<T>(&GetOwnEntry(field).value);
    }
    // The address that the field's own entry holds (value or array record).
    void* EntryTarget(Key field) const;
    ArrayHeader& OwnArray(Key field) const {
        return *static_cast<ArrayHeader*>(EntryTarget(field));
    }
    std::span<uint8_t> LayoutBytes() const;
    uint32_t LayoutOffset(Key field) const;  // throws SandboxError for a field not in the layout
    template <typename T>
    T ReadLayout(Key field) const {
        return ReadAs<T>(LayoutBytes().data() + LayoutOffset(field));
    }
    ArrayHeader& LayoutArray(Key field) const {
        return *reinterpret_cast<ArrayHeader*>(LayoutBytes().data() + LayoutOffset(field));
    }

    friend bool operator==(const Collection&, const Collection&) = default;

private:
    friend class Class;
    friend class Database;
    Collection(Database* database, CollectionRecord* record)
        : database_(database), record_(record) {}
    CollectionState& State() const;

    Database* database_;
    CollectionRecord* record_;
};

// A class of the database. A cheap handle, like Collection.
class Class {
public:
    uint32_t GetKey() const { return record_->key; }
    ClassRecord* Record() const { return record_; }
    uint32_t LayoutSize() const { return record_->layoutSize; }

    // The field definition that GetFieldDefinition returns; defining a field
    // again changes its type.
    Class& Define(Key field, Key type);
    // A layout table entry only, without a definition.
    Class& AddLayoutEntry(Key field, uint32_t offset, FieldShape shape = FieldShape::Single);
    // Define() and AddLayoutEntry() in one.
    Class& AddLayoutField(Key field, Key type, uint32_t offset,
                          FieldShape shape = FieldShape::Single);

    // Built as the host builds a collection for the library: the layout block
    // starts as a copy of the parent's. Keys must be new in the class. A
    // parent of another class (the game has such collections; the library
    // never makes one) gives no bytes: the block starts as zeros.
    Collection AddCollection(Key name);
    Collection AddCollection(Key name, const Collection& parent);

    // The collection that the host's lookup finds for the key.
    std::optional<Collection> FindCollection(Key name) const;
    Collection GetCollection(Key name) const;  // throws SandboxError when absent

    // Enumeration, in the order things were added.
    std::vector<Collection> Collections() const;
    std::size_t CollectionCount() const;
    std::span<const LayoutEntry> LayoutFields() const;
    std::vector<FieldDefinition> Definitions() const;

    // Facts kept with the class, for whoever describes it again; noting a
    // field again replaces what was noted. The game has nothing like them.
    Class& NoteField(Key field, const FieldFacts& facts);
    const FieldFacts* FindFieldFacts(Key field) const;  // null when nothing was noted
    // Every field that Define, AddLayoutEntry or NoteField named, in the
    // order they first named it.
    std::vector<uint32_t> Fields() const;

    friend bool operator==(const Class&, const Class&) = default;

private:
    friend class Collection;
    friend class Database;
    Class(Database* database, ClassRecord* record) : database_(database), record_(record) {}
    ClassState& State() const;
    Collection AddCollectionUnder(Key name, CollectionRecord* parent);

    Database* database_;
    ClassRecord* record_;
};

class Database {
public:
    // Points the host's instance word at the new database; throws SandboxError
    // while another database lives.
    Database();
    // Frees everything and clears the instance word.
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // The database the host's instance word points to, or null.
    static Database* Current() { return static_cast<Database*>(Ops::databaseInstance); }

    // The collection whose record lies at `record`, of any class, or none.
    std::optional<Collection> CollectionAt(const void* record) const;

    // layoutSize is the size of every collection's layout block in this class.
    Class AddClass(Key name, uint32_t layoutSize = 0);
    std::optional<Class> FindClass(Key name) const;
    Class GetClass(Key name) const;  // throws SandboxError when absent
    std::vector<Class> Classes() const;

    // A NUL-terminated copy of the text, for a value that points at a text.
    // It lives exactly as long as the database, so the values that point at
    // it never outlive it.
    char* CopyText(std::string_view text);

    // The database as it is now, to return to with Restore: a fuzzer builds
    // its database once and puts it back before every input. Restore undoes
    // what the library can change (bytes of every block, own entries' words,
    // collections it had constructed), frees the array records and texts it
    // handed over since, and removes the classes and collections added
    // since; building calls made since on classes that already existed
    // (Define, AddLayoutEntry, NoteField) are kept.
    std::shared_ptr<const DatabaseSnapshot> TakeSnapshot() const;
    void Restore(const DatabaseSnapshot& snapshot);
    // For snapshots taken one after the other as scripts run (an editor's,
    // one at every script's start) and returned to in any order back in
    // time, each return dropping those after it: notes what was handed over
    // (NoteHandedOver) before taking the snapshot, so that a return frees
    // what the lines after it handed over, and nothing an earlier snapshot
    // of the same line still holds. Every text field must hold a real
    // address, as for NoteHandedOver.
    std::shared_ptr<const DatabaseSnapshot> NoteAndTakeSnapshot();

    // Takes note of the array records and texts (in Text and StringKey
    // fields) that the library has handed over and that entries and fields
    // point to now, so that Restore and the destructor free them even after
    // a later edit replaced them. A fuzzer calls it after every script line.
    // Without it, only the array records still pointed to are freed, as the
    // game frees nothing it replaced. It and TakeSnapshot read every text
    // field's value, so those must hold real addresses.
    void NoteHandedOver();

    // Memory the library allocated and gave to the host.
    struct HandedOver {
        std::unordered_set<void*> arrays;
        std::unordered_set<void*> texts;
    };

    // What the host operations were given that the game would not have
    // accepted (an unknown class, a parent of another class, memory that was
    // not zero, ...). The game would crash or corrupt itself; the sandbox
    // refuses, notes it here, and returns null or does nothing.
    const std::vector<std::string>& Complaints() const { return complaints_; }

    // The host's side of the operations, called by the host operations with
    // the library's arguments; they check them and never throw.
    ClassRecord* HostGetClass(uint32_t classKey);
    CollectionRecord* HostGetCollection(void* collectionTable, uint32_t collectionKey);
    FieldDefinition* HostGetFieldDefinition(void* classObject, uint32_t fieldKey);
    void HostConstructCollection(void* memory, void* classObject, void* parent, uint32_t key,
                                 uint32_t zero);

private:
    friend class Class;
    friend class Collection;

    // A zeroed block that the database owns and frees with itself.
    void* AllocateOwned(std::size_t size);
    ArrayHeader* AllocateArray(const ArraySpec& contents);
    // What ConstructCollection does, for the library and for the building API alike.
    CollectionState& Construct(CollectionRecord* record, ClassState& owner,
                               CollectionRecord* parent, uint32_t key, bool byLibrary);
    ClassState* ClassOfRecord(const void* classObject) const;
    CollectionState* StateOf(const void* collection) const;
    void Complain(std::string message);
    // Array records always; texts only when asked, since finding them reads
    // every text field's value.
    HandedOver FindHandedOver(bool withTexts) const;

    std::vector<std::unique_ptr<ClassState>> classes_;
    FlatMap<uint32_t, ClassState*> classByKey_;
    // The host's operations are given class records and collection tables:
    // telling real ones apart takes a lookup, however many classes there are.
    FlatMap<const void*, ClassState*> classByRecord_;
    FlatSet<const void*> classTables_;
    FlatMap<const void*, std::unique_ptr<CollectionState>> collections_;
    std::vector<void*> ownedBlocks_;
    std::vector<std::size_t> ownedSizes_;  // parallel to ownedBlocks_
    FlatSet<const void*> ownedSet_;
    std::vector<void*> givenCollections_;  // in the order they were handed over
    FlatSet<const void*> givenSet_;
    std::vector<std::string> complaints_;
    HandedOver noted_;
    // The class the host's operations were last given, by key, record or
    // collection table: script lines name the same class line after line, so
    // it is known again without a lookup. Forgotten when classes are removed.
    struct KnownClass {
        uint32_t key = 0;
        ClassRecord* record = nullptr;
        ClassState* state = nullptr;
    };
    mutable KnownClass lastClass_;
};

}  // namespace rakor::Sandbox
