#pragma once

#include <string_view>

#include <fmt/format.h>

#include "hash/Hashes.h"

// A Hash32 in a message reads as its name, or as "[A::HR] Unresolved: 0x..."
// for a key nobody named: what ToString() gives, written straight into the
// message instead of through a string of its own.
template <>
struct fmt::formatter<rakor::Attrib::Hash32> : fmt::formatter<std::string_view> {
    template <typename FormatContext>
    auto format(rakor::Attrib::Hash32 key, FormatContext& context) const {
        using rakor::Attrib::HashResolver;
        const std::string_view name = HashResolver::NameOf(key.GetValue());
        if (!name.empty()) {
            return fmt::formatter<std::string_view>::format(name, context);
        }
        return fmt::format_to(context.out(), "{}0x{:x}", HashResolver::kUnresolvedPrefix,
                              key.GetValue());
    }
};
