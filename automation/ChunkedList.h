#pragma once

#include <cstddef>
#include <iterator>
#include <memory>
#include <type_traits>
#include <vector>

namespace rakor::Attrib::Automation {

// An append-only sequence of small plain records in fixed chunks: a list of a
// million entries grows without ever being copied, and never holds an old and
// a new copy of itself at once (which a 32-bit game process may not afford).
template <typename T, std::size_t kChunk = 4096>
class ChunkedList {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = T;
        using difference_type = std::ptrdiff_t;
        using pointer = const T*;
        using reference = const T&;

        Iterator() = default;
        const T& operator*() const { return (*chunks_)[index_ / kChunk][index_ % kChunk]; }
        const T* operator->() const { return &**this; }
        Iterator& operator++() {
            ++index_;
            return *this;
        }
        Iterator operator++(int) {
            Iterator before = *this;
            ++index_;
            return before;
        }
        friend bool operator==(const Iterator&, const Iterator&) = default;

    private:
        friend class ChunkedList;
        Iterator(const std::vector<std::unique_ptr<T[]>>* chunks, std::size_t index)
            : chunks_(chunks), index_(index) {}

        const std::vector<std::unique_ptr<T[]>>* chunks_ = nullptr;
        std::size_t index_ = 0;
    };

    // Room for one more entry, so that the push_back after it cannot fail.
    void MakeRoom() {
        if (size_ == chunks_.size() * kChunk) {
            chunks_.reserve(chunks_.size() + 1);  // so that the new chunk cannot be lost
            chunks_.emplace_back(std::make_unique_for_overwrite<T[]>(kChunk));
        }
    }
    void push_back(const T& value) {
        MakeRoom();
        chunks_.back()[size_ % kChunk] = value;
        ++size_;
    }

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const T& front() const { return chunks_.front()[0]; }
    const T& operator[](std::size_t index) const { return chunks_[index / kChunk][index % kChunk]; }
    Iterator begin() const { return {&chunks_, 0}; }
    Iterator end() const { return {&chunks_, size_}; }

private:
    std::vector<std::unique_ptr<T[]>> chunks_;
    std::size_t size_ = 0;
};

}  // namespace rakor::Attrib::Automation
