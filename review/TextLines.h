#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vxmod {

// A place in a script as an editor names it: the line from 0, and the column
// in UTF-16 code units from the line's start (a character beyond U+FFFF
// counts two; a byte that is no UTF-8 counts one, as editors show it).
struct TextPosition {
    int line = 0;
    int column = 0;

    auto operator<=>(const TextPosition&) const = default;
};

struct TextRange {
    TextPosition start;
    TextPosition end;

    bool operator==(const TextRange&) const = default;
};

// Where the lines of a script's text begin: lines end at line feeds, as the
// loader reads them (a carriage return before one stays in the line).
class TextLines {
public:
    explicit TextLines(std::string_view text);

    std::size_t Count() const { return starts_.size(); }
    // Line `line` (from 0) without its line feed; empty past the last.
    std::string_view Line(std::size_t line) const;
    std::size_t StartOf(std::size_t line) const;
    // The byte of the text at a position, within its line.
    std::size_t Offset(const TextPosition& position) const;
    // The position of a byte of the text.
    TextPosition PositionOf(std::size_t offset) const;

private:
    std::string_view text_;
    std::vector<std::size_t> starts_;
};

// Columns of a line, counted as TextPosition counts them.
int ColumnOf(std::string_view line, std::size_t byte);
// The byte at the column; the line's end for a column past it.
std::size_t ByteOfColumn(std::string_view line, int column);

// An editor's change: the text between two positions replaced.
void ReplaceRange(std::string& text, const TextRange& range, std::string_view with);

}  // namespace vxmod
