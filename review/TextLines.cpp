#include "review/TextLines.h"

#include <algorithm>
#include <cstring>

#include "host/Utf8.h"

namespace vxmod {
namespace {

// The bytes of the character at the start of `rest`, and its UTF-16 units.
std::pair<std::size_t, int> CharacterAt(std::string_view rest) {
    if (static_cast<unsigned char>(rest.front()) < 0x80) {
        return {1, 1};
    }
    const rakor::Utf8::Decoded decoded = rakor::Utf8::DecodeFirst(rest);
    if (decoded.length == 0) {
        return {1, 1};
    }
    return {decoded.length, decoded.codePoint > 0xFFFF ? 2 : 1};
}

}  // namespace

TextLines::TextLines(std::string_view text) : text_(text) {
    starts_.push_back(0);
    for (const char *at = text.data(), *end = text.data() + text.size();;) {
        const void* feed = std::memchr(at, '\n', static_cast<std::size_t>(end - at));
        if (feed == nullptr) {
            break;
        }
        at = static_cast<const char*>(feed) + 1;
        starts_.push_back(static_cast<std::size_t>(at - text.data()));
    }
}

std::string_view TextLines::Line(std::size_t line) const {
    if (line >= starts_.size()) {
        return {};
    }
    const std::size_t start = starts_[line];
    const std::size_t end = line + 1 < starts_.size() ? starts_[line + 1] - 1 : text_.size();
    return text_.substr(start, end - start);
}

std::size_t TextLines::StartOf(std::size_t line) const {
    return line < starts_.size() ? starts_[line] : text_.size();
}

std::size_t TextLines::Offset(const TextPosition& position) const {
    if (position.line < 0) {
        return 0;
    }
    const auto line = static_cast<std::size_t>(position.line);
    if (line >= starts_.size()) {
        return text_.size();
    }
    return starts_[line] + ByteOfColumn(Line(line), position.column);
}

TextPosition TextLines::PositionOf(std::size_t offset) const {
    offset = std::min(offset, text_.size());
    const auto after = std::upper_bound(starts_.begin(), starts_.end(), offset);
    const auto line = static_cast<std::size_t>(after - starts_.begin() - 1);
    return {static_cast<int>(line), ColumnOf(Line(line), offset - starts_[line])};
}

int ColumnOf(std::string_view line, std::size_t byte) {
    byte = std::min(byte, line.size());
    int column = 0;
    for (std::size_t at = 0; at < byte;) {
        const auto [bytes, units] = CharacterAt(line.substr(at));
        at += bytes;
        column += units;
    }
    return column;
}

std::size_t ByteOfColumn(std::string_view line, int column) {
    std::size_t at = 0;
    for (int counted = 0; at < line.size() && counted < column;) {
        const auto [bytes, units] = CharacterAt(line.substr(at));
        at += bytes;
        counted += units;
    }
    return at;
}

void ReplaceRange(std::string& text, const TextRange& range, std::string_view with) {
    const TextLines lines(text);
    const std::size_t start = lines.Offset(range.start);
    const std::size_t end = std::max(start, lines.Offset(range.end));
    text.replace(start, end - start, with);
}

}  // namespace vxmod
