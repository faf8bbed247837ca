#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "description/ClassWriter.h"
#include "host/HostRecords.h"
#include "loader/GameNames.h"

namespace rakor {

// Runs `read` so that a record it cannot read ends only `read`: returns why,
// worded for the log, or nothing when it ran to its end.
using RecordGuard = std::function<std::optional<std::string>(const std::function<void()>& read)>;

// The game's records that a description of its database writes, read as the
// library reads them when it runs a line:
//
// - the classes that a script's word names, and in each the collections
//   that a script's word or a line of the hash list names;
// - each collection in the class its record's word 0x14 names, with its
//   parent (word 0x10) and the parent's parents up to the root, in whatever
//   class they are; a chain of parents that comes back to a collection is
//   cut where it closes, with a note;
// - the classes and collections that values refer to (references, the class
//   and definition of a junkman mod, collection keys in their holder's
//   class), and what those refer to, up to kReferenceSteps steps from a
//   named one and kMostReferenced collections in all;
// - each class's fields: its layout table (the first entry of a key, as the
//   library takes it) and the keys of its collections' own entries, with
//   their types from the game's field definitions.
//
// Each class's records and each collection's are read under `guard`: one
// that cannot be read is left out with its problem, the rest is read. Counts
// no table holds (more than kMostEntries entries, or a table reaching past
// the end of memory) are not followed: a note says so.
class GameRecords {
public:
    static constexpr uint32_t kMostEntries = 65536;
    static constexpr uint8_t kReferenceSteps = 3;
    static constexpr std::size_t kMostReferenced = 10000;

    struct Collection {
        const Host::CollectionRecord* record = nullptr;
        uint32_t cls = 0;                // its class, by index
        std::optional<uint32_t> key;     // the key it was found by; none: reached as a parent
        bool keyFromValue = false;       // the key a value refers to it by, not a name
        std::optional<uint32_t> child;   // reached as the parent of this one, by index
        std::optional<uint32_t> parent;  // by index; none at the root and where a loop was cut
        bool readable = false;
        std::string problem;  // why its record could not be read
        // As read from its record.
        Host::CollectionRecord words{};
        bool entriesAbsurd = false;
        uint8_t steps = 0;  // references followed to reach it from a named one
        std::vector<std::string> notes;

        std::span<const Host::CollectionEntry> Entries() const;
    };

    struct Class {
        void* record = nullptr;
        std::optional<uint32_t> key;  // the key it was found by; none: reached through a collection
        std::optional<uint32_t> firstCollection;  // the one it was reached through
        bool readable = true;
        std::string problem;
        std::vector<std::string> notes;
        std::vector<uint32_t> collections;  // by index, in the order written
        std::vector<Description::FieldShape> fields;
        uint32_t layoutSize = 0;  // the bytes of a layout block its fields take

        // Gathered while collections are read, for the fields.
        struct Seen {
            bool layout = false;
            uint32_t offset = 0;
            bool array = false;
            std::optional<Host::ArrayHeader> firstArray;  // the first own array record's header
            std::optional<uint16_t> layoutElementSize;    // of the first layout array header
            uint32_t layoutCapacity = 0;                  // the most a layout array header claims
            bool definitionRead = false;
            bool defined = false;
            uint32_t typeKey = 0;
            const Description::HostType* type = nullptr;  // of a definition the loader knows
        };
        std::vector<uint32_t> fieldOrder;
        std::unordered_map<uint32_t, Seen> seen;
        std::vector<uint32_t> layoutKeys;    // the layout fields
        std::vector<uint32_t> layoutArrays;  // the layout fields that are arrays
    };

    GameRecords(const GameNames& names, RecordGuard guard);

    // Reads what to write from the game's database as it is now. Problems
    // (what could not be read) are added to `problems`, one line each.
    void Read(std::vector<std::string>& problems);

    const std::vector<Class>& Classes() const { return classes_; }
    const std::vector<Collection>& Collections() const { return collections_; }
    // How many collections that values refer to were left out at the bound.
    std::size_t ReferencesLeftOut() const { return referencesLeftOut_; }

private:
    struct Reference {
        uint32_t classKey = 0;
        std::optional<uint32_t> inClass;  // a collection key: in this class, by index
        uint32_t collectionKey = 0;
        uint8_t steps = 0;
    };

    std::optional<uint32_t> AddClass(void* record, std::optional<uint32_t> key,
                                     std::optional<uint32_t> through);
    uint32_t AddCollection(const Host::CollectionRecord* record, std::optional<uint32_t> key,
                           uint32_t cls, uint8_t steps, std::optional<uint32_t> child = {});
    void ReadLayout(Class& cls);
    void FindNamed(uint32_t cls);
    void ReadCollection(uint32_t index);
    void SeeEntries(Collection& collection, Class& cls);
    void SeeLayoutArrays(const Collection& collection, Class& cls);
    void FindReferences(const Collection& collection, uint32_t cls);
    void FollowReferences(std::vector<std::string>& problems);
    void CutParentLoops();
    void CompleteFields(Class& cls);
    void Complete(Description::FieldShape& field, const Class::Seen& seen,
                  std::optional<uint32_t> nextOffset) const;
    static std::string ValueWords(const Description::FieldShape& field, bool followed);
    static void FitRoom(Description::FieldShape& field, std::optional<uint32_t> nextOffset);
    Class::Seen& Definition(Class& cls, uint32_t key);

    const GameNames& names_;
    RecordGuard guard_;
    std::vector<Class> classes_;
    std::vector<Collection> collections_;
    std::unordered_map<const void*, uint32_t> classOf_;
    std::unordered_map<const void*, uint32_t> collectionOf_;
    std::vector<const Host::CollectionRecord*> parentRecords_;  // by collection
    std::vector<Reference> references_;
    std::size_t referenced_ = 0;
    std::size_t referencesLeftOut_ = 0;
};

}  // namespace rakor
