#include "review/LineWords.h"

#include <string>

#include "automation/LineTokens.h"
#include "hash/StringHasher.h"

namespace vxmod {
namespace automation = rakor::Attrib::Automation;

LineWords WordsOf(std::string_view line) {
    LineWords words{.line = line};
    const auto blank = [&](std::size_t i) {
        return automation::kIsBlank[static_cast<unsigned char>(line[i])];
    };
    for (std::size_t at = 0; at < line.size();) {
        while (at < line.size() && blank(at)) {
            ++at;
        }
        if (at == line.size()) {
            break;
        }
        if (line[at] == '#') {
            words.comment = at;
            break;
        }
        const std::size_t from = at;
        while (at < line.size() && !blank(at)) {
            ++at;
        }
        words.words.push_back({from, at});
    }
    if (!words.words.empty()) {
        words.command = automation::FindCommand(words.Word(0));
    }
    return words;
}

automation::Role LineWords::RoleOf(std::size_t i) const {
    return command == nullptr ? automation::Role::None : command->RoleOf(words.size(), i);
}

std::string_view LineWords::WordOf(automation::Role role) const {
    const std::size_t token = command == nullptr ? 0 : command->TokenOf(words.size(), role);
    return token == 0 ? std::string_view() : Word(token);
}

std::optional<WordAtCursor> WordAt(const LineWords& words, std::size_t at) {
    if (words.comment && at > *words.comment) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < words.words.size(); ++i) {
        const WordSpan& word = words.words[i];
        if (at < word.from) {
            return WordAtCursor{i, {at, at}};
        }
        if (at <= word.to) {
            return WordAtCursor{i, word};
        }
    }
    return WordAtCursor{words.words.size(), {at, at}};
}

std::optional<uint32_t> KeyOfName(std::string_view name) {
    try {
        return rakor::Attrib::StringHasher::HashText(std::string(name));
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::string_view FieldName(std::string_view field) {
    return field.substr(0, field.find('['));
}

}  // namespace vxmod
