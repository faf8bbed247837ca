#include "loader/ScriptRunner.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <optional>
#include <string_view>
#include <system_error>

#include <fmt/format.h>

#include "automation/CommandParser.h"
#include "host/TextFile.h"
#include "host/Utf16Text.h"
#include "host/Utf8.h"
#include "loader/FolderIdentity.h"
#include "loader/GuardedCall.h"

namespace rakor {
namespace fs = std::filesystem;

namespace {

// The lines of a text by their numbers, found walking forward: a line feed
// ends each line, as the parser counts them. Numbers asked for must not
// go down.
class LineFinder {
public:
    explicit LineFinder(std::string_view text) : text_(text) {}

    std::string_view Line(int number) {
        for (; next_ < number && start_ < text_.size(); ++next_) {
            const std::size_t feed = text_.find('\n', start_);
            start_ = feed == std::string_view::npos ? text_.size() : feed + 1;
        }
        const std::size_t feed = text_.find('\n', start_);
        return text_.substr(start_, feed == std::string_view::npos ? feed : feed - start_);
    }

private:
    std::string_view text_;
    std::size_t start_ = 0;  // where line `next_` begins
    int next_ = 1;
};

// POSIX names are bytes and are shown as they are.
[[maybe_unused]] std::string Utf8Of(const std::string& name) {
    return name;
}

// Windows names are UTF-16 that nobody checks: a name may hold a surrogate
// without its partner, which has no UTF-8 form (the standard conversion
// throws). Such a unit shows as U+FFFD, so that one odd name is still named
// and never stops the walk.
[[maybe_unused]] std::string Utf8Of(const std::wstring& name) {
    return Utf8::FromUtf16(std::wstring_view(name));
}

// Windows opens no path of MAX_PATH (260) characters or more, counted in full
// from the drive, and then reports only that the file or folder is not there.
// A deep tree of mods meets that limit long before anything else, so the
// walk says so wherever it meets it, instead of passing by in silence.
std::optional<std::string> BeyondPathLimit([[maybe_unused]] const fs::path& path) {
#if defined(_WIN32)
    constexpr std::size_t kLongestPath = 259;
    std::error_code ignored;
    const std::size_t length = fs::absolute(path, ignored).native().size();
    if (length > kLongestPath) {
        return fmt::format(
            "its full path is {} characters long, and Windows opens no path longer than {}: "
            "move the mod up or shorten the names of the folders it lies in",
            length, kLongestPath);
    }
#endif
    return std::nullopt;
}

}  // namespace

ScriptRunner::ScriptRunner(std::shared_ptr<spdlog::logger> log, WarningNotifier notify,
                           WalkObserver* observer, std::shared_ptr<const LogFileStatus> logStatus)
    : log_(std::move(log)),
      notify_(std::move(notify)),
      observer_(observer),
      logStatus_(std::move(logStatus)) {}

std::string ScriptRunner::DisplayPath(const fs::path& path) {
    std::string text = Utf8Of(path.native());
    std::replace(text.begin(), text.end(), '\\', '/');
    return text;
}

bool ScriptRunner::IsDisabled(const fs::path& path) {
    // Looked at in the name's own encoding, which needs no conversion.
    const fs::path name = path.filename();
    return !name.empty() && name.native().front() == '!';
}

bool ScriptRunner::IsScriptName(const fs::path& path) {
    return path.extension() == kScriptExtension && !IsDisabled(path);
}

RunSummary ScriptRunner::LoadScriptDirectory(const fs::path& directory) {
    summary_ = {};
    walked_.clear();
    // The host must never see an exception from a mod run, whatever it is.
    try {
        Walk(directory);
    } catch (const std::exception& error) {
        WalkProblem(directory,
                    std::string("Stopped walking the script directory: ") + error.what());
    } catch (...) {
        WalkProblem(directory, "Stopped walking the script directory: unknown error");
    }
    // A game that crashes later must not take this pass's lines with it.
    log_->flush();
    return summary_;
}

void ScriptRunner::Walk(const fs::path& directory) {
    // The folders being walked, deepest last: a stack of their own, not the
    // thread's, which a deep tree of mods would exhaust on a small game thread.
    std::vector<OpenFolder> open;
    Open(directory, open);
    while (!open.empty()) {
        OpenFolder& folder = open.back();
        if (folder.inEntered) {
            // The subfolder is done: the entry itself comes next.
            folder.inEntered = false;
            Guarded(folder.entries[folder.next - 1].path(),
                    [&] { FinishEntry(folder.entries[folder.next - 1], true); });
            continue;
        }
        if (folder.next == folder.entries.size()) {
            open.pop_back();
            continue;
        }
        // Copied: opening a subfolder may move the folders' entries.
        const fs::directory_entry entry = folder.entries[folder.next++];
        Guarded(entry.path(), [&] {
            std::error_code statusError;
            if (entry.is_directory(statusError)) {
                open.back().inEntered = true;
                Open(entry.path(), open);
                return;
            }
            if (statusError && statusError != std::errc::no_such_file_or_directory) {
                // A link to nothing is simply not a folder; anything else is worth a line.
                WalkProblem(entry.path(), "Could not read the entry: " + statusError.message());
            }
            FinishEntry(entry, false);
        });
    }
}

void ScriptRunner::Open(const fs::path& directory, std::vector<OpenFolder>& open) {
    std::error_code error;
    if (!fs::exists(directory, error)) {
        if (const auto tooLong = BeyondPathLimit(directory)) {
            WalkProblem(directory, "Could not list the folder: " + *tooLong);
        }
        return;
    }
    if (IsDisabled(directory)) {
        return;
    }
    // A link or junction that leads back to a folder already walked would
    // loop forever. A folder that cannot be identified cannot be listed either.
    const std::optional<FolderIdentity> identity = IdentifyFolder(directory);
    if (identity && !walked_.insert(*identity).second) {
        WalkProblem(directory, "Skipped: this folder was already walked (a link leads back to it)");
        return;
    }

    fs::directory_iterator entries(directory, error);
    if (error) {
        WalkProblem(directory, "Could not list the folder: " +
                                   BeyondPathLimit(directory).value_or(error.message()));
        return;
    }
    OpenFolder folder;
    for (; entries != fs::directory_iterator(); entries.increment(error)) {
        folder.entries.push_back(*entries);
    }
    if (error) {
        WalkProblem(directory, "Could not list the whole folder: " + error.message());
    }
    if (observer_ != nullptr) {
        observer_->OrderEntries(folder.entries);
    }
    open.push_back(std::move(folder));
}

template <typename Step>
void ScriptRunner::Guarded(const fs::path& path, Step&& step) {
    // One entry that cannot be handled must not end the walk.
    try {
        step();
    } catch (const std::exception& failure) {
        WalkProblem(path, std::string("Skipped: ") + failure.what());
    }
}

void ScriptRunner::FinishEntry(const fs::directory_entry& entry, bool isDirectory) {
    const fs::path& path = entry.path();
    // A folder named like a script is walked and then also taken as one.
    if (IsScriptName(path)) {
        RunScript(path, isDirectory);
    } else if (observer_ != nullptr && (!isDirectory || IsDisabled(path))) {
        observer_->PassedBy(path, isDirectory);
    }
}

// A script's text parsed as it comes, in one piece or many. An observer is
// shown every line as it is parsed, and each line that runs again with its
// tokens, split again from the text.
struct ScriptRunner::Reading {
    explicit Reading(WalkObserver* observer)
        : parser(observer == nullptr ? Attrib::Automation::ScriptParser::LineHook()
                                     : [observer](const Attrib::Automation::ParsedLine& line) {
                                           observer->LineParsed(line);
                                       }) {}

