#include "review/Conflicts.h"

#include <algorithm>
#include <iterator>
#include <ostream>

#include <fmt/format.h>

#include "review/DatabaseNames.h"
#include "review/ValueWords.h"
#include "sandbox/NameHash.h"

namespace vxmod {
namespace {

constexpr std::size_t kListBlockBytes = 64 * 1024;

// Why the last one wins, and how to make another win: the order of the
// scripts' paths below the folder they share.
std::string RunOrderNote(const std::vector<std::string_view>& paths) {
    std::size_t shared = paths.front().rfind('/') + 1;
    for (const std::string_view path : paths) {
        while (shared > 0 && path.substr(0, shared) != paths.front().substr(0, shared)) {
            shared = paths.front().rfind('/', shared - 2) + 1;
        }
    }
    std::string order;
    for (const std::string_view path : paths) {
        order += fmt::format("{}'{}'", order.empty() ? "" : " before ", path.substr(shared));
    }
    return fmt::format(
        "scripts run in the order of their paths: {}; to keep the value of another, rename that "
        "script or its folder so that its path comes later (compared folder by folder, "
        "ignoring case)",
        order);
}

}  // namespace

uint32_t ConflictTracker::Remember(std::string_view text) {
    if (const auto known = textNumbers_.find(text); known != textNumbers_.end()) {
        return known->second;
    }
    const auto number = static_cast<uint32_t>(texts_.size());
    texts_.emplace_back(text);
    textNumbers_.emplace(texts_.back(), number);
    return number;
}

uint32_t ConflictTracker::RememberName(uint32_t key, std::string_view text,
                                       std::unordered_map<uint32_t, uint32_t>& byKey) {
    const auto [known, added] = byKey.try_emplace(key, 0);
    if (added || texts_[known->second] != text) {
        known->second = Remember(text);
    }
    return known->second;
}

uint32_t ConflictTracker::ScriptNumber(const std::string& displayPath) {
    return Remember(displayPath);
}

std::string ConflictTracker::PlaceText(const LinePlace& place) const {
    return texts_[place.script] + ":" + std::to_string(place.line);
}

void ConflictTracker::Edit::Set(const LinePlace& at, uint32_t when, const SetValue& set) {
    place = at;
    sequence = when;
    value.assign(set.written);
    kind = set.kind;
    number = set.number;
}

bool ConflictTracker::Edit::SameValueAs(const Edit& other) const {
    if (kind != rakor::Attrib::ValueReading::Number::None && kind == other.kind) {
        return number == other.number;
    }
    return value == other.value;
}

std::string ConflictTracker::Edit::Kept() const {
    return kind == rakor::Attrib::ValueReading::Number::None ? value : StoredText(kind, number);
}

std::optional<std::string_view> ConflictTracker::Edit::WrittenOtherwise(
    const std::string& kept) const {
    return kept != value ? std::optional<std::string_view>(value) : std::nullopt;
}

void ConflictTracker::Edited(const LinePlace& place, const EditTarget& target,
                             const TargetWords& words, const SetValue& value) {
    const uint32_t sequence = ++sequence_;
    const auto [number, added] =
        recordOf_.FindOrAdd(EditTargetHash()(target), static_cast<uint32_t>(records_.size()),
                            [&](uint32_t record) { return records_[record].target == target; });
    if (added) {
        Record& record = records_.emplace_back();
        record.target = target;
        record.className = RememberName(target.classKey, words.className, classNames_);
        record.holderName = words.holder ? Remember(*words.holder) : kRememberedName;
        record.field = RememberName(target.fieldKey, words.field, fieldNames_);
        record.member = target.member >= 0 ? Remember(words.member) : 0;
        record.latest = Edit(place, sequence, value);
        return;
    }
    Record& record = records_[number];
    if (record.latest.place.script == place.script) {
        record.latest.Set(place, sequence, value);
        return;
    }
    // Another script: the newest edit so far becomes the last of its script,
    // and this script's earlier edit, if any, gives way to this one.
    if (!record.others) {
        record.others = std::make_unique<std::vector<Edit>>();
        shared_.push_back(number);
    }
    std::vector<Edit>& others = *record.others;
    std::erase_if(others, [&](const Edit& edit) { return edit.place.script == place.script; });
    others.push_back(std::move(record.latest));
    record.latest = Edit(place, sequence, value);
}

bool ConflictTracker::WasEdited(const EditTarget& target) const {
    return recordOf_.Find(EditTargetHash()(target), [&](uint32_t record) {
        return records_[record].target == target;
    }) != RecordIndex::kNone;
}

std::optional<std::string> ConflictTracker::Made(const LinePlace& place,
                                                 const MadeCollection& made) {
    const uint64_t key = (uint64_t{made.classKey} << 32) | made.key;
    auto [found, first] = makers_.try_emplace(key);
    LinePlace& maker = found->second;
    std::optional<std::string> warning;
    if (made.exists && (first || !(maker == place))) {
        const std::string described = fmt::format("'{}'->'{}'", made.className, made.name);
        const std::string before = first ? "is in the database" : "was made by " + PlaceText(maker);
        warning = fmt::format(
            "{} {} already: the new collection takes its place, and the values that the old one "
            "held itself are lost to lookups",
            described, before);
        remade_.push_back({described, {before, "made again by " + PlaceText(place)}});
    }
    maker = place;
    return warning;
}

std::string ConflictTracker::Described(const EditTarget& target, const Record& record) const {
    std::string holder;
    if (record.holderName != kRememberedName) {
        holder = texts_[record.holderName];
    } else if (auto name = rakor::Sandbox::NameOf(target.holderKey)) {
        holder = *std::move(name);
    } else {
        holder = DatabaseName(target.holderKey);  // no name remembered after all
    }
    std::string described =
        fmt::format("'{}'->'{}'.'{}'", texts_[record.className], holder, texts_[record.field]);
    if (target.element >= 0) {
        described += fmt::format("[{}]", target.element);
    }
    if (target.member >= 0) {
        described += fmt::format("['{}']", texts_[record.member]);
    }
    if (target.size) {
        described += " (its size)";
    }
    return described;
}

bool ConflictTracker::IsConflict(const Record& record) {
    return record.others &&
           !std::all_of(record.others->begin(), record.others->end(),
                        [&](const Edit& edit) { return edit.SameValueAs(record.latest); });
}

// Values that scripts set differently, in the order of their first edits,
// each with its edits in the order they ran. Scripts that store the same
// value agree: whichever runs last, the game keeps it.
std::vector<ConflictTracker::Conflict> ConflictTracker::Conflicting() const {
    std::vector<Conflict> conflicting;
    // In the order of their first edits, which is that of their numbers.
    std::vector<uint32_t> shared = shared_;
    std::sort(shared.begin(), shared.end());
    for (const uint32_t number : shared) {
        const Record& record = records_[number];
        if (!IsConflict(record)) {
            continue;
        }
        Conflict conflict{&record.target, &record, {}};
        for (const Edit& edit : *record.others) {
            conflict.edits.push_back(&edit);
        }
        conflict.edits.push_back(&record.latest);
        std::sort(conflict.edits.begin(), conflict.edits.end(),
                  [](const Edit* a, const Edit* b) { return a->sequence < b->sequence; });
        conflicting.push_back(std::move(conflict));
    }
    return conflicting;
}

std::size_t ConflictTracker::Count() const {
    std::size_t conflicts = 0;
    for (const uint32_t number : shared_) {
        conflicts += IsConflict(records_[number]) ? 1 : 0;
    }
    return conflicts + remade_.size();
}

std::vector<Diagnostic> ConflictTracker::Warnings(const ShownAt& shown) const {
    std::vector<Diagnostic> warnings;
    auto conflicting = Conflicting();
    // In the order the winning lines ran.
    std::sort(conflicting.begin(), conflicting.end(), [](const Conflict& a, const Conflict& b) {
        return a.edits.back()->sequence < b.edits.back()->sequence;
    });
    for (const Conflict& conflict : conflicting) {
        const Edit& winner = *conflict.edits.back();
        // A pack of many conflicts shows a few of them: the words of the
        // others would cost more than the rest of the review.
        if (!shown(winner.place)) {
            continue;
        }
        std::vector<std::string> others;
        for (const Edit* edit : conflict.edits) {
            if (edit != &winner) {
                const std::string kept = edit->Kept();
                const auto written = edit->WrittenOtherwise(kept);
                others.push_back(fmt::format("{} ({}{})", PlaceText(edit->place), kept,
                                             written ? fmt::format(", written {}", *written) : ""));
            }
        }
        const std::string kept = winner.Kept();
        const auto written = winner.WrittenOtherwise(kept);
        warnings.push_back(
            {texts_[winner.place.script], winner.place.line, Diagnostic::Severity::Warning,
             fmt::format("{} is also set by {}; this line runs later, so {}{} is what the game "
                         "keeps",
                         Described(*conflict.target, *conflict.record), fmt::join(others, ", "),
                         kept, written ? fmt::format(" (written {})", *written) : ""),
             FindingKind::Conflict});
        std::vector<std::string_view> paths;
        for (const Edit* edit : conflict.edits) {
            paths.push_back(texts_[edit->place.script]);
        }
        warnings.push_back({texts_[winner.place.script], winner.place.line,
                            Diagnostic::Severity::Note, RunOrderNote(paths),
                            FindingKind::Conflict});
    }
    return warnings;
}

std::vector<ConflictTracker::SetAt> ConflictTracker::SettersOf(const EditTarget& target) const {
    std::vector<SetAt> setters;
    const uint32_t number = recordOf_.Find(EditTargetHash()(target), [&](uint32_t record) {
        return records_[record].target == target;
    });
    if (number == RecordIndex::kNone) {
        return setters;
    }
    const Record& record = records_[number];
    std::vector<const Edit*> edits;
    if (record.others) {
        for (const Edit& edit : *record.others) {
            edits.push_back(&edit);
        }
    }
    edits.push_back(&record.latest);
    std::sort(edits.begin(), edits.end(),
              [](const Edit* a, const Edit* b) { return a->sequence < b->sequence; });
    for (const Edit* edit : edits) {
        setters.push_back({edit->place, edit->Kept()});
    }
    return setters;
}

void ConflictTracker::RollBack(const Mark& mark) {
    // A record made before the mark and set since was set by a later script
    // than its newest edit then (a mark lies between scripts), so it is one
    // of the shared: only they need a look, and the records made since go.
    std::vector<uint32_t> stillShared;
    for (const uint32_t number : shared_) {
        if (number >= mark.records) {
            continue;
        }
        Record& record = records_[number];
        std::erase_if(*record.others,
                      [&](const Edit& edit) { return edit.sequence > mark.sequence; });
        if (record.latest.sequence > mark.sequence) {
            auto newest = std::max_element(
                record.others->begin(), record.others->end(),
                [](const Edit& a, const Edit& b) { return a.sequence < b.sequence; });
            record.latest = std::move(*newest);
            record.others->erase(newest);
        }
        if (record.others->empty()) {
            record.others.reset();
        } else {
            stillShared.push_back(number);
        }
    }
    shared_ = std::move(stillShared);
    records_.Truncate(mark.records);
    recordOf_.ForgetFrom(mark.records);
    sequence_ = mark.sequence;
    makers_ = mark.makers;
    remade_.resize(mark.remade);
}

void ConflictTracker::WriteList(std::ostream& out) const {
    const auto conflicting = Conflicting();
    if (conflicting.empty() && remade_.empty()) {
        out << "No value is set differently by more than one script.\n";
        return;
    }
    // The list can run to a million lines, and the output stream may flush
    // after every write: it is put together in blocks, each part appended
    // where it is made.
    std::string block;
    const auto endLine = [&] {
        block += '\n';
        if (block.size() >= kListBlockBytes) {
            out << block;
            block.clear();
        }
    };
    if (!conflicting.empty()) {
        block +=
            "Set differently by more than one script (in the order the game runs them; the "
            "last one wins):";
        endLine();
    }
    for (const Conflict& conflict : conflicting) {
        block += "  ";
        AppendPrintable(block, Described(*conflict.target, *conflict.record));
        endLine();
        for (const Edit* edit : conflict.edits) {
            block += "    ";
            AppendPrintable(block, texts_[edit->place.script]);
            fmt::format_to(std::back_inserter(block), ":{}  ", edit->place.line);
            const std::string kept = edit->Kept();
            AppendPrintable(block, kept);
            if (const auto written = edit->WrittenOtherwise(kept)) {
                block += "  (written ";
                AppendPrintable(block, *written);
                block += ')';
            }
            if (edit == conflict.edits.back()) {
                block += "  (wins)";
            }
            endLine();
        }
    }
    if (!remade_.empty()) {
        block += "Collections made again (the old one's own values are lost):";
        endLine();
    }
    for (const auto& [described, lines] : remade_) {
        block += "  ";
        AppendPrintable(block, described);
        endLine();
        for (const std::string& made : lines) {
            block += "    ";
            AppendPrintable(block, made);
            endLine();
        }
    }
    out << block;
}

}  // namespace vxmod
