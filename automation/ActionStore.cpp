#include "automation/ActionStore.h"

#include <algorithm>

namespace rakor::Attrib::Automation {
namespace {

constexpr std::size_t kLargestBlock = 256 * 1024;

}  // namespace

void* ActionStore::AllocateInNewBlock(std::size_t size, std::size_t alignment) {
    const std::size_t bytes = std::max(blockSize_, size + alignment);
    blocks_.emplace_back(new std::byte[bytes]);
    next_ = blocks_.back().get();
    left_ = bytes;
    blockSize_ = std::min(blockSize_ * 2, kLargestBlock);
    return Allocate(size, alignment);
}

}  // namespace rakor::Attrib::Automation