    void Parse(std::string_view lines) {
        // A script saved as UTF-16 would be read byte by byte into no command
        // at all: it is refused whole, from its first bytes, and the modder told.
        if (firstPiece) {
            firstPiece = false;
            utf16 = LooksLikeUtf16(lines);
        }
        if (!utf16) {
            parser.Parse(lines);
        }
    }

    Attrib::Automation::ScriptParser parser;
    bool utf16 = false;
    bool firstPiece = true;
};

void ScriptRunner::RunScript(const fs::path& script, bool isFolder) {
    // A script is parsed as it is read, so that even a pack of a million lines is never
    // held whole (the actions keep what they need of its text), unless an
    // observer wants to see the whole text.
    Reading reading(observer_);
    std::string text;
    std::string problem;
    bool readable = false;
    if (observer_ != nullptr) {
        if (std::optional<std::string> whole = ReadTextFile(script, &problem)) {
            readable = true;
            text = std::move(*whole);
            reading.Parse(text);
        }
    } else {
        readable = ReadTextFileInPieces(
            script, [&](std::string_view lines) { reading.Parse(lines); }, &problem);
    }
    // A folder named like a script has no text: it counts as a script
    // without lines. Any other script that cannot be read did not run.
    std::optional<std::string> notRun;
    if (!readable && !isFolder) {
        notRun = "Could not read the script: " + BeyondPathLimit(script).value_or(problem);
    }
    RunRead(script, DisplayPath(script), readable, text, reading, notRun);
}

void ScriptRunner::RunScriptText(const fs::path& script, const std::string& displayPath,
                                 std::optional<std::string_view> text) {
    Reading reading(observer_);
    if (text) {
        reading.Parse(*text);
        RunRead(script, displayPath, true, *text, reading, std::nullopt);
        return;
    }
    std::error_code error;
    const bool isFolder = fs::is_directory(script, error);
    RunRead(script, displayPath, false, {}, reading,
            isFolder ? std::nullopt
                     : std::optional<std::string>(
                           "Could not read the script: " +
                           BeyondPathLimit(script).value_or("the file cannot be read")));
}

void ScriptRunner::RunRead(const fs::path& script, const std::string& displayPath, bool readable,
                           std::string_view text, Reading& reading,
                           std::optional<std::string> notRun) {
    if (!notRun && reading.utf16) {
        notRun =
            "Not run: the script is saved as UTF-16 (\"Unicode\"), and the loader reads "
            "scripts as UTF-8; save it as UTF-8 (in Notepad: File, Save as, Encoding UTF-8)";
    }
    const Attrib::Automation::ParsedScript parsed =
        readable && !reading.utf16 ? reading.parser.Finish() : Attrib::Automation::ParsedScript();
    if (observer_ != nullptr && !observer_->ScriptStarting({.path = script,
                                                            .displayPath = displayPath,
                                                            .readable = readable,
                                                            .text = text,
                                                            .parsed = &parsed})) {
        return;
    }
    if (notRun) {
        ScriptNotRun(displayPath, *notRun);
        if (observer_ != nullptr) {
            observer_->ScriptFinished();
        }
        return;
    }

    int succeeded = 0;
    int failed = 0;
    // Where the observer's next line is found in the text: the lines run in
    // the order of their numbers. (A list of where each line lies took 8
    // bytes a line, which a pack of a million lines holds until it ends.)
    LineFinder lines(text);
    for (const Attrib::Automation::ParsedScript::Line& line : parsed.Lines()) {
        // An observer is told what each line looked up and changed, or why it failed.
        Attrib::Automation::LineFacts facts;
        facts.followed = observer_ != nullptr;
        bool succeededLine = false;
        if (line.action == nullptr) {
            message_ = parsed.ErrorOf(line);
            facts = parsed.FactsOf(line);
        } else {
            succeededLine = RunLine(*line.action, facts, displayPath, line.number);
        }
        if (succeededLine) {
            ++succeeded;
        } else {
            LogFailedLine(displayPath);
            if (failed++ == 0) {
                firstFailedLine_ = line.number;
                firstFailure_ = message_;
            }
            if (failures_ != nullptr) {
                failures_->push_back({displayPath, line.number, message_});
            }
        }
        if (observer_ != nullptr) {
            const Attrib::Automation::LineTokens tokens =
                Attrib::Automation::SplitLine(lines.Line(line.number));
            observer_->LineFinished({.number = line.number,
                                     .tokens = tokens,
                                     .command = Attrib::Automation::FindCommand(tokens[0]),
                                     .error = succeededLine ? nullptr : &message_,
                                     .facts = facts});
        }
    }

    log_->info("[{}] Script loaded{}: {} succesful / {} failed", displayPath,
               failed != 0 ? " with errors" : "", succeeded, failed);
    ++summary_.scripts;
    summary_.succeeded += succeeded;
    summary_.failed += failed;
    // Before the box, which sends the modder to the log and may stay open for
    // long, and before the next script, after which the game may crash.
    log_->flush();
    if (failed > 0 && notify_) {
        notify_(kWarningCaption, WarningText(displayPath, failed));
    }
    if (observer_ != nullptr) {
        observer_->ScriptFinished();
    }
}

bool ScriptRunner::RunLine(Attrib::Automation::IAction& action,
                           Attrib::Automation::LineFacts& facts, const std::string& displayPath,
                           int lineNumber) {
    bool succeeded = false;
    // The failures an action foresees come back as values; what is thrown is
    // what it does not foresee.
    const std::optional<GuardedStop> stop =
        RunGuardedCall([&] { succeeded = action.Attempt(facts, message_); }, *log_,
                       [&] { return fmt::format("[{}] Line {}", displayPath, lineNumber); });
    if (!stop) {
        return succeeded;
    }
    if (stop->fault || facts.cause == Attrib::Automation::Cause::None) {
        facts.cause = Attrib::Automation::Cause::Other;
    }
    message_ = stop->fault ? fmt::format(
                                 "line {} stopped at a fault: {}; the rest of the line "
                                 "was not done",
                                 lineNumber, stop->what)
                           : stop->what;
    return false;
}

void ScriptRunner::ScriptNotRun(const std::string& displayPath, const std::string& why) {
    log_->warn("[{}] {}", displayPath, why);
    ++summary_.scripts;
    ++summary_.notRun;
    log_->flush();
    if (notify_) {
        notify_(kWarningCaption,
                fmt::format("Script '{}' was not run!\n\n{}\n\n", displayPath, why) +
                    WhereTheDetailsAre());
    }
}

std::string ScriptRunner::WhereTheDetailsAre() const {
    if (logStatus_ == nullptr || logStatus_->Problem().empty()) {
        return fmt::format("Please check the '{}' file for details.",
                           logStatus_ != nullptr ? logStatus_->ShownAs() : kLogFileName);
    }
    return fmt::format(
        "The log file could not be written, so the details are not there:\n{}: {}\n(Is it "
        "open in another program, or is the folder read-only?)",
        logStatus_->Where(), logStatus_->Problem());
}

std::string ScriptRunner::WarningText(const std::string& displayPath, int failed) const {
    std::string text =
        fmt::format("Script '{}' loaded with errors!\n\n", displayPath) + WhereTheDetailsAre();
    // Where the log does not reach, the box is all the modder gets.
    if (logStatus_ != nullptr && !logStatus_->Problem().empty()) {
        text += fmt::format("\n\nFirst failed line ({}): {}", firstFailedLine_, firstFailure_);
        if (failed > 1) {
            text += fmt::format(" (and {} more)", failed - 1);
        }
    }
    return text;
}

void ScriptRunner::LogFailedLine(const std::string& displayPath) {
    // "[{}] Caught error executing script line: {}", put together by hand: a
    // pack whose lines all fail logs one a line, and having spdlog parse the
    // format text for each was a quarter of what such a line cost.
    logLine_.assign("[").append(displayPath).append("] Caught error executing script line: ");
    logLine_.append(message_);
    log_->log(spdlog::level::warn, spdlog::string_view_t(logLine_));
}

void ScriptRunner::WalkProblem(const fs::path& path, const std::string& reason) {
    const std::string displayPath = DisplayPath(path);
    log_->warn("[{}] {}", displayPath, reason);
    if (observer_ != nullptr) {
        observer_->WalkProblem(displayPath, reason);
    }
}

}  // namespace rakor
