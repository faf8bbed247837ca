#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "review/Diagnostics.h"
#include "review/EditTarget.h"
#include "review/RecordChunks.h"
#include "review/RecordIndex.h"
#include "sandbox/FlatMap.h"

namespace vxmod {

// Where a script line is: the script, by the number the tracker gives its
// display path, and the line number.
struct LinePlace {
    uint32_t script = 0;
    int line = 0;

    bool operator==(const LinePlace&) const = default;
};

// Which scripts set the same value, and which of them the game keeps: the
// one that runs last. Mods that overwrite each other do so silently in the
// game; this is where a modder learns of it.
//
// A large pack sets values on hundreds of thousands of lines, so a value is
// kept by its keys and the few words that name it, and the sentences are
// made only for the values that turn out to conflict.
class ConflictTracker {
public:
    // The number of the script with this display path: the same path, the
    // same number (a second pass runs the same scripts again).
    uint32_t ScriptNumber(const std::string& displayPath);

    // A line that succeeded, with what it set and the value.
    void Edited(const LinePlace& place, const EditTarget& target, const TargetWords& words,
                const SetValue& value);
    // Whether any line set the value.
    bool WasEdited(const EditTarget& target) const;
    // A collection made by add_node or copy_node. Returns the warning when it
    // took the place of one that was there already (its own values are lost),
    // unless the same line made that one on an earlier pass.
    std::optional<std::string> Made(const LinePlace& place, const MadeCollection& made);

    // Whether a warning at this line is shown (one that is not is counted
    // by the caller, and needs no words).
    using ShownAt = std::function<bool(const LinePlace&)>;
    // One warning per value that scripts set differently, at the line that
    // wins, in the order those lines ran, each with a note on the order the
    // scripts run in: those shown.
    std::vector<Diagnostic> Warnings(const ShownAt& shown) const;
    std::size_t Count() const;
    // How many edits it was told of, in all.
    std::size_t Edits() const { return sequence_; }
    // "PATH:LINE", and the path alone, of a line it numbered.
    std::string PlaceText(const LinePlace& place) const;
    const std::string& ScriptPath(const LinePlace& place) const { return texts_[place.script]; }
    // Every such value with the script lines that set it (the last of each
    // script), in the order they ran.
    void WriteList(std::ostream& out) const;

    // The lines that set one value (the last of each script), in the order
    // they ran, each with the value as the game keeps it: the last one wins.
    struct SetAt {
        LinePlace place;
        std::string kept;
    };
    std::vector<SetAt> SettersOf(const EditTarget& target) const;

    // What it had been told at a moment between two scripts, to go back to
    // when the later scripts change: an editor's pack sets a value on most of
    // its lines, and going back costs a look at each value set, where a copy
    // of them all at every script's start cost more than running the lines.
    struct Mark {
        uint32_t sequence = 0;
        uint32_t records = 0;
        std::size_t remade = 0;
        rakor::Sandbox::FlatMap<uint64_t, LinePlace> makers;
    };
    Mark MarkNow() const {
        return {sequence_, static_cast<uint32_t>(records_.size()), remade_.size(), makers_};
    }
    // Forgets what it was told since the mark. The names it learnt stay.
    void RollBack(const Mark& mark);

private:
    struct Edit {
        LinePlace place;
        uint32_t sequence = 0;  // when it ran
        std::string value;      // as written
        rakor::Attrib::ValueReading::Number kind = rakor::Attrib::ValueReading::Number::None;
        double number = 0;  // as stored, for a number

        Edit() = default;
        Edit(const LinePlace& at, uint32_t when, const SetValue& set)
            : place(at), sequence(when), value(set.written), kind(set.kind), number(set.number) {}
        void Set(const LinePlace& at, uint32_t when, const SetValue& set);
        bool SameValueAs(const Edit& other) const;
        // As the game keeps it ("1"), and as written when that differs ("1e3").
        std::string Kept() const;
        std::optional<std::string_view> WrittenOtherwise(const std::string& kept) const;
    };
    // The holder's name is the one the sandbox remembers for its key.
    static constexpr uint32_t kRememberedName = 0xFFFFFFFF;

    struct Record {
        EditTarget target;
        // How the first line named it, as numbers of remembered texts.
        uint32_t className = 0;
        uint32_t holderName = 0;
        uint32_t field = 0;
        uint32_t member = 0;
        // The last line of each script that set it: within one script the
        // last line is the one that counts, and a value set on every line of
        // a long script must not grow the record. `latest` is the newest of
        // them; the others are rare, and held apart.
        Edit latest;
        std::unique_ptr<std::vector<Edit>> others;
    };
    struct Conflict {
        const EditTarget* target;
        const Record* record;
        std::vector<const Edit*> edits;  // in the order they ran
    };
    static bool IsConflict(const Record& record);
    std::vector<Conflict> Conflicting() const;
    std::string Described(const EditTarget& target, const Record& record) const;
    uint32_t Remember(std::string_view text);
    // The same for the name of a key, known by the key while it is written alike.
    uint32_t RememberName(uint32_t key, std::string_view text,
                          std::unordered_map<uint32_t, uint32_t>& byKey);

    // Every value lines set, in the order of their first edits, and by what
    // it is, its place there. A large pack sets hundreds of thousands: the
    // records lie apart from the table that finds them, which is kept at
    // most half full, and grow without being moved (in a table of their
    // own they were two thirds of vxmod run's memory on the whole-run mix).
    RecordChunks<Record> records_;
    RecordIndex recordOf_;
    // The records that more than one script set, by number: only they can
    // be set differently, and the rest need not be read again.
    std::vector<uint32_t> shared_;
    rakor::Sandbox::FlatMap<uint64_t, LinePlace> makers_;  // by class key and collection key
    std::vector<std::pair<std::string, std::vector<std::string>>> remade_;
    uint32_t sequence_ = 0;

    // Texts by number, each kept once: display paths (a script's number is
    // its path's) and the words of names.
    std::deque<std::string> texts_;
    std::unordered_map<std::string_view, uint32_t> textNumbers_;
    std::unordered_map<uint32_t, uint32_t> classNames_;  // by key, as last written
    std::unordered_map<uint32_t, uint32_t> fieldNames_;
};

}  // namespace vxmod
