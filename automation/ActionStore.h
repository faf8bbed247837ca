#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "host/Arena.h"

namespace rakor::Attrib::Automation {

// Memory for the actions of one script and the texts they keep: a few large
// blocks instead of an allocation each, since a mod pack of a million lines
// holds a million actions until its last line has run. What Make builds is
// destroyed by whoever made it (ParsedScript); the blocks go with the store.
class ActionStore {
public:
    ActionStore() = default;
    ActionStore(const ActionStore&) = delete;
    ActionStore& operator=(const ActionStore&) = delete;

    template <typename T, typename... Args>
    T* Make(Args&&... args) {
        return new (Allocate(sizeof(T), alignof(T))) T(std::forward<Args>(args)...);
    }

    // The same with `tail` bytes of room right behind the object, for what it
    // keeps there (its texts): no pointer to them, no second allocation.
    template <typename T, typename... Args>
    T* MakeWithTail(std::size_t tail, Args&&... args) {
        return new (Allocate(sizeof(T) + tail, alignof(T))) T(std::forward<Args>(args)...);
    }

private:
    void* Allocate(std::size_t size, std::size_t alignment) {
        return arena_.Allocate(size, alignment);
    }

    // Small for a single line, growing to large blocks for a whole script.
    Arena arena_{256, 256 * 1024};
};

}  // namespace rakor::Attrib::Automation
