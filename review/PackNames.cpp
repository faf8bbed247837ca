#include "review/PackNames.h"

#include <map>
#include <utility>

#include "automation/LineTokens.h"
#include "automation/TokenScan.h"
#include "review/LineWords.h"
#include "review/TextLines.h"

namespace vxmod {
namespace automation = rakor::Attrib::Automation;
using automation::Role;
using Kind = WrittenName::Kind;

namespace {

// The name a word of the line is, by its role.
std::optional<WrittenName> NameOfWord(const LineWords& words, std::size_t index) {
    const Role role = words.RoleOf(index);
    const auto classKey = KeyOfName(words.WordOf(Role::Class));
    if (!classKey) {
        return std::nullopt;
    }
    const std::string_view word = words.Word(index);
    switch (role) {
        case Role::Class:
            return WrittenName{Kind::Class, *classKey, *classKey, false};
        case Role::Collection:
        case Role::Parent:
        case Role::Ignored:
        case Role::NewCollection:
            if (const auto key = KeyOfName(word)) {
                return WrittenName{Kind::Collection, *classKey, *key, role == Role::NewCollection};
            }
            break;
        case Role::Field:
            if (const auto key = KeyOfName(FieldName(word))) {
                return WrittenName{Kind::Field, *classKey, *key, false};
            }
            break;
        case Role::Member:
        case Role::Value:
        case Role::Count:
        case Role::None:
            break;
    }
    return std::nullopt;
}

WordSpan NameSpan(const LineWords& words, std::size_t index) {
    WordSpan span = words.words[index];
    if (words.RoleOf(index) == Role::Field) {
        span.to = span.from + FieldName(words.Word(index)).size();
    }
    return span;
}

// Calls `each` with the words of every line that names a command.
template <typename Each>
void ForEachCommandLine(std::string_view text, Each&& each) {
    const TextLines lines(text);
    for (std::size_t line = 0; line < lines.Count(); ++line) {
        const std::string_view written = lines.Line(line);
        // Most lines of a large pack name nothing asked for: the words are
        // split only for lines that name a command.
        const LineWords words = WordsOf(written);
        if (words.command != nullptr) {
            each(line, words);
        }
    }
}

}  // namespace

std::optional<std::pair<WrittenName, WordSpan>> NameAt(std::string_view line, std::size_t at) {
    const LineWords words = WordsOf(line);
    const std::optional<WordAtCursor> word = WordAt(words, at);
    if (!word || word->index == 0 || word->index >= words.words.size() ||
        words.command == nullptr) {
        return std::nullopt;
    }
    const auto name = NameOfWord(words, word->index);
    if (!name) {
        return std::nullopt;
    }
    return std::pair(*name, NameSpan(words, word->index));
}

std::vector<NamePlace> PlacesOf(const PackSession& session, const WrittenName& name,
                                bool madeOnly) {
    std::vector<NamePlace> places;
    for (const PackSession::Script* script : session.Scripts()) {
        if (!script->text) {
            continue;
        }
        ForEachCommandLine(*script->text, [&](std::size_t line, const LineWords& words) {
            for (std::size_t i = 1; i < words.words.size(); ++i) {
                const auto written = NameOfWord(words, i);
                if (!written || written->kind != name.kind || written->key != name.key ||
                    written->classKey != name.classKey || (madeOnly && !written->made)) {
                    continue;
                }
                places.push_back({script, line, NameSpan(words, i), written->made});
            }
        });
    }
    return places;
}

std::vector<ScriptSymbol> SymbolsOf(std::string_view text) {
    std::vector<ScriptSymbol> symbols;
    std::map<std::pair<std::string, std::string>, std::size_t> collections;
    ForEachCommandLine(text, [&](std::size_t line, const LineWords& words) {
        const std::string_view className = words.WordOf(Role::Class);
        const bool makes = !words.WordOf(Role::NewCollection).empty();
        const Role role = makes ? Role::NewCollection : Role::Collection;
        const std::size_t index = words.command->TokenOf(words.words.size(), role);
        if (className.empty() || index == 0) {
            return;
        }
        const std::string name(words.Word(index));
        auto [found, added] =
            collections.try_emplace({std::string(className), name}, symbols.size());
        if (added) {
            symbols.push_back({.name = std::string(className) + "->" + name,
                               .firstLine = line,
                               .word = words.words[index]});
        }
        ScriptSymbol& symbol = symbols[found->second];
        symbol.lastLine = line;
        if (makes) {
            symbol.detail = "made here, a child of " + std::string(words.WordOf(Role::Parent));
        }
        const std::size_t field = words.command->TokenOf(words.words.size(), Role::Field);
        if (field == 0) {
            return;
        }
        const std::string fieldName(FieldName(words.Word(field)));
        for (ScriptSymbol& child : symbol.children) {
            if (child.name == fieldName) {
                child.lastLine = line;
                return;
            }
        }
        symbol.children.push_back({.name = fieldName,
                                   .detail = std::string(words.command->word),
                                   .firstLine = line,
                                   .lastLine = line,
                                   .word = NameSpan(words, field),
                                   .collection = false});
    });
    return symbols;
}

}  // namespace vxmod
