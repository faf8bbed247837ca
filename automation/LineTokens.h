#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace rakor::Attrib::Automation {

// The separators of a script line: the "C" locale's whitespace, so a
// carriage return separates too.
inline constexpr std::array<bool, 256> kIsBlank = [] {
    std::array<bool, 256> table{};
    for (const unsigned char c : {' ', '\t', '\n', '\v', '\f', '\r'}) {
        table[c] = true;
    }
    return table;
}();

// Calls `each` with every token of the line before its comment, in order: runs
// of bytes that are no blank, with no quoting; a token that begins with '#'
// starts a comment, which runs to the end of the line.
template <typename Each>
void ForEachToken(std::string_view line, Each&& each) {
    const auto isBlank = [](char c) { return kIsBlank[static_cast<unsigned char>(c)]; };
    const char* next = line.data();
    const char* const end = next + line.size();
    while (next != end) {
        while (next != end && isBlank(*next)) {
            ++next;
        }
        if (next == end) {
            return;
        }
        const char* const start = next;
        // Four bytes at a time while none of them can be a blank: every
        // blank is below 0x21, and this finds whether any byte is.
        while (end - next >= 4) {
            uint32_t word;
            std::memcpy(&word, next, 4);
            if (((word - 0x21212121u) & ~word & 0x80808080u) != 0) {
                break;
            }
            next += 4;
        }
        while (next != end && !isBlank(*next)) {
            ++next;
        }
        if (*start == '#') {
            return;
        }
        each(std::string_view(start, static_cast<std::size_t>(next - start)));
    }
}

// The tokens a command can read, as views into the line, and how many tokens
// the line has before its comment (which decides the form of update_field).
struct LineTokens {
    static constexpr std::size_t kMostRead = 6;  // update_field with a member

    std::array<std::string_view, kMostRead> words;
    std::size_t count = 0;
    // Where the last token ends: the line's tokens, all of them, lie
    // between the first token's start and here.
    const char* end = nullptr;

    std::string_view operator[](std::size_t i) const { return words[i]; }
    // The tokens, as they lie in the line, comment left out.
    std::string_view Text() const {
        return count == 0 ? std::string_view()
                          : std::string_view(words[0].data(),
                                             static_cast<std::size_t>(end - words[0].data()));
    }
    // What follows token i (one of those kept) up to the end of the last token.
    std::string_view After(std::size_t i) const {
        const char* from = words[i].data() + words[i].size();
        while (from != end && kIsBlank[static_cast<unsigned char>(*from)]) {
            ++from;
        }
        return {from, static_cast<std::size_t>(end - from)};
    }
};

inline LineTokens SplitLine(std::string_view line) {
    LineTokens tokens;
    ForEachToken(line, [&](std::string_view token) {
        if (tokens.count < LineTokens::kMostRead) {
            tokens.words[tokens.count] = token;
        }
        ++tokens.count;
        tokens.end = token.data() + token.size();
    });
    return tokens;
}

}  // namespace rakor::Attrib::Automation
