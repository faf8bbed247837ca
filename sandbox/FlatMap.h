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

// A hash map for the sandbox host's lookups by key or address, which the
// library makes for every script line: its entries lie in one array (open
// addressing, linear probing), so a lookup touches one place in memory
// instead of a bucket and a node as std::unordered_map's does. It offers the
// part of std::unordered_map's interface the sandbox uses; iterators and
// references are invalidated by any insertion or erasure.
template <typename Key, typename Value>
class FlatMap {
    static_assert(std::is_integral_v<Key> || std::is_pointer_v<Key>);

public:
    using value_type = std::pair<Key, Value>;

    template <bool Const>
    class Iterator {
        using Map = std::conditional_t<Const, const FlatMap, FlatMap>;

    public:
        using reference = std::conditional_t<Const, const value_type&, value_type&>;

        Iterator(Map* map, std::size_t slot) : map_(map), slot_(slot) { SkipFree(); }
        operator Iterator<true>() const { return {map_, slot_}; }

        reference operator*() const { return map_->slots_[slot_].entry; }
        auto* operator->() const { return &map_->slots_[slot_].entry; }
        Iterator& operator++() {
            ++slot_;
            SkipFree();
            return *this;
        }
        friend bool operator==(const Iterator& a, const Iterator& b) { return a.slot_ == b.slot_; }

    private:
        friend class FlatMap;
        void SkipFree() {
            while (slot_ < map_->slots_.size() && !map_->slots_[slot_].used) {
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
    Value& at(Key key) {
        const std::size_t slot = Find(key);
        if (slot == slots_.size()) {
            throw std::out_of_range("FlatMap::at: no such key");
        }
        return slots_[slot].entry.second;
    }

    template <typename... Args>
    std::pair<iterator, bool> try_emplace(Key key, Args&&... args) {
        if (const std::size_t slot = Find(key); slot != slots_.size()) {
            return {{this, slot}, false};
        }
        Reserve(size_ + 1);
        std::size_t slot = Home(key);
        while (slots_[slot].used) {
            slot = Next(slot);
        }
        slots_[slot].entry = value_type(key, Value(std::forward<Args>(args)...));
        slots_[slot].used = true;
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
        // Backward shift: each later entry of the probe run that may move into
        // the hole does, so that no lookup ever stops short at a gap.
        for (std::size_t slot = Next(hole); slots_[slot].used; slot = Next(slot)) {
            const std::size_t home = Home(slots_[slot].entry.first);
            const bool between =
                hole <= slot ? (hole < home && home <= slot) : (hole < home || home <= slot);
            if (!between) {
                slots_[hole] = std::move(slots_[slot]);
                hole = slot;
            }
        }
        slots_[hole] = Slot();
        --size_;
        return 1;
    }

    void clear() {
        for (Slot& slot : slots_) {
            slot = Slot();
        }
        size_ = 0;
    }

private:
    // Fibonacci hashing: the high bits of the key times 2^32 / phi pick the
    // slot, so that keys in sequence (addresses of one block, hexadecimal
    // keys 1, 2, 3) spread over the table.
    std::size_t Home(Key key) const {
        uint32_t bits;
        if constexpr (std::is_pointer_v<Key>) {
            bits = static_cast<uint32_t>(reinterpret_cast<std::uintptr_t>(key));
        } else {
            bits = static_cast<uint32_t>(key);
        }
        return (bits * 0x9E3779B1u) >> shift_;
    }
    std::size_t Next(std::size_t slot) const { return (slot + 1) & (slots_.size() - 1); }

    std::size_t Find(Key key) const {
        if (size_ == 0) {
            return slots_.size();
        }
        for (std::size_t slot = Home(key); slots_[slot].used; slot = Next(slot)) {
            if (slots_[slot].entry.first == key) {
                return slot;
            }
        }
        return slots_.size();
    }

    // At most half full, so that probe runs stay short.
    void Reserve(std::size_t entries) {
        if (entries * 2 <= slots_.size()) {
            return;
        }
        std::size_t capacity = slots_.empty() ? 16 : slots_.size() * 2;
        while (entries * 2 > capacity) {
            capacity *= 2;
        }
        std::vector<Slot> old(capacity);
        std::swap(old, slots_);
        shift_ = 32;
        for (std::size_t size = capacity; size > 1; size /= 2) {
            --shift_;
        }
        for (Slot& moving : old) {
            if (moving.used) {
                std::size_t slot = Home(moving.entry.first);
                while (slots_[slot].used) {
                    slot = Next(slot);
                }
                slots_[slot] = std::move(moving);
            }
        }
    }

    // The entry and whether the slot holds one, side by side: one cache line.
    struct Slot {
        value_type entry{};
        bool used = false;
    };

    std::vector<Slot> slots_;
    std::size_t size_ = 0;
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
