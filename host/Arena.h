#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace rakor {

// Memory handed out from a few large blocks, for many small objects that all
// go together: a script's actions and the texts they keep, the names a table
// keeps. An allocation each would cost its own bookkeeping, and a mod pack
// has a million of them. Blocks start at `first` bytes and double up to
// `largest`; a request of more than a quarter of that gets a block of its
// own, and leaves the current block to the small ones. Nothing is freed but
// all at once, with the arena.
class Arena {
public:
    Arena(std::size_t first, std::size_t largest) : blockSize_(first), largest_(largest) {}
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;

    // The common case, room left in the current block, stays inline.
    void* Allocate(std::size_t size, std::size_t alignment) {
        const std::size_t padding =
            (alignment - reinterpret_cast<std::uintptr_t>(next_) % alignment) % alignment;
        if (next_ == nullptr || padding + size > left_) {
            return AllocateInNewBlock(size, alignment);
        }
        void* const result = next_ + padding;
        next_ += padding + size;
        left_ -= padding + size;
        return result;
    }

private:
    void* AllocateInNewBlock(std::size_t size, std::size_t alignment) {
        const std::size_t needed = size + alignment;
        if (needed > largest_ / 4) {
            blocks_.emplace_back(new std::byte[needed]);
            const auto at = reinterpret_cast<std::uintptr_t>(blocks_.back().get());
            return blocks_.back().get() + (alignment - at % alignment) % alignment;
        }
        const std::size_t bytes = std::max(blockSize_, needed);
        blocks_.emplace_back(new std::byte[bytes]);
        next_ = blocks_.back().get();
        left_ = bytes;
        blockSize_ = std::min(blockSize_ * 2, largest_);
        return Allocate(size, alignment);
    }

    std::vector<std::unique_ptr<std::byte[]>> blocks_;
    std::byte* next_ = nullptr;
    std::size_t left_ = 0;
    std::size_t blockSize_;
    std::size_t largest_;
};

}  // namespace rakor
