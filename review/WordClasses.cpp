#include "review/WordClasses.h"

#include "review/LineWords.h"
#include "review/TextLines.h"

namespace vxmod {
namespace automation = rakor::Attrib::Automation;
using automation::Role;

namespace {

// A value that a number field reads as one: its start is a number.
bool LooksLikeANumber(std::string_view word) {
    std::size_t at = word.starts_with('-') || word.starts_with('+') ? 1 : 0;
    if (at < word.size() && word[at] == '.') {
        ++at;
    }
    return at < word.size() && word[at] >= '0' && word[at] <= '9' && !word.starts_with("0x");
}

}  // namespace

std::vector<ClassifiedWord> ClassifyWords(std::string_view text) {
    std::vector<ClassifiedWord> classified;
    const TextLines lines(text);
    for (std::size_t line = 0; line < lines.Count(); ++line) {
        const std::string_view written = lines.Line(line);
        const LineWords words = WordsOf(written);
        if (words.command != nullptr) {
            classified.push_back({line, words.words[0], WordClass::Command});
            for (std::size_t i = 1; i < words.words.size(); ++i) {
                WordClass what = WordClass::Text;
                switch (words.RoleOf(i)) {
                    case Role::None:
                        continue;
                    case Role::Class:
                        what = WordClass::Class;
                        break;
                    case Role::Collection:
                    case Role::Parent:
                    case Role::Ignored:
                        what = WordClass::Collection;
                        break;
                    case Role::NewCollection:
                        what = WordClass::NewCollection;
                        break;
                    case Role::Field:
                        what = WordClass::Field;
                        break;
                    case Role::Member:
                        what = WordClass::Member;
                        break;
                    case Role::Value:
                    case Role::Count:
                        what =
                            LooksLikeANumber(words.Word(i)) ? WordClass::Number : WordClass::Text;
                        break;
                }
                classified.push_back({line, words.words[i], what});
            }
        }
        if (words.comment) {
            classified.push_back({line, {*words.comment, written.size()}, WordClass::Comment});
        }
    }
    return classified;
}

}  // namespace vxmod
