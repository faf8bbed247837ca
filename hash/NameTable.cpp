#include "hash/NameTable.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace rakor::Attrib {
namespace {

// Where a hash starts its probe in a table of `capacity` slots: the high bits
// of a multiplicative hash, scaled to the capacity, so that keys written out
// in hexadecimal (1, 2, 3, ...) spread as evenly as the host's hashes do.
uint32_t Home(uint32_t hash, uint32_t capacity) {
    return static_cast<uint32_t>((uint64_t{hash * 0x9E3779B1u} * capacity) >> 32);
}

// A hash of the text's bytes, a word at a time: names are short, and are
// hashed once for every name of every script line.
uint32_t TextHash(std::string_view text) {
    uint32_t hash = 0x9E3779B9u ^ static_cast<uint32_t>(text.size());
    const char* next = text.data();
    std::size_t left = text.size();
    for (; left >= 4; next += 4, left -= 4) {
        uint32_t word;
        std::memcpy(&word, next, 4);
        hash = (hash ^ word) * 0x85EBCA6Bu;
        hash ^= hash >> 15;
    }
    if (left != 0) {
        uint32_t word = static_cast<unsigned char>(next[0]);
        if (left > 1) {
            word |= uint32_t{static_cast<unsigned char>(next[1])} << 8;
        }
        if (left > 2) {
            word |= uint32_t{static_cast<unsigned char>(next[2])} << 16;
        }
        hash = (hash ^ word) * 0xC2B2AE35u;
    }
    hash ^= hash >> 16;
    hash *= 0x7FEB352Du;
    hash ^= hash >> 15;
    return hash;
}

// Whether two texts of `size` bytes are the same: names are short, and a
// compare of a word at a time costs less than a call.
bool SameBytes(const char* a, const char* b, std::size_t size) {
    for (; size >= 4; a += 4, b += 4, size -= 4) {
        uint32_t left;
        uint32_t right;
        std::memcpy(&left, a, 4);
        std::memcpy(&right, b, 4);
        if (left != right) {
            return false;
        }
    }
    for (; size != 0; ++a, ++b, --size) {
        if (*a != *b) {
            return false;
        }
    }
    return true;
}

// Slots in use per hundred slots: beyond kMaxLoad a table doubles. The hash
// list fills the key table only to kListLoad, so that the names scripts add
// afterwards do not at once double a table that a million names fill.
constexpr uint64_t kMaxKeyLoad = 75;
constexpr uint64_t kListKeyLoad = 60;
constexpr uint64_t kMaxTextLoad = 50;
constexpr uint32_t kFirstCapacity = 64;

}  // namespace

uint32_t NameTable::KeyOf(std::string_view text, HashFunction hash) {
    // Every name of every script line comes here.
    const uint32_t textHash = TextHash(text);
    RecentText& recent = recent_[textHash % kRecentTexts];
    // The length first against the longest text kept: a vacant slot's length
    // is one no kept text has, but a text may well be that long.
    if (text.size() <= RecentText::kLongest && recent.length == text.size() &&
        recent.textHash == textHash && recent.displacements == displacements_ &&
        SameBytes(recent.chars, text.data(), text.size())) {
        return recent.key;
    }
    const uint32_t key = KeyOfUncached(text, textHash, hash);
    if (text.size() <= RecentText::kLongest) {
        recent.textHash = textHash;
        recent.key = key;
        recent.displacements = displacements_;
        recent.length = static_cast<uint8_t>(text.size());
        if (!text.empty()) {
            std::memcpy(recent.chars, text.data(), text.size());
        }
    }
    return key;
}

uint32_t NameTable::KeyOfUncached(std::string_view text, uint32_t textHash, HashFunction hash) {
    if (Text* const found = FindText(text, textHash)) {
        if (!found->current) {
            SetName(SlotOf(found->key), found->index);
        }
        return found->key;
    }
    const uint32_t key = hash(std::string(text));
    Text& added = AddText(text, key, /*findable=*/true, textHash);
    SetName(SlotOf(key), added.index);
    return key;
}

