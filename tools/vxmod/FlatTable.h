#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace vxmod {

// A hash table that only grows: open addressing with linear probing, every
// entry in one array, at most three in four places in use. A look-up of a
// large pack's review reads one place of memory where a node-based map
// reads three, and a review looks up something on every line.
template <typename Key, typename Value, typename Hash>
class FlatTable {
public:
    // The value for the key, value-initialised when the key is new (second:
    // true). The reference holds until the next entry is made.
    std::pair<Value&, bool> TryEmplace(const Key& key) {
        if (4 * (size_ + 1) > 3 * slots_.size()) {
            Grow();
        }
        Slot& slot = Place(slots_, key);
        const bool added = !slot.used;
        if (added) {
            slot.used = true;
            slot.key = key;
            ++size_;
        }
        return {slot.value, added};
    }

    const Value* Find(const Key& key) const {
        if (slots_.empty()) {
            return nullptr;
        }
        const Slot& slot = Place(slots_, key);
        return slot.used ? &slot.value : nullptr;
    }

    // Every entry, in no particular order.
    template <typename Visit>
    void ForEach(Visit visit) const {
        for (const Slot& slot : slots_) {
            if (slot.used) {
                visit(slot.key, slot.value);
            }
        }
    }

    std::size_t Size() const { return size_; }

private:
    struct Slot {
        bool used = false;
        Key key{};
        Value value{};
    };

    // The key's slot, or the empty one where it would go.
    template <typename Slots>
    static auto& Place(Slots& slots, const Key& key) {
        const std::size_t mask = slots.size() - 1;
        for (std::size_t at = Hash()(key) & mask;; at = (at + 1) & mask) {
            if (!slots[at].used || slots[at].key == key) {
                return slots[at];
            }
        }
    }

    void Grow() {
        std::vector<Slot> slots(slots_.empty() ? 64 : 2 * slots_.size());
        for (Slot& slot : slots_) {
            if (slot.used) {
                Place(slots, slot.key) = std::move(slot);
            }
        }
        slots_ = std::move(slots);
    }

    std::vector<Slot> slots_;  // a power of two of them
    std::size_t size_ = 0;
};

// Keys that are well-spread numbers already (host keys are CRC-32 values)
// only need their bits mixed into the low ones that pick a slot.
struct MixedHash {
    std::size_t operator()(uint64_t key) const noexcept {
        key *= 0x9E3779B97F4A7C15ull;
        return static_cast<std::size_t>(key >> 32);
    }
};

}  // namespace vxmod
