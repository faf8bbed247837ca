#include "review/PackSession.h"

#include <algorithm>
#include <climits>

#include <spdlog/sinks/null_sink.h>
#include <spdlog/spdlog.h>

#include "host/TextFile.h"
#include "review/PackListing.h"

namespace vxmod {
namespace fs = std::filesystem;

namespace {

fs::path Normal(const fs::path& file) {
    std::error_code error;
    const fs::path absolute = fs::absolute(file, error);
    return (error ? file : absolute).lexically_normal();
}

// The editor's text as the loader would read it from the file once saved.
std::string AsTheLoaderReads(const std::string& editorText) {
    return rakor::NormaliseTextBytes(editorText);
}

}  // namespace

std::vector<ScriptFinding> PackSession::Script::Findings() const {
    std::vector<ScriptFinding> all = results.findings;
    all.insert(all.end(), wholeRun.begin(), wholeRun.end());
    std::stable_sort(all.begin(), all.end(), [](const ScriptFinding& a, const ScriptFinding& b) {
        return a.line < b.line;
    });
    return all;
}

PackSession::PackSession(rakor::Sandbox::Database& database, bool exampleDatabase)
    : database_(database),
      exampleDatabase_(exampleDatabase),
      log_(std::make_shared<spdlog::logger>(rakor::kLoggerName,
                                            std::make_shared<spdlog::sinks::null_sink_st>())),
      review_(NewReview()) {
    snapshots_.push_back(database_.NoteAndTakeSnapshot());
    snapshotsValid_ = 1;
    checkpoints_.push_back(review_->TakeCheckpoint());
    checkpointsValid_ = 1;
    live_ = Position{0, 1};
    firstToCheck_ = 0;
}

PackSession::~PackSession() = default;

std::unique_ptr<ScriptReview> PackSession::NewReview() {
    // What vxmod run tells of every line, all of it: an editor shows every
    // finding where it is.
    return std::make_unique<ScriptReview>(ReviewSettings{.runLines = true,
                                                         .checkLines = true,
                                                         .listPassedBy = false,
                                                         .explainFailures = false,
                                                         .rememberHashedTexts = false,
                                                         .exampleDatabase = exampleDatabase_,
                                                         .shownOfAKind = 0,
                                                         .quiet = false},
                                          report_);
}

void PackSession::SetScriptFolder(std::optional<fs::path> scriptFolder) {
    folder_ = scriptFolder ? std::optional<fs::path>(Normal(*scriptFolder)) : std::nullopt;
    Relist();
}

void PackSession::Relist() {
    std::vector<ListedScript> listed = folder_ ? ListPack(*folder_) : std::vector<ListedScript>();
    std::vector<fs::path> before;
    std::map<fs::path, std::unique_ptr<Script>> known;
    for (auto& script : pack_) {
        before.push_back(script->path);
        known[script->path] = std::move(script);
    }
    for (auto& [path, script] : alone_) {
        known[path] = std::move(script);
    }
    pack_.clear();
    alone_.clear();
    aloneToCheck_.clear();

    std::size_t firstChange =
        listed.size() == before.size() ? SIZE_MAX : std::min(listed.size(), before.size());
    for (ListedScript& entry : listed) {
        const fs::path path = Normal(entry.path);
        auto found = known.find(path);
        std::unique_ptr<Script> script;
        if (found != known.end()) {
            script = std::move(found->second);
            known.erase(found);
        } else {
            script = std::make_unique<Script>();
            script->path = path;
        }
        const std::size_t index = pack_.size();
        bool changed = !script->inPack || index >= before.size() || before[index] != path;
        script->inPack = true;
        script->displayPath = std::move(entry.displayPath);
        if (!script->editorText && script->text != entry.text) {
            script->text = std::move(entry.text);
            changed = true;
        }
        if (changed) {
            firstChange = std::min(firstChange, index);
        }
        pack_.push_back(std::move(script));
    }
    // Open scripts that the game does not run are checked on their own;
    // closed ones that left the pack are forgotten.
    for (auto& [path, script] : known) {
        if (script->editorText) {
            if (script->inPack) {
                script->inPack = false;
                script->displayPath = rakor::ScriptRunner::DisplayPath(path.filename());
            }
            aloneToCheck_.push_back(script.get());
            alone_[path] = std::move(script);
        } else if (script->everShown) {
            removed_.push_back(path);
        }
    }
    snapshots_.resize(pack_.size() + 1);
    checkpoints_.resize(pack_.size() + 1);
    if (firstChange != SIZE_MAX) {
        Changed(firstChange);
    }
}

PackSession::Script* PackSession::Lookup(const fs::path& file) {
    const fs::path path = Normal(file);
    for (auto& script : pack_) {
        if (script->path == path) {
            return script.get();
        }
    }
    const auto alone = alone_.find(path);
    return alone != alone_.end() ? alone->second.get() : nullptr;
}

const PackSession::Script* PackSession::Find(const fs::path& file) const {
    return const_cast<PackSession*>(this)->Lookup(file);
}

std::vector<const PackSession::Script*> PackSession::Scripts() const {
    std::vector<const Script*> scripts;
    for (const auto& script : pack_) {
        scripts.push_back(script.get());
    }
    for (const auto& [path, script] : alone_) {
        scripts.push_back(script.get());
    }
    return scripts;
}

std::size_t PackSession::IndexOf(const Script& script) const {
    for (std::size_t i = 0; i < pack_.size(); ++i) {
        if (pack_[i].get() == &script) {
            return i;
        }
    }
    return pack_.size();
}

void PackSession::SetEditorText(const fs::path& file, std::string text) {
    Script* script = Lookup(file);
    if (script == nullptr && folder_ && rakor::ScriptRunner::IsScriptName(file)) {
        // A script new to the folder, not yet saved or not yet listed.
        Relist();
        script = Lookup(file);
    }
    if (script == nullptr) {
        auto made = std::make_unique<Script>();
        made->path = Normal(file);
        made->inPack = false;
        made->displayPath = rakor::ScriptRunner::DisplayPath(made->path.filename());
        script = made.get();
        alone_[made->path] = std::move(made);
    }
    script->text = AsTheLoaderReads(text);
    script->editorText = std::move(text);
    if (script->inPack) {
        Changed(IndexOf(*script));
    } else if (std::find(aloneToCheck_.begin(), aloneToCheck_.end(), script) ==
               aloneToCheck_.end()) {
        aloneToCheck_.push_back(script);
    }
}

void PackSession::DropEditorText(const fs::path& file) {
    Script* script = Lookup(file);
    if (script == nullptr) {
        return;
    }
    script->editorText.reset();
    if (!script->inPack) {
        std::erase(aloneToCheck_, script);
        if (script->everShown) {
            removed_.push_back(script->path);
        }
        alone_.erase(script->path);
        return;
    }
    std::optional<std::string> text = rakor::ReadTextFile(script->path);
    if (text != script->text) {
        script->text = std::move(text);
        Changed(IndexOf(*script));
    }
}

void PackSession::Changed(std::size_t index) {
    firstToCheck_ = std::min(firstToCheck_.value_or(index), index);
    snapshotsValid_ = std::min(snapshotsValid_, index + 1);
    checkpointsValid_ = std::min(checkpointsValid_, index + 1);
    // What the database holds past the script's start came from its old text.
    if (live_ && *live_ > Position{index, 1}) {
        live_.reset();
    }
}

void PackSession::TakeSnapshotAt(std::size_t index) {
    if (snapshotsValid_ == index && index < snapshots_.size()) {
        snapshots_[index] = database_.NoteAndTakeSnapshot();
        snapshotsValid_ = index + 1;
    }
}

void PackSession::RunQuietly(const Script& script, int fromLine, int toLine) {
    if (!script.text) {
        return;  // nothing of it runs
    }
    const TextLines lines(*script.text);
    const auto start = [&](int line) {
        return lines.StartOf(static_cast<std::size_t>(std::max(line, 1) - 1));
    };
    const std::size_t from = start(fromLine);
    const std::size_t to = toLine == INT_MAX ? script.text->size() : start(toLine);
    if (from >= to) {
        return;
    }
    rakor::ScriptRunner runner(log_, nullptr);
    runner.RunScriptText(script.path, script.displayPath,
                         std::string_view(*script.text).substr(from, to - from));
}

void PackSession::MoveToPack(Position target) {
    // Only ever back to a snapshot: every snapshot kept lies at or before
    // where the database stands.
    if (!live_ || *live_ > target) {
        const std::size_t back = std::min(target.script, snapshotsValid_ - 1);
        database_.Restore(*snapshots_[back]);
        snapshotsValid_ = back + 1;
        live_ = Position{back, 1};
    }
    while (live_->script < target.script) {
        RunQuietly(*pack_[live_->script], live_->line, INT_MAX);
        live_ = Position{live_->script + 1, 1};
        TakeSnapshotAt(live_->script);
    }
    if (live_->line < target.line && target.script < pack_.size()) {
        RunQuietly(*pack_[target.script], live_->line, target.line);
        live_->line = target.line;
    }
}

void PackSession::MoveTo(const Script& script, int line) {
    if (script.inPack) {
        MoveToPack({IndexOf(script), std::max(line, 1)});
        return;
    }
    MoveToPack({0, 1});
    RunQuietly(script, 1, std::max(line, 1));
    live_.reset();
}

bool PackSession::Check(const std::function<bool()>& stop) {
    if (firstToCheck_ && !CheckPack(stop)) {
        return false;
    }
    while (!aloneToCheck_.empty()) {
        if (stop && stop()) {
            return false;
        }
        Script* script = aloneToCheck_.back();
        aloneToCheck_.pop_back();
        CheckAlone(*script);
    }
    return true;
}

bool PackSession::CheckPack(const std::function<bool()>& stop) {
    // From the changed script's start, or from the latest start before it
    // that the review's checkpoint is kept for.
    const std::size_t first = std::min({*firstToCheck_, pack_.size(), checkpointsValid_ - 1});
    MoveToPack({first, 1});
    review_->Restore(*checkpoints_[first]);
    ScriptRecorder recorder(*review_, stop);
    rakor::ScriptRunner runner(log_, nullptr, &recorder);
    std::size_t index = first;
    try {
        for (; index < pack_.size(); ++index) {
            // The database at the start of a later script is kept only when a
            // check or a move needs it (MoveToPack takes it then): an editor
            // changes one script again and again, and a copy of the database
            // at every later script's start costs about a third of running it.
            if (index == first) {
                TakeSnapshotAt(index);
            }
            checkpoints_[index] = review_->TakeCheckpoint();
            checkpointsValid_ = index + 1;
            if (index > first && stop && stop()) {
                firstToCheck_ = index;
                return false;
            }
            Script& script = *pack_[index];
            runner.RunScriptText(
                script.path, script.displayPath,
                script.text ? std::optional<std::string_view>(*script.text) : std::nullopt);
            ScriptResults results = recorder.TakeResults();
            if (results.findings != script.results.findings) {
                script.mayDiffer = true;
            }
            script.results = std::move(results);
            live_ = Position{index + 1, 1};
        }
    } catch (const CheckStopped&) {
        firstToCheck_ = index;
        live_.reset();
        return false;
    } catch (...) {
        // The database stands somewhere in the script: the next check starts it again.
        firstToCheck_ = index;
        live_.reset();
        throw;
    }
    checkpoints_[index] = review_->TakeCheckpoint();
    checkpointsValid_ = index + 1;
    firstToCheck_.reset();

    // What only the whole run tells, at the lines it is about, wherever they are.
    review_->ReportWholeRun();
    std::map<std::string_view, Script*> byPath;
    std::map<Script*, std::vector<ScriptFinding>> wholeRun;
    for (auto& script : pack_) {
        byPath[script->displayPath] = script.get();
        wholeRun[script.get()];
    }
    std::map<Script*, TextLines> lines;
    for (const Diagnostic& finding : recorder.TakeOthers()) {
        const auto found = byPath.find(finding.path);
        if (found == byPath.end() || !found->second->text) {
            continue;
        }
        Script& script = *found->second;
        const TextLines& text = lines.try_emplace(&script, *script.text).first->second;
        wholeRun[&script].push_back(Placed(finding, text, script.results.failed));
    }
    for (auto& [script, findings] : wholeRun) {
        if (findings != script->wholeRun) {
            script->wholeRun = std::move(findings);
            script->mayDiffer = true;
        }
    }
    return true;
}

void PackSession::CheckAlone(Script& script) {
    MoveToPack({0, 1});
    live_.reset();
    // A review of its own: what it finds of the whole run is of this script alone.
    const std::unique_ptr<ScriptReview> review = NewReview();
    ScriptRecorder recorder(*review, {});
    rakor::ScriptRunner runner(log_, nullptr, &recorder);
    runner.RunScriptText(
        script.path, script.displayPath,
        script.text ? std::optional<std::string_view>(*script.text) : std::nullopt);
    script.results = recorder.TakeResults();
    script.mayDiffer = true;
    review->ReportWholeRun();
    script.wholeRun.clear();
    for (const Diagnostic& finding : recorder.TakeOthers()) {
        if (finding.path == script.displayPath && script.text) {
            script.wholeRun.push_back(
                Placed(finding, TextLines(*script.text), script.results.failed));
        }
    }
}

std::vector<const PackSession::Script*> PackSession::TakeChanged() {
    std::vector<const Script*> changed;
    for (const Script* script : Scripts()) {
        // Only findings that a check changed can differ from those taken.
        auto* mutableScript = const_cast<Script*>(script);
        if (script->everShown && !script->mayDiffer) {
            continue;
        }
        mutableScript->mayDiffer = false;
        std::vector<ScriptFinding> findings = script->Findings();
        if (!script->everShown || findings != script->shown) {
            mutableScript->shown = std::move(findings);
            mutableScript->everShown = true;
            changed.push_back(script);
        }
    }
    return changed;
}

}  // namespace vxmod