void NameTable::Record(uint32_t key, std::string_view name) {
    KeySlot& slot = SlotOf(key);
    if (name.empty()) {
        SetName(slot, kNoName);
        return;
    }
    if (NameOf(key) == name) {
        return;
    }
    const uint32_t textHash = TextHash(name);
    Text* const found = FindText(name, textHash);
    const uint32_t index = found != nullptr && found->key == key
                               ? found->index
                               : AddText(name, key, /*findable=*/false, textHash).index;
    SetName(slot, index);
}

void NameTable::AddList(std::string list, HashFunction hash) {
    if (list.empty()) {
        return;
    }
    const std::size_t lines = static_cast<std::size_t>(std::count(list.begin(), list.end(), '\n')) +
                              (list.back() != '\n' ? 1 : 0);
    ReserveKeys(keys_.size + lines);

    // Names are kept as offsets into list_, each ending at a line feed.
    if (!list_.empty() && list_.back() != '\n') {
        list_ += '\n';
    }
    const std::size_t first = list_.size();
    if (list_.empty()) {
        list_ = std::move(list);
    } else {
        list_ += list;
    }
    if (list_.size() >= kFromList) {
        throw std::bad_alloc();  // offsets would not fit their slot; no 32-bit process gets here
    }

    std::string line;  // the host's hash takes NUL-terminated text
    for (std::size_t start = first; start < list_.size();) {
        const char* const begin = list_.data() + start;
        const void* const feed = std::memchr(begin, '\n', list_.size() - start);
        const std::size_t length =
            feed != nullptr ? static_cast<const char*>(feed) - begin : list_.size() - start;
        line.assign(begin, length);
        SetName(SlotOf(hash(line)), kFromList | static_cast<uint32_t>(start));
        start += length + 1;
    }
}

std::string_view NameTable::NameOf(uint32_t key) {
    const uint32_t name = SlotOf(key).name;
    if (name == kNoName) {
        return {};
    }
    if ((name & kFromList) != 0) {
        const std::size_t start = name & ~kFromList;
        const char* const begin = list_.data() + start;
        const void* const feed = std::memchr(begin, '\n', list_.size() - start);
        return {begin, feed != nullptr
                           ? static_cast<std::size_t>(static_cast<const char*>(feed) - begin)
                           : list_.size() - start};
    }
    return texts_[name]->View();
}

std::vector<uint32_t> NameTable::ListedKeys() const {
    std::vector<uint32_t> keys;
    for (uint32_t i = 0; i < keys_.capacity; ++i) {
        const KeySlot& slot = keySlots_[i];
        if (slot.name != kVacant && slot.name != kNoName && (slot.name & kFromList) != 0) {
            keys.push_back(slot.key);
        }
    }
    return keys;
}

NameTable::KeySlot& NameTable::SlotOf(uint32_t key) {
    if (KeySlot* const found = FindKey(key)) {
        return *found;
    }
    if ((keys_.size + 1) * 100ull > keys_.capacity * kMaxKeyLoad) {
        RehashKeys(std::max(kFirstCapacity, keys_.capacity * 2));
    }
    uint32_t i = Home(key, keys_.capacity);
    while (keySlots_[i].name != kVacant) {
        i = i + 1 == keys_.capacity ? 0 : i + 1;
    }
    keySlots_[i] = {key, kNoName};
    ++keys_.size;
    return keySlots_[i];
}

NameTable::KeySlot* NameTable::FindKey(uint32_t key) {
    if (keys_.capacity == 0) {
        return nullptr;
    }
    for (uint32_t i = Home(key, keys_.capacity);; i = i + 1 == keys_.capacity ? 0 : i + 1) {
        KeySlot& slot = keySlots_[i];
        if (slot.name == kVacant) {
            return nullptr;
        }
        if (slot.key == key) {
            return &slot;
        }
    }
}

