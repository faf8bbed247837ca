#include "review/LineReviewer.h"

#include <algorithm>
#include <initializer_list>

#include <fmt/format.h>

#include "automation/CommandParser.h"
#include "automation/FieldSpec.h"
#include "automation/LineTokens.h"
#include "review/FailureWords.h"
#include "review/ReviewedLine.h"
#include "review/ValueWarnings.h"
#include "sandbox/Database.h"

namespace vxmod {
namespace {

void JoinInto(std::string& joined, std::initializer_list<std::string_view> parts) {
    std::size_t size = 0;
    for (const std::string_view part : parts) {
        size += part.size();
    }
    joined.reserve(size);
    for (const std::string_view part : parts) {
        joined += part;
    }
}

// The key a collection record holds in the word the game leaves to the host.
uint32_t KeyOfRecord(const rakor::Host::CollectionRecord* record) {
    return reinterpret_cast<const rakor::Sandbox::CollectionRecord*>(record)->key;
}

void Made(const ReviewedLine& line, LineFindings& findings) {
    const auto& facts = line.facts;
    findings.made = MadeCollection{.classKey = facts.classKey,
                                   .key = facts.newKey,
                                   .parentKey = facts.collectionKey,
                                   .exists = facts.replaced != nullptr,
                                   .className = line.arguments.className,
                                   .name = line.arguments.newCollection,
                                   .classRecord = facts.classRecord,
                                   .holding = facts.replaced};
}

// Where the edit landed, and how to name it; warns when that is a parent.
EditTarget Target(const ReviewedLine& line, DatabaseNames& names, LineFindings& findings) {
    const auto& facts = line.facts;
    const auto& a = line.arguments;
    findings.words = {
        .className = a.className, .field = line.field.name, .member = {}, .holder = {}};
    const bool inherited = facts.holder != facts.collection;
    if (inherited || a.collection.starts_with("0x")) {
        names.NameCollection(facts.holder, facts.classRecord, findings.holder);
        findings.words.holder = findings.holder;
    }
    const bool ofTheClass =
        facts.holder != nullptr && facts.holder->classObject == facts.classRecord;
    return {.classKey = facts.classKey,
            .holderKey = ofTheClass ? KeyOfRecord(facts.holder) : 0,
            .fieldKey = facts.fieldKey};
}

// The loader looked in the collection's own layout and entries first: a
// field it found elsewhere is in neither, and no line can add it to them.
void WarnIfInherited(const ReviewedLine& line, std::string_view showCommand,
                     LineFindings& findings) {
    if (line.facts.holder != line.facts.collection) {
        const auto& a = line.arguments;
        // Put together by hand: in a large pack a line in every few is told this.
        if (std::string* words = findings.Warn(FindingKind::Inherited)) {
            JoinInto(*words,
                     {"'",
                      a.collection,
                      "' does not hold '",
                      line.field.name,
                      "' itself: this changes it in '",
                      findings.holder,
                      "', for every collection that inherits it from there. No line can give '",
                      a.collection,
                      "' a '",
                      line.field.name,
                      "' of its own: it is not in the class layout of '",
                      a.className,
                      "', whose fields every collection holds, and other fields are held only "
                      "where the game made an entry for them (",
                      showCommand,
                      " ",
                      a.className,
                      " ",
                      a.collection,
                      " lists what '",
                      a.collection,
                      "' holds)"});
        }
    }
}

void Resized(const ReviewedLine& line, DatabaseNames& names, LineFindings& findings) {
    const std::string_view count = line.arguments.count;
    const auto reading = rakor::Attrib::Automation::ReadCountText(count);
    if (reading.used < count.size()) {
        if (std::string* words = findings.Warn(FindingKind::CountReadInPart)) {
            *words = reading.count == 0
                         ? fmt::format(
                               "count '{}' is not a number: it is read as 0, which "
                               "empties the array",
                               count)
                         : fmt::format("count '{}' is read as {}", count, reading.count);
        }
    }
    EditTarget target = Target(line, names, findings);
    target.size = true;
    findings.target = target;
}

// Five words where six were meant: the member's name was read as the value.
void WarnIfValueIsAMember(const ReviewedLine& line, TypeMembers& members, LineFindings& findings) {
    const auto& a = line.arguments;
    if (a.hasMember || line.facts.type == nullptr) {
        return;
    }
    const std::vector<std::string>& names = members.Of(*line.facts.type);
    if (std::find(names.begin(), names.end(), a.value) == names.end()) {
        return;
    }
    if (std::string* words = findings.Warn(FindingKind::MemberAsValue)) {
        *words = fmt::format(
            "'{}' is a member of '{}' ({}), and with five words it is "
            "read as the value: the line "
            "sets '{}' itself to '{}'; the value looks missing "
            "(update_field {} {} {} {} <value>)",
            a.value, line.field.name, line.TypeName(), line.field.name, a.value, a.className,
            a.collection, a.field, a.value);
    }
}

void Updated(const ReviewedLine& line, DatabaseNames& names, TypeMembers& members,
             std::string_view showCommand, LineFindings& findings) {
    EditTarget target = Target(line, names, findings);
    target.element = line.facts.element;
    if (line.facts.element < 0 && line.field.subscripted) {
        if (std::string* words = findings.Warn(FindingKind::SubscriptIgnored)) {
            *words = fmt::format(
                "'{}' is not an array: the subscript in '{}' is ignored "
                "and the field itself is set",
                line.field.name, line.arguments.field);
        }
    }
    WarnIfInherited(line, showCommand, findings);
    if (line.arguments.hasMember) {
        target.member = line.facts.value.member;
        findings.words.member = line.arguments.member;
    }
    WarnIfValueIsAMember(line, members, findings);
    WarnAboutStoredValue(line, findings);
    findings.target = target;
}

}  // namespace

void LineReviewer::Review(const ReviewedLine& line, LineFindings& findings) {
    Ran(line, findings);
    if (findings.made) {
        names_.Made(*findings.made);
    }
}

void LineReviewer::Ran(const ReviewedLine& line, LineFindings& findings) {
    findings.Clear();
    if (line.Failed() || line.run.command == nullptr) {
        return;
    }
    using rakor::Attrib::Automation::Builds;
    switch (line.run.command->builds) {
        case Builds::AddNode:
            Made(line, findings);
            break;
        case Builds::ResizeField:
            Resized(line, names_, findings);
            break;
        case Builds::ModifyField:
            Updated(line, names_, members_, showCommand_, findings);
            break;
        case Builds::Nothing:
            break;
    }
}

std::optional<std::string> LineReviewer::WhyFailed(const ReviewedLine& line) {
    return ExplainFailure(line, names_, members_, exampleDatabase_);
}

std::optional<std::string> LineReviewer::Words(const Finding& finding, std::string_view text) {
    namespace automation = rakor::Attrib::Automation;
    const automation::LineTokens tokens = automation::SplitLine(text);
    if (tokens.count == 0) {
        return std::nullopt;
    }
    // The words need only know that the line failed, not the loader's message.
    const std::string failed;
    const bool whyFailed = finding.place == Finding::kWhyFailed;
    const rakor::LineRun run{.number = finding.line,
                             .tokens = tokens,
                             .command = automation::FindCommand(tokens[0]),
                             .error = whyFailed ? &failed : nullptr,
                             .facts = finding.facts};
    const ReviewedLine line(run);
    if (whyFailed) {
        return WhyFailed(line);
    }
    // The line's warnings are found again, and only the one asked for is worded.
    LineFindings findings;
    findings.WordWhen(
        [asked = finding.place, place = 0](FindingKind) mutable { return place++ == asked; });
    Ran(line, findings);
    for (const LineFindings::Warning& warning : findings.Warnings()) {
        if (warning.worded) {
            return warning.text;
        }
    }
    return std::nullopt;
}

}  // namespace vxmod
