#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace vxmod {

// Records by number, in chunks of a fixed power of two: a list of hundreds of
// thousands grows without being moved, as a deque does, and the record of a
// number is found by a shift and a mask (a deque of records of 92 bytes
// divides by five, 57 instructions a lookup on the whole-run mix).
template <typename T, std::size_t kChunk = 1024>
class RecordChunks {
    static_assert((kChunk & (kChunk - 1)) == 0);

public:
    std::size_t size() const { return size_; }
    T& operator[](std::size_t number) { return chunks_[number / kChunk][number % kChunk]; }
    const T& operator[](std::size_t number) const {
        return chunks_[number / kChunk][number % kChunk];
    }
    // A new record at the end, as T() makes it.
    T& emplace_back() {
        if (size_ == chunks_.size() * kChunk) {
            chunks_.reserve(chunks_.size() + 1);  // so that the new chunk cannot be lost
            chunks_.push_back(std::make_unique<T[]>(kChunk));
        }
        ++size_;
        return (*this)[size_ - 1];
    }

    // Forgets the records from `size` on, and the chunks that held only them.
    void Truncate(std::size_t size) {
        for (std::size_t number = size; number < size_; ++number) {
            (*this)[number] = T();
        }
        size_ = std::min(size, size_);
        chunks_.resize((size_ + kChunk - 1) / kChunk);
    }

private:
    std::vector<std::unique_ptr<T[]>> chunks_;
    std::size_t size_ = 0;
};

}  // namespace vxmod
