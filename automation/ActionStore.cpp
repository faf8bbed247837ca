#include "automation/ActionStore.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace rakor::Attrib::Automation {
namespace {

constexpr std::size_t kLargestBlock = 256 * 1024;

}  // namespace

std::string_view ActionStore::Keep(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    auto* const copy = static_cast<char*>(Allocate(text.size(), 1));
    std::memcpy(copy, text.data(), text.size());
    return {copy, text.size()};
}

void* ActionStore::Allocate(std::size_t size, std::size_t alignment) {
    const auto address = reinterpret_cast<std::uintptr_t>(next_);
    std::size_t padding = (alignment - address % alignment) % alignment;
    if (next_ == nullptr || padding + size > left_) {
        const std::size_t bytes = std::max(blockSize_, size + alignment);
        blocks_.emplace_back(new std::byte[bytes]);
        next_ = blocks_.back().get();
        left_ = bytes;
        blockSize_ = std::min(blockSize_ * 2, kLargestBlock);
        padding = (alignment - reinterpret_cast<std::uintptr_t>(next_) % alignment) % alignment;
    }
    void* const result = next_ + padding;
    next_ += padding + size;
    left_ -= padding + size;
    return result;
}

}  // namespace rakor::Attrib::Automation
