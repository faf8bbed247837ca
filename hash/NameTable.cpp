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

uint32_t TextHash(std::string_view text) {
    uint32_t hash = 2166136261u;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619u;
    }
    return hash;
}

// Slots in use per hundred slots: beyond kMaxLoad a table doubles. The hash
// list fills the key table only to kListLoad, so that the names scripts add
// afterwards do not at once double a table that a million names fill.
constexpr uint64_t kMaxKeyLoad = 75;
constexpr uint64_t kListKeyLoad = 60;
constexpr uint64_t kMaxTextLoad = 50;
constexpr uint32_t kFirstCapacity = 64;

constexpr std::size_t kChunkSize = 64 * 1024;

}  // namespace

uint32_t NameTable::KeyOf(std::string_view text, HashFunction hash) {
    const uint32_t textHash = TextHash(text);
    if (const TextSlot* slot = FindText(text, textHash); slot != nullptr) {
        const Text& found = texts_[slot->text];
        if (!found.current) {
            SetName(SlotOf(found.key), slot->text);
        }
        return found.key;
    }
    const uint32_t key = hash(std::string(text));
    const uint32_t index = AddText(text, key, /*findable=*/true, textHash);
    SetName(SlotOf(key), index);
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
    const TextSlot* const found = FindText(name, textHash);
    const uint32_t index = found != nullptr && texts_[found->text].key == key
                               ? found->text
                               : AddText(name, key, /*findable=*/false, textHash);
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
    return {texts_[name].chars, texts_[name].length};
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
    if (slot.name < kFromList) {
        texts_[slot.name].current = false;
    }
    slot.name = name;
    if (name < kFromList) {
        texts_[name].current = true;
    }
}

const NameTable::TextSlot* NameTable::FindText(std::string_view text, uint32_t textHash) {
    if (textCapacity_ == 0) {
        return nullptr;
    }
    for (uint32_t i = Home(textHash, textCapacity_);; i = i + 1 == textCapacity_ ? 0 : i + 1) {
        const TextSlot& slot = textSlots_[i];
        if (slot.text == kVacant) {
            return nullptr;
        }
        const Text& candidate = texts_[slot.text];
        if (slot.textHash == textHash && candidate.length == text.size() &&
            (text.empty() || std::memcmp(candidate.chars, text.data(), text.size()) == 0)) {
            return &slot;
        }
    }
}

uint32_t NameTable::AddText(std::string_view text, uint32_t key, bool findable, uint32_t textHash) {
    if (texts_.size() >= kFromList - 1) {
        throw std::bad_alloc();
    }
    texts_.push_back({Store(text), static_cast<uint32_t>(text.size()), key, findable, false});
    const auto index = static_cast<uint32_t>(texts_.size() - 1);
    if (findable) {
        if ((findableTexts_ + 1) * 100ull > textCapacity_ * kMaxTextLoad) {
            RehashTexts(std::max(kFirstCapacity, textCapacity_ * 2));
        }
        uint32_t i = Home(textHash, textCapacity_);
        while (textSlots_[i].text != kVacant) {
            i = i + 1 == textCapacity_ ? 0 : i + 1;
        }
        textSlots_[i] = {textHash, index};
        ++findableTexts_;
    }
    return index;
}

void NameTable::RehashTexts(uint32_t capacity) {
    std::unique_ptr<TextSlot[]> slots(new TextSlot[capacity]);
    std::fill_n(slots.get(), capacity, TextSlot{0, kVacant});
    for (uint32_t old = 0; old < textCapacity_; ++old) {
        const TextSlot& slot = textSlots_[old];
        if (slot.text == kVacant) {
            continue;
        }
        uint32_t i = Home(slot.textHash, capacity);
        while (slots[i].text != kVacant) {
            i = i + 1 == capacity ? 0 : i + 1;
        }
        slots[i] = slot;
    }
    textSlots_ = std::move(slots);
    textCapacity_ = capacity;
}

const char* NameTable::Store(std::string_view text) {
    if (text.empty()) {
        return "";
    }
    if (text.size() > chunkLeft_) {
        // A long text gets a block of its own, leaving the chunk to short ones.
        if (text.size() > kChunkSize / 4) {
            chunks_.emplace_back(new char[text.size()]);
            std::memcpy(chunks_.back().get(), text.data(), text.size());
            return chunks_.back().get();
        }
        chunks_.emplace_back(new char[kChunkSize]);
        chunkNext_ = chunks_.back().get();
        chunkLeft_ = kChunkSize;
    }
    char* const stored = chunkNext_;
    std::memcpy(stored, text.data(), text.size());
    chunkNext_ += text.size();
    chunkLeft_ -= text.size();
    return stored;
}

}  // namespace rakor::Attrib
