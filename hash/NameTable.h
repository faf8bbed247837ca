#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/Arena.h"

namespace rakor::Attrib {

// The resolver's table, built to stay small and quick at the scale of a hash
// list of a million names and scripts of a million lines, inside a 32-bit
// game process:
//
// - key to name: at most one name per key, in an open-addressed table of
//   8-byte slots;
// - the texts keys were made from, each distinct text stored once and found
//   again by its text, so that a name seen before is not hashed again;
// - the hash list's names, which stay in the list's own text and cost the
//   table one slot each;
// - in front of the texts, the short texts made into keys most recently: a
//   script names the same few classes, collections and fields line after
//   line, and this small table stays in the processor's cache where the
//   large ones, spread over megabytes, do not.
class NameTable {
public:
    using HashFunction = uint32_t (*)(const std::string& text);

    NameTable() = default;
    NameTable(const NameTable&) = delete;
    NameTable& operator=(const NameTable&) = delete;

    // The key of `text` as `hash` makes it, with `text` that key's name from
    // now on. `hash` is called only for a text the table has not seen; what
    // it throws passes, and nothing is kept then.
    uint32_t KeyOf(std::string_view text, HashFunction hash);

    // `name` is the key's name from now on; an empty name is no name.
    void Record(uint32_t key, std::string_view name);

    // Names the key of every line of `list` (one name a line, the line as it
    // is; the last line needs no line feed) with that line, replacing what
    // the key was named before. `hash` is called once a line, with the line.
    void AddList(std::string list, HashFunction hash);

    // The key's name, empty when it has none. A key without an entry gets an
    // empty one, so the table grows by one for each unnamed key looked up.
    std::string_view NameOf(uint32_t key);

    // The keys whose name is a line of the list, in no set order.
    std::vector<uint32_t> ListedKeys() const;
    // The lists given to AddList, one name a line.
    std::string_view ListText() const { return list_; }

    std::size_t Size() const { return keys_.size; }

    // How often a text stopped being its key's name (another name took the
    // key). While this stays the same, a text that was its key's name still is.
    uint32_t Displacements() const { return displacements_; }

private:
    // What a key slot names: an index into texts_, or one of these.
    static constexpr uint32_t kVacant = 0xFFFFFFFFu;    // the slot is free
    static constexpr uint32_t kNoName = 0xFFFFFFFEu;    // the key has no name
    static constexpr uint32_t kFromList = 0x80000000u;  // plus the name's offset in list_

    struct KeySlot {
        uint32_t key;
        uint32_t name;
    };

    // A text some key was made from, or was recorded with, stored in a chunk
    // with its characters right behind it: finding a name touches its slot
    // and then this one place in memory.
    struct Text {
        uint32_t key;
        uint32_t length;
        uint32_t index;  // in texts_
        bool findable;   // in textSlots_: `key` is what the text hashes to
        bool current;    // the name the table gives `key` now

        const char* Chars() const { return reinterpret_cast<const char*>(this + 1); }
        std::string_view View() const { return {Chars(), length}; }
    };
    struct TextSlot {
        uint32_t textHash;
        Text* text;  // null when free
    };
    // A text and its key as KeyOf last gave them, good for as long as no
    // name has been displaced since (then the text is still its key's name).
    struct RecentText {
        static constexpr std::size_t kLongest = 19;
        static constexpr uint8_t kVacant = 0xFF;  // longer than kLongest: no text kept
        static_assert(kVacant > kLongest);

        uint32_t textHash;
        uint32_t key;
        uint32_t displacements;
        uint8_t length = kVacant;
        char chars[kLongest];
    };
    static constexpr std::size_t kRecentTexts = 4096;

    uint32_t KeyOfUncached(std::string_view text, uint32_t textHash, HashFunction hash);
    KeySlot& SlotOf(uint32_t key);  // inserts an entry without a name
    KeySlot* FindKey(uint32_t key);
    void ReserveKeys(std::size_t keys);
    void RehashKeys(uint32_t capacity);
    void SetName(KeySlot& slot, uint32_t name);
    Text* FindText(std::string_view text, uint32_t textHash) const;
    Text& AddText(std::string_view text, uint32_t key, bool findable, uint32_t textHash);
    void RehashTexts(uint32_t capacity);
    Text* Store(std::string_view text);

    std::unique_ptr<KeySlot[]> keySlots_;
    struct {
        uint32_t capacity = 0;
        uint32_t size = 0;
    } keys_;

    std::vector<Text*> texts_;  // by index, which key slots name them by
    std::unique_ptr<TextSlot[]> textSlots_;
    uint32_t textCapacity_ = 0;
    uint32_t findableTexts_ = 0;

    Arena textMemory_{64 * 1024, 64 * 1024};  // where the Texts lie

    std::string list_;
    uint32_t displacements_ = 0;

    std::unique_ptr<RecentText[]> recent_ = std::make_unique<RecentText[]>(kRecentTexts);
};

}  // namespace rakor::Attrib
