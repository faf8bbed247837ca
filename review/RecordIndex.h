#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace vxmod {

// Finds records that hold their own keys, by a hash of the key. A slot is
// the hash and the record's number, 8 bytes, where a slot that held the key
// itself took 28: on the whole-run mix, the conflict records' table fell from
// 7 to 2 MB (about 5 bytes a line of vxmod run's peak). A record is compared
// only when its hash is the one looked for. Kept at most half full.
class RecordIndex {
public:
    static constexpr uint32_t kNone = 0xFFFFFFFF;

    // The number of the record with this hash that `holds` (a function of
    // a record's number) says is the one, or kNone.
    template <typename Holds>
    uint32_t Find(uint32_t hash, Holds&& holds) const {
        if (slots_.empty()) {
            return kNone;
        }
        for (std::size_t at = Home(hash); slots_[at].number != kNone; at = Next(at)) {
            if (slots_[at].hash == hash && holds(slots_[at].number)) {
                return slots_[at].number;
            }
        }
        return kNone;
    }

    // The same, and where there is none, `number` is added as that record:
    // the number found or added, and whether it was added.
    template <typename Holds>
    std::pair<uint32_t, bool> FindOrAdd(uint32_t hash, uint32_t number, Holds&& holds) {
        if ((used_ + 1) * 2 > slots_.size()) {
            Grow();
        }
        std::size_t at = Home(hash);
        for (; slots_[at].number != kNone; at = Next(at)) {
            if (slots_[at].hash == hash && holds(slots_[at].number)) {
                return {slots_[at].number, false};
            }
        }
        slots_[at] = {hash, number};
        ++used_;
        return {number, true};
    }

    // Forgets the records numbered `number` and above (those made after a
    // moment gone back to).
    void ForgetFrom(uint32_t number) {
        std::vector<Slot> old;
        std::swap(old, slots_);
        slots_.resize(old.size());
        used_ = 0;
        for (const Slot& slot : old) {
            if (slot.number != kNone && slot.number < number) {
                Place(slot);
            }
        }
    }

private:
    struct Slot {
        uint32_t hash = 0;
        uint32_t number = kNone;
    };

    // The hash mixed once more, whose high bits pick the slot.
    std::size_t Home(uint32_t hash) const { return (hash * 0x9E3779B1u) >> shift_; }
    std::size_t Next(std::size_t at) const { return (at + 1) & (slots_.size() - 1); }

    void Grow() {
        std::vector<Slot> old(slots_.empty() ? 16 : slots_.size() * 2);
        std::swap(old, slots_);
        used_ = 0;
        shift_ = 32;
        for (std::size_t size = slots_.size(); size > 1; size /= 2) {
            --shift_;
        }
        for (const Slot& slot : old) {
            if (slot.number != kNone) {
                Place(slot);
            }
        }
    }

    // A slot where its hash leads, in a table that does not hold its record.
    void Place(const Slot& slot) {
        std::size_t at = Home(slot.hash);
        while (slots_[at].number != kNone) {
            at = Next(at);
        }
        slots_[at] = slot;
        ++used_;
    }

    std::vector<Slot> slots_;  // a power of two of them
    std::size_t used_ = 0;
    unsigned shift_ = 32;  // 32 less the bits of the table's size
};

}  // namespace vxmod
