#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "loader/ScriptRunner.h"
#include "review/ScriptRecorder.h"
#include "review/ScriptReview.h"
#include "sandbox/Database.h"

namespace vxmod {

// A pack of scripts as an editor holds it, checked as the game runs it: the
// scripts below an AttribMods folder in the game's order, each with the
// text the loader would read (the editor's, unsaved, for a script it has
// open), run against the database that is current (the sandbox's) with the
// review that vxmod run does, each finding placed on its word.
//
// A change in one script changes what the scripts after it meet (a value
// set again, a collection made earlier), so they are checked again too; the
// scripts before it are not: the database as it was at the start of every
// script is kept (a snapshot), and so is what the review knew there (a
// checkpoint), and a check starts again from the changed script's start.
// A script open in the editor that the game would not run (it lies
// elsewhere, or its name is switched off) is checked on its own, against
// the database as loaded.
class PackSession {
public:
    struct Script {
        std::filesystem::path path;
        std::string displayPath;
        // As the loader reads it; none when the file cannot be read.
        std::optional<std::string> text;
        // The editor's own, as it holds it, while it has the script open.
        std::optional<std::string> editorText;
        bool inPack = true;
        // What the last check found on its lines, and of the whole run there.
        ScriptResults results;
        std::vector<ScriptFinding> wholeRun;
        // What was last taken to be shown.
        std::vector<ScriptFinding> shown;
        bool everShown = false;
        // A check changed its findings since they were last taken (maybe
        // back to what they were).
        bool mayDiffer = false;

        std::vector<ScriptFinding> Findings() const;
    };

    // The database must be the current one and stay so.
    PackSession(rakor::Sandbox::Database& database, bool exampleDatabase);
    ~PackSession();
    PackSession(const PackSession&) = delete;
    PackSession& operator=(const PackSession&) = delete;

    // The pack's folder (an AttribMods folder), listed anew; none: no pack,
    // only the scripts the editor has open.
    void SetScriptFolder(std::optional<std::filesystem::path> scriptFolder);
    // Lists the folder again: scripts added, removed, renamed, changed on disk.
    void Relist();

    // The editor opened a script or changed its text.
    void SetEditorText(const std::filesystem::path& file, std::string text);
    // The editor closed it: the file's own text counts again.
    void DropEditorText(const std::filesystem::path& file);

    // Checks what changed since the last check. `stop`, asked between
    // scripts and every few thousand lines, says that newer edits wait: the
    // check then ends early (false), to go on from there next time.
    bool Check(const std::function<bool()>& stop);
    // The scripts whose findings differ from those last taken, now taken.
    std::vector<const Script*> TakeChanged();
    // Files that had findings and are no script of the session any more
    // (removed, renamed, switched off, or closed outside the pack).
    std::vector<std::filesystem::path> TakeRemoved() { return std::exchange(removed_, {}); }

    const Script* Find(const std::filesystem::path& file) const;
    // Pack scripts in the game's order, then the others.
    std::vector<const Script*> Scripts() const;
    std::optional<std::filesystem::path> ScriptFolder() const { return folder_; }

    // Brings the database to the moment `line` (from 1) of the script is
    // about to run: the scripts before it and its earlier lines have run.
    // For a script outside the pack, from the database as loaded.
    void MoveTo(const Script& script, int line);
    // What the lines of the last complete check set.
    const ConflictTracker& Conflicts() const { return review_->Conflicts(); }

private:
    // Where the database stands: before line `line` of the pack's script
    // `script` (script == size: after the last).
    struct Position {
        std::size_t script = 0;
        int line = 1;
        auto operator<=>(const Position&) const = default;
    };

    Script* Lookup(const std::filesystem::path& file);
    std::size_t IndexOf(const Script& script) const;
    // Script `index` must be checked again, and everything after it.
    void Changed(std::size_t index);
    void ForgetFrom(std::size_t index);
    void RunQuietly(const Script& script, int fromLine, int toLine);
    void MoveToPack(Position target);
    bool CheckPack(const std::function<bool()>& stop);
    void CheckAlone(Script& script);
    std::unique_ptr<ScriptReview> NewReview();
    void TakeSnapshotAt(std::size_t index);

    rakor::Sandbox::Database& database_;
    bool exampleDatabase_;
    std::optional<std::filesystem::path> folder_;
    std::vector<std::unique_ptr<Script>> pack_;
    std::map<std::filesystem::path, std::unique_ptr<Script>> alone_;
    std::vector<Script*> aloneToCheck_;
    std::vector<std::filesystem::path> removed_;

    // snapshots_[i] and checkpoints_[i]: at the start of pack script i; the
    // first `...Valid_` of them hold.
    std::vector<std::shared_ptr<const rakor::Sandbox::DatabaseSnapshot>> snapshots_;
    std::size_t snapshotsValid_ = 0;
    std::vector<std::shared_ptr<const ScriptReview::Checkpoint>> checkpoints_;
    std::size_t checkpointsValid_ = 0;
    std::optional<std::size_t> firstToCheck_;
    std::optional<Position> live_;

    std::shared_ptr<spdlog::logger> log_;
    std::ostream nowhere_{nullptr};
    DiagnosticReport report_{nowhere_};
    std::unique_ptr<ScriptReview> review_;
};

}  // namespace vxmod