void NameTable::ReserveKeys(std::size_t keys) {
    const uint64_t capacity = keys * 100ull / kListKeyLoad + 1;
    if (capacity > keys_.capacity) {
        if (capacity >= 0x10000000u) {
            throw std::bad_alloc();
        }
        RehashKeys(static_cast<uint32_t>(capacity));
    }
}

void NameTable::RehashKeys(uint32_t capacity) {
    // Not value-initialised: every slot is written just below.
    std::unique_ptr<KeySlot[]> slots(new KeySlot[capacity]);
    std::fill_n(slots.get(), capacity, KeySlot{0, kVacant});
    for (uint32_t old = 0; old < keys_.capacity; ++old) {
        const KeySlot& slot = keySlots_[old];
        if (slot.name == kVacant) {
            continue;
        }
        uint32_t i = Home(slot.key, capacity);
        while (slots[i].name != kVacant) {
            i = i + 1 == capacity ? 0 : i + 1;
        }
        slots[i] = slot;
    }
    keySlots_ = std::move(slots);
    keys_.capacity = capacity;
}

void NameTable::SetName(KeySlot& slot, uint32_t name) {
    if (slot.name < kFromList && slot.name != name) {
        texts_[slot.name]->current = false;
        ++displacements_;
    }
    slot.name = name;
    if (name < kFromList) {
        texts_[name]->current = true;
    }
}

NameTable::Text* NameTable::FindText(std::string_view text, uint32_t textHash) const {
    if (textCapacity_ == 0) {
        return nullptr;
    }
    for (uint32_t i = Home(textHash, textCapacity_);; i = i + 1 == textCapacity_ ? 0 : i + 1) {
        const TextSlot& slot = textSlots_[i];
        if (slot.text == nullptr) {
            return nullptr;
        }
        if (slot.textHash == textHash && slot.text->length == text.size() &&
            SameBytes(slot.text->Chars(), text.data(), text.size())) {
            return slot.text;
        }
    }
}

NameTable::Text& NameTable::AddText(std::string_view text, uint32_t key, bool findable,
                                    uint32_t textHash) {
    if (texts_.size() >= kFromList - 1) {
        throw std::bad_alloc();
    }
    Text& added = *Store(text);
    added = {key, static_cast<uint32_t>(text.size()), static_cast<uint32_t>(texts_.size()),
             findable, false};
    texts_.push_back(&added);
    if (findable) {
        if ((findableTexts_ + 1) * 100ull > textCapacity_ * kMaxTextLoad) {
            RehashTexts(std::max(kFirstCapacity, textCapacity_ * 2));
        }
        uint32_t i = Home(textHash, textCapacity_);
        while (textSlots_[i].text != nullptr) {
            i = i + 1 == textCapacity_ ? 0 : i + 1;
        }
        textSlots_[i] = {textHash, &added};
        ++findableTexts_;
    }
    return added;
}

void NameTable::RehashTexts(uint32_t capacity) {
    std::unique_ptr<TextSlot[]> slots(new TextSlot[capacity]);
    std::fill_n(slots.get(), capacity, TextSlot{0, nullptr});
    for (uint32_t old = 0; old < textCapacity_; ++old) {
        const TextSlot& slot = textSlots_[old];
        if (slot.text == nullptr) {
            continue;
        }
        uint32_t i = Home(slot.textHash, capacity);
        while (slots[i].text != nullptr) {
            i = i + 1 == capacity ? 0 : i + 1;
        }
        slots[i] = slot;
    }
    textSlots_ = std::move(slots);
    textCapacity_ = capacity;
}

NameTable::Text* NameTable::Store(std::string_view text) {
    static_assert(sizeof(Text) % sizeof(uint32_t) == 0 && alignof(Text) <= alignof(uint32_t));
    // Whole words, so that every Text is aligned.
    const std::size_t bytes = (sizeof(Text) + text.size() + 3) / 4 * 4;
    auto* const stored = new (textMemory_.Allocate(bytes, alignof(Text))) Text{};
    if (!text.empty()) {
        std::memcpy(stored + 1, text.data(), text.size());
    }
    return stored;
}

}  // namespace rakor::Attrib
