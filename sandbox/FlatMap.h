#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <type_traits>
#include <utility>
#include <vector>

namespace rakor::Sandbox {

// Fibonacci hashing: the key times 2^32 / phi, whose high bits pick the
// slot, so that keys in sequence (addresses of one block, hexadecimal keys 1,
// 2, 3) spread over the table. A hash for other keys gives 32 bits whose
// high ones are well mixed.
template <typename Key>
struct FibonacciHash {
    uint32_t operator()(Key key) const noexcept {
        if constexpr (std::is_pointer_v<Key>) {
            return static_cast<uint32_t>(reinterpret_cast<std::uintptr_t>(key)) * 0x9E3779B1u;
        } else if constexpr (sizeof(Key) > sizeof(uint32_t)) {
            return static_cast<uint32_t>((static_cast<uint64_t>(key) * 0x9E3779B97F4A7C15ull) >>
                                         32);
        } else {
            return static_cast<uint32_t>(key) * 0x9E3779B1u;
        }
    }
};

// A hash map for lookups made for every script line (the sandbox host's by
// key or address, vxmod's review's by what a line changed): its entries lie
// in one array (open addressing, linear probing), so a lookup touches one
// place in memory instead of a bucket and a node as std::unordered_map's
// does. A slot whose key is the zero key (0, null, Key{}) is free, so a slot
// is the entry and nothing more: the one entry whose key is zero is kept
// apart, in a slot after the table. It offers the part of
// std::unordered_map's interface its users need (entries have the members
// first and second, as std::pair has); iterators and references are
// invalidated by any insertion or erasure.
template <typename Key, typename Value, typename Hash = FibonacciHash<Key>>
class FlatMap {
public:
    struct Entry {
        Key first{};
        [[no_unique_address]] Value second{};
    };
    using value_type = Entry;

    template <bool Const>
    class Iterator {
        using Map = std::conditional_t<Const, const FlatMap, FlatMap>;

    public:
        using reference = std::conditional_t<Const, const value_type&, value_type&>;

        Iterator(Map* map, std::size_t slot) : map_(map), slot_(slot) { SkipFree(); }
        operator Iterator<true>() const { return {map_, slot_}; }

        reference operator*() const { return map_->slots_[slot_]; }
        auto* operator->() const { return &map_->slots_[slot_]; }
        Iterator& operator++() {
            ++slot_;
            SkipFree();
            return *this;
        }
        friend bool operator==(const Iterator& a, const Iterator& b) { return a.slot_ == b.slot_; }

    private:
        friend class FlatMap;
        void SkipFree() {
            while (slot_ < map_->slots_.size() && !map_->Used(slot_)) {
                ++slot_;
            }
        }

        Map* map_;
        std::size_t slot_;
    };
    using iterator = Iterator<false>;
    using const_iterator = Iterator<true>;

