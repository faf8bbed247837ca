#include "loader/GameDescription.h"

#include <exception>
#include <optional>
#include <utility>

#include <fmt/format.h>
#include <spdlog/logger.h>

#include "description/ClassWriter.h"
#include "description/JsonWriter.h"
#include "loader/GameRecords.h"
#include "loader/GuardedCall.h"

namespace rakor {
namespace {

// Runs `read` under the fault guard: a fault in the library's own code
// (reading a record through a pointer the game handed over) ends this read
// only, and comes back worded for the log, as an exception does.
template <typename Read>
std::optional<std::string> ReadGuarded(spdlog::logger& log, Read&& read) {
    std::optional<GuardedStop> stop = RunGuardedCall(
        read, log, [] { return std::string("The snapshot of the game's database"); });
    return stop ? std::optional(std::move(stop->what)) : std::nullopt;
}

// A piece of the document is handed on once it holds this many bytes: big
// enough for few writes, small beside the game's memory.
constexpr std::size_t kPieceBytes = 1 << 20;

}  // namespace

GameDescription::GameDescription(ScriptNames scripts, std::optional<std::string> hashList,
                                 spdlog::logger& log)
    : names_(std::move(scripts), std::move(hashList)),
      nameWriter_{[this](uint32_t key) { return names_.KeyView(key); },
                  [this](uint64_t hash) { return names_.Hash64View(hash); }},
      log_(log) {}

std::string GameDescription::CollectionName(const GameRecords& records, uint32_t collection) {
    const GameRecords::Collection& found = records.Collections()[collection];
    if (found.key && !found.keyFromValue) {
        return names_.Key(*found.key);
    }
    // A collection no word names keeps the name the first file gave it: a
    // value may refer to it in one file and not in the other.
    if (const auto given = unnamed_.find(found.record); given != unnamed_.end()) {
        return given->second;
    }
    // A parent is always met after the child it was reached from, so the
    // child's name is known by now (CollectionName is asked in that order).
    const std::string name =
        found.key     ? names_.Key(*found.key)
        : found.child ? fmt::format("(unnamed parent of {})", CollectionName(records, *found.child))
                      : fmt::format("(unnamed collection 0x{:08X})",
                                    reinterpret_cast<uintptr_t>(found.record));
    return unnamed_.try_emplace(found.record, name).first->second;
}

std::string GameDescription::ClassName(const GameRecords& records, uint32_t cls) {
    const GameRecords::Class& found = records.Classes()[cls];
    if (found.key) {
        return names_.Key(*found.key);
    }
    if (const auto given = unnamedClasses_.find(found.record); given != unnamedClasses_.end()) {
        return given->second;
    }
    const std::string name = fmt::format(
        "(class of {})", found.firstCollection ? CollectionName(records, *found.firstCollection)
                                               : std::string("an unnamed collection"));
    return unnamedClasses_.try_emplace(found.record, name).first->second;
}

GameDescription::Written GameDescription::Describe(
    const std::string& note, const std::function<void(std::string_view piece)>& write) {
    Written written;
    GameRecords records(
        names_, [this](const std::function<void()>& read) { return ReadGuarded(log_, read); });
    records.Read(written.problems);
    const auto& classes = records.Classes();
    const auto& collections = records.Collections();
    // Names in the order they were met: a parent's after its child's.
    for (uint32_t i = 0; i < collections.size(); ++i) {
        CollectionName(records, i);
    }

    // A line for each field and collection, as vxmod's dump has one for each value.
    constexpr int kFlatDepth = 4;
    std::string text;
    Description::JsonWriter out(text, 0, kFlatDepth);
    const auto handOn = [&](bool last) {
        if (last || text.size() >= kPieceBytes) {
            write(text);
            text.clear();
        }
    };
    out.BeginObject();
    out.Key("note");
    std::string documentNote = note;
    if (records.ReferencesLeftOut() != 0) {
        documentNote += fmt::format(
            " {} collections that values refer to are left out: references are followed {} "
            "steps from a collection a script or the hash list names, to {} collections.",
            records.ReferencesLeftOut(), GameRecords::kReferenceSteps,
            GameRecords::kMostReferenced);
        ++written.notes;
    }
    out.String(documentNote);
    out.Key("classes");
    out.BeginObject();
    std::string part;
    for (uint32_t c = 0; c < classes.size(); ++c) {
        const GameRecords::Class& cls = classes[c];
        const std::string className = ClassName(records, c);
        out.Key(className);
        ++written.classes;
        if (!cls.readable) {
            written.problems.push_back(fmt::format("class '{}' ({})", className, cls.problem));
            out.BeginObject();
            out.Key("note");
            out.String(
                fmt::format("The loader could not read this class's records ({}): its "
                            "fields and collections are left out.",
                            cls.problem));
            out.EndObject();
            ++written.notes;
            continue;
        }
        const Description::ClassWriter writer(cls.fields, cls.layoutSize, nameWriter_);
        // What each collection is written against, and what cannot be read.
        struct Parent {
            std::optional<Description::ParentRef> ref;
            const uint8_t* inherited = nullptr;
            std::vector<std::string> notes;
        };
        const auto parentOf = [&](const GameRecords::Collection& collection) {
            Parent parent;
            parent.notes = collection.notes;
            if (!collection.parent) {
                return parent;
            }
            const GameRecords::Collection& found = collections[*collection.parent];
            if (!classes[found.cls].readable) {
                parent.notes.push_back(fmt::format(
                    "Its parent is a collection of the class '{}', whose records the loader "
                    "could not read: the parent is left out.",
                    ClassName(records, found.cls)));
                return parent;
            }
            parent.ref = Description::ParentRef{.name = CollectionName(records, *collection.parent),
                                                .className = {}};
            if (found.cls != c) {
                parent.ref->className = ClassName(records, found.cls);
            } else if (found.readable) {
                parent.inherited = found.words.layoutBlock;
            }
            return parent;
        };
        std::vector<std::string> problems(collections.size());
        std::vector<uint32_t> rooms;
        for (const uint32_t i : cls.collections) {
            const GameRecords::Collection& collection = collections[i];
            if (!collection.readable) {
                continue;
            }
            const Parent parent = parentOf(collection);
            if (const auto problem = ReadGuarded(
                    log_, [&] { writer.CountRooms(collection.words, parent.inherited, rooms); })) {
                problems[i] = *problem;
            }
        }
        out.BeginObject();
        if (!cls.notes.empty()) {
            out.Key("note");
            out.String(fmt::format("{}", fmt::join(cls.notes, " ")));
            ++written.notes;
        }
        if (!cls.fields.empty()) {
            out.Key("fields");
            writer.WriteFields(out, rooms);
            for (const Description::FieldShape& field : cls.fields) {
                written.notes += field.note.empty() ? 0 : 1;
            }
        }
        if (!cls.collections.empty()) {
            out.Key("collections");
            out.BeginObject();
        }
        for (const uint32_t i : cls.collections) {
            const GameRecords::Collection& collection = collections[i];
            const std::string name = CollectionName(records, i);
            out.Key(name);
            ++written.collections;
            const Parent parent = parentOf(collection);
            std::string problem =
                !collection.readable ? collection.problem : std::move(problems[i]);
            part.clear();
            if (problem.empty()) {
                Description::JsonWriter collectionOut(part, out.Depth(), out.FlatDepth());
                std::size_t notes = 0;
                if (const auto failed = ReadGuarded(log_, [&] {
                        notes =
                            writer.WriteCollection(collectionOut, collection.words,
                                                   {.entries = collection.Entries(), .leftOut = {}},
                                                   parent.ref, parent.inherited, parent.notes);
                    })) {
                    problem = *failed;
                } else {
                    written.notes += notes;
                }
            }
            if (!problem.empty()) {
                written.problems.push_back(
                    fmt::format("collection '{}'->'{}' ({})", className, name, problem));
                part.clear();
                Description::JsonWriter stub(part, out.Depth(), out.FlatDepth());
                stub.BeginObject();
                if (parent.ref && collection.readable) {
                    Description::ClassWriter::WriteParent(stub, *parent.ref);
                }
                stub.Key("note");
                stub.String(
                    fmt::format("The loader could not read this collection's values "
                                "({}): they are left out.",
                                problem));
                stub.EndObject();
                ++written.notes;
            }
            out.Written(part);
            handOn(false);
        }
        if (!cls.collections.empty()) {
            out.EndObject();
        }
        out.EndObject();
    }
    out.EndObject();
    out.EndObject();
    text += '\n';
    handOn(true);
    return written;
}

}  // namespace rakor
