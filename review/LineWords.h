#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "automation/CommandTable.h"
#include "review/FindingPlace.h"

namespace vxmod {

// Every word of a script line, where it lies, and what the command table
// makes of it: the language services' view of a line (the parser keeps
// only the words a command reads).
struct LineWords {
    std::string_view line{};
    std::vector<WordSpan> words{};         // before the comment
    std::optional<std::size_t> comment{};  // where a comment begins
    const rakor::Attrib::Automation::Command* command = nullptr;

    std::string_view Word(std::size_t i) const {
        return i < words.size() ? line.substr(words[i].from, words[i].to - words[i].from)
                                : std::string_view();
    }
    // The role of word i (from 1) as the line stands.
    rakor::Attrib::Automation::Role RoleOf(std::size_t i) const;
    // The word that has the role, or an empty view.
    std::string_view WordOf(rakor::Attrib::Automation::Role role) const;
};

LineWords WordsOf(std::string_view line);

// Which word a cursor at byte `at` of the line is in, or begins (a cursor
// after a blank begins a new one); none inside a comment.
struct WordAtCursor {
    std::size_t index = 0;  // 0: the command word
    WordSpan span{};        // the word, or an empty span at the cursor
};
std::optional<WordAtCursor> WordAt(const LineWords& words, std::size_t at);

// The key of a name as the loader makes it ("0x" names are keys written
// out); none for a "0x" name that is no key.
std::optional<uint32_t> KeyOfName(std::string_view name);

// "Gears[3]" names the field Gears.
std::string_view FieldName(std::string_view field);

}  // namespace vxmod
