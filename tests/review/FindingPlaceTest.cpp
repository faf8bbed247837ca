// Where an editor shows what the review says of a line: the word the
// finding's cause or kind is about, found through the command table's roles;
// columns as editors count them; and the names a note offers, read back for
// a quick fix.
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "review/FindingPlace.h"
#include "review/NameParts.h"
#include "review/TextLines.h"

namespace vxmod {
namespace {

using rakor::Attrib::Automation::Cause;
using Severity = Diagnostic::Severity;

struct Case {
    const char* line;
    Severity severity;
    FindingKind kind;
    Cause cause;
    uint8_t token;
    const char* word;  // the bytes of the line the finding is placed on
};

TEST(FindingPlace, EachFindingIsOnTheWordItIsAbout) {
    const std::vector<Case> cases = {
        // The loader's causes, by the role of the argument they are about.
        {"update_field truck default TopSpeed 1", Severity::Error, FindingKind::Unsorted,
         Cause::NoClass, 0, "truck"},
        {"update_field car hatch TopSpeed 1", Severity::Note, FindingKind::Unsorted,
         Cause::NoCollection, 0, "hatch"},
        {"add_node car sedan wagon", Severity::Error, FindingKind::Unsorted, Cause::NoCollection, 0,
         "sedan"},
        {"update_field car default Gears[2] 1", Severity::Error, FindingKind::Unsorted,
         Cause::NoField, 0, "Gears"},
        {"update_field car default GearRatios[9] 1", Severity::Error, FindingKind::Unsorted,
         Cause::SubscriptOutOfRange, 0, "[9]"},
        {"update_field car default Price cheap", Severity::Error, FindingKind::Unsorted,
         Cause::ValueNotANumber, 0, "cheap"},
        {"update_field car default Grip Middle 1.0", Severity::Error, FindingKind::Unsorted,
         Cause::NoMember, 0, "Middle"},
        {"update_field car default Grip Middle", Severity::Error, FindingKind::Unsorted,
         Cause::NoMember, 0, "Middle"},
        {"resize_field car default Gears 70000", Severity::Error, FindingKind::Unsorted,
         Cause::TooManyElements, 0, "70000"},
        // The parser's causes name their token; a short line is all of it.
        {"copy_node car default coupe 0xZZ", Severity::Error, FindingKind::Unsorted,
         Cause::NameNotHexadecimal, 4, "0xZZ"},
        {"update_field car  default", Severity::Error, FindingKind::Unsorted,
         Cause::TooFewArguments, 0, "update_field car  default"},
        // What is said of a line that ran, by its kind.
        {"update_field car coupe Price 1", Severity::Warning, FindingKind::Inherited, Cause::None,
         0, "coupe"},
        {"update_field car default Price 1,200", Severity::Warning, FindingKind::NumberReadInPart,
         Cause::None, 0, "1,200"},
        {"resize_field car default Gears 3", Severity::Warning, FindingKind::Conflict, Cause::None,
         0, "3"},
        {"copy_node car default coupe wagon", Severity::Warning, FindingKind::CopiesNothing,
         Cause::None, 0, "coupe"},
        {"add_node car coupe roadster", Severity::Warning, FindingKind::MadeAgain, Cause::None, 0,
         "roadster"},
        {"update_field car default TopSpeed 1 2 3", Severity::Warning, FindingKind::IgnoredWords,
         Cause::None, 0, "3"},
        {"update_field car default Badge \"Two Words\"", Severity::Warning, FindingKind::Quotes,
         Cause::None, 0, "\"Two Words\""},
        {"delete_node car default", Severity::Note, FindingKind::DoesNothing, Cause::None, 0,
         "delete_node"},
        {"resize_field car default Gears x", Severity::Error, FindingKind::Unsorted, Cause::None, 0,
         "x"},
        {"Update_Field car default TopSpeed 1", Severity::Error, FindingKind::Unsorted, Cause::None,
         0, "Update_Field"},
        {"update_field car de\xC2\xA0"
         "fault TopSpeed 1",
         Severity::Warning, FindingKind::Invisible, Cause::None, 0,
         "de\xC2\xA0"
         "fault"},
    };
    for (const Case& c : cases) {
        const std::string_view line = c.line;
        const WordSpan word =
            PlaceOfFinding(line, c.severity, c.kind, LineOutcome{c.cause, c.token});
        EXPECT_EQ(line.substr(word.from, word.to - word.from), c.word) << c.line;
    }
}

TEST(TextLines, ColumnsCountUtf16UnitsAndStrayBytesAsOne) {
    // "é" is two bytes and one unit, "😀" four bytes and two units, a stray byte one.
    const std::string line = "a\xC3\xA9 \xF0\x9F\x98\x80 \xE9 z";
    EXPECT_EQ(ColumnOf(line, line.size()), 9);
    EXPECT_EQ(ColumnOf(line, line.find('z')), 8);
    EXPECT_EQ(ByteOfColumn(line, 8), line.find('z'));
    EXPECT_EQ(ByteOfColumn(line, 99), line.size());

    const TextLines lines("one\r\ntwo\nthree");
    EXPECT_EQ(lines.Count(), 3u);
    EXPECT_EQ(lines.Line(0), "one\r");
    EXPECT_EQ(lines.Offset({2, 2}), 11u);
    EXPECT_EQ(lines.PositionOf(11), (TextPosition{2, 2}));

    std::string text = "update_field car default TopSpeed 1\nsecond line\n";
    ReplaceRange(text, {{0, 25}, {0, 33}}, "Mass");
    ReplaceRange(text, {{1, 0}, {2, 0}}, "");
    EXPECT_EQ(text, "update_field car default Mass 1\n");
}

TEST(NameParts, TheNamesOfferedAreReadBackAsWritten) {
    for (const std::vector<std::string>& names :
         {std::vector<std::string>{"TopSpeed"}, {"Gears", "GearRatios"}, {"a", "b'c", "d"}}) {
        EXPECT_EQ(MeantInMessage("neither 'default' nor a parent of it holds a field 'x'" +
                                 DidYouMean(names)),
                  names);
    }
    EXPECT_THAT(MeantInMessage("class 'car' has no collection 'x'; the collections are 'a'"),
                ::testing::IsEmpty());
}

}  // namespace
}  // namespace vxmod