    iterator begin() { return {this, 0}; }
    iterator end() { return {this, slots_.size()}; }
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, slots_.size()}; }

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    iterator find(Key key) { return {this, Find(key)}; }
    const_iterator find(Key key) const { return {this, Find(key)}; }
    bool contains(Key key) const { return Find(key) != slots_.size(); }
    // The value of the key, or null: the host's lookups, without an iterator.
    Value* lookup(Key key) {
        const std::size_t slot = Find(key);
        return slot == slots_.size() ? nullptr : &slots_[slot].second;
    }
    const Value* lookup(Key key) const {
        const std::size_t slot = Find(key);
        return slot == slots_.size() ? nullptr : &slots_[slot].second;
    }
    Value& at(Key key) {
        const std::size_t slot = Find(key);
        if (slot == slots_.size()) {
            throw std::out_of_range("FlatMap::at: no such key");
        }
        return slots_[slot].second;
    }
    const Value& at(Key key) const { return const_cast<FlatMap&>(*this).at(key); }

    template <typename... Args>
    std::pair<iterator, bool> try_emplace(Key key, Args&&... args) {
        if (const std::size_t slot = Find(key); slot != slots_.size()) {
            return {{this, slot}, false};
        }
        Reserve(size_ + 1);
        std::size_t slot = capacity_;
        if (IsZero(key)) {
            zeroUsed_ = true;
        } else {
            slot = Home(key);
            while (!IsZero(slots_[slot].first)) {
                slot = Next(slot);
            }
        }
        slots_[slot] = Entry{key, Value(std::forward<Args>(args)...)};
        ++size_;
        return {{this, slot}, true};
    }
    template <typename... Args>
    std::pair<iterator, bool> emplace(Key key, Args&&... args) {
        return try_emplace(key, std::forward<Args>(args)...);
    }
    std::pair<iterator, bool> insert(Key key) { return try_emplace(key); }
    template <typename V>
    std::pair<iterator, bool> insert_or_assign(Key key, V&& value) {
        auto result = try_emplace(key);
        result.first->second = std::forward<V>(value);
        return result;
    }
    Value& operator[](Key key) { return try_emplace(key).first->second; }

    std::size_t erase(Key key) {
        std::size_t hole = Find(key);
        if (hole == slots_.size()) {
            return 0;
        }
        if (hole == capacity_) {
            zeroUsed_ = false;
        } else {
            // Backward shift: each later entry of the probe run that may move
            // into the hole does, so that no lookup ever stops short at a gap.
            for (std::size_t slot = Next(hole); !IsZero(slots_[slot].first); slot = Next(slot)) {
                const std::size_t home = Home(slots_[slot].first);
                const bool between =
                    hole <= slot ? (hole < home && home <= slot) : (hole < home || home <= slot);
                if (!between) {
                    slots_[hole] = std::move(slots_[slot]);
                    hole = slot;
                }
            }
        }
        slots_[hole] = Entry();
        --size_;
        return 1;
    }

    void clear() {
        for (Entry& slot : slots_) {
            slot = Entry();
        }
        zeroUsed_ = false;
        size_ = 0;
    }

private:
    static bool IsZero(const Key& key) { return key == Key{}; }
    bool Used(std::size_t slot) const {
        return slot == capacity_ ? zeroUsed_ : !IsZero(slots_[slot].first);
    }

    std::size_t Home(const Key& key) const { return Hash()(key) >> shift_; }
    std::size_t Next(std::size_t slot) const { return (slot + 1) & (capacity_ - 1); }

    std::size_t Find(Key key) const {
        if (size_ == 0) {
            return slots_.size();
        }
        if (IsZero(key)) {
            return zeroUsed_ ? capacity_ : slots_.size();
        }
        for (std::size_t slot = Home(key); !IsZero(slots_[slot].first); slot = Next(slot)) {
            if (slots_[slot].first == key) {
                return slot;
            }
        }
        return slots_.size();
    }

    // At most half full, so that probe runs stay short.
    void Reserve(std::size_t entries) {
        if (entries * 2 <= capacity_) {
            return;
        }
        std::size_t capacity = capacity_ == 0 ? 16 : capacity_ * 2;
        while (entries * 2 > capacity) {
            capacity *= 2;
        }
        std::vector<Entry> old(capacity + 1);
        std::swap(old, slots_);
        const std::size_t oldCapacity = capacity_;
        capacity_ = capacity;
        shift_ = 32;
        for (std::size_t size = capacity; size > 1; size /= 2) {
            --shift_;
        }
        for (std::size_t i = 0; i < oldCapacity; ++i) {
            if (!IsZero(old[i].first)) {
                std::size_t slot = Home(old[i].first);
                while (!IsZero(slots_[slot].first)) {
                    slot = Next(slot);
                }
                slots_[slot] = std::move(old[i]);
            }
        }
        if (oldCapacity != 0) {
            slots_[capacity_] = std::move(old[oldCapacity]);
        }
    }

    // capacity_ slots of the table, then the slot of the zero key.
    std::vector<Entry> slots_;
    std::size_t capacity_ = 0;
    std::size_t size_ = 0;
    bool zeroUsed_ = false;
    unsigned shift_ = 32;  // 32 less the bits of the capacity
};

// A set of keys or addresses, as std::unordered_set is used in the sandbox.
template <typename Key>
class FlatSet {
public:
    bool contains(Key key) const { return map_.contains(key); }
    bool insert(Key key) { return map_.try_emplace(key).second; }
    std::size_t erase(Key key) { return map_.erase(key); }
    void clear() { map_.clear(); }
    std::size_t size() const { return map_.size(); }

private:
    struct Nothing {};
    FlatMap<Key, Nothing> map_;
};

}  // namespace rakor::Sandbox
