#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <spdlog/logger.h>

#include "automation/CommandParser.h"
#include "automation/LineFacts.h"
#include "automation/LineTokens.h"
#include "loader/FolderIdentity.h"
#include "loader/LoaderLog.h"

namespace rakor {

// Shows the warning for a script that had failed lines and returns when the
// user has closed it. In the game this is a message box; tools print it.
using WarningNotifier = std::function<void(const std::string& caption, const std::string& text)>;

inline constexpr const char* kLogFileName = "VexaAttribLoader.Tormelin.log";
inline constexpr const char* kLoggerName = "VexaAttribLoader.Tormelin";
inline constexpr const char* kWarningCaption = "Vexa Attrib Loader - Tormelin";
inline constexpr const char* kScriptDirectory = "AttribMods";
inline constexpr const char* kScriptExtension = ".vxmod";

// Counts of one pass.
struct RunSummary {
    int scripts = 0;
    int succeeded = 0;  // lines
    int failed = 0;     // lines
    // Scripts (among `scripts`) of which no line ran: they could not be read.
    int notRun = 0;
};

// One failed script line, for callers that keep every one (RecordFailures).
struct LineFailure {
    std::string displayPath;
    int line = 0;
    std::string message;
};

// One script as the walk reached it, read and parsed, before a line runs.
struct ScriptInfo {
    std::filesystem::path path;
    std::string displayPath;
    bool readable = false;
    // As read (line ends normalised), empty when unreadable. The runner keeps
    // it until ScriptFinished, so an observer can look at each line as it runs
    // without a copy of its own.
    std::string_view text;
    const Attrib::Automation::ParsedScript* parsed = nullptr;
};

// One script line that ran (or failed to parse), as the runner hands it to
// an observer: its tokens as the parser split them and the outcome.
struct LineRun {
    int number = 0;  // 1-based
    const Attrib::Automation::LineTokens& tokens;
    const Attrib::Automation::Command* command = nullptr;
    const std::string* error = nullptr;  // the message logged; null when the line succeeded
    // Why it failed (the cause, keys, subscript, type and value reading), or
    // what it looked up and changed.
    const Attrib::Automation::LineFacts& facts;
};

// Lets a tool follow a walk line by line and choose the order of each
// folder's entries. The loader in the game has none: it visits entries in the
// platform's listing order and runs every script.
class WalkObserver {
public:
    virtual ~WalkObserver() = default;
    // May reorder one folder's entries before the first is visited.
    virtual void OrderEntries(std::vector<std::filesystem::directory_entry>& /*entries*/) {}
    // An entry that is not run: a disabled name, or a file that is no script.
    virtual void PassedBy(const std::filesystem::path& /*path*/, bool /*isDirectory*/) {}
    // Something the walk could not handle and logged as "[PATH] REASON": a
    // folder it cannot list, a link back to a folder, ...
    virtual void WalkProblem(const std::string& /*displayPath*/, const std::string& /*reason*/) {}
    // Every line of a script with a token, as it is parsed, before any runs.
    // The tokens are views into ScriptInfo::text.
    virtual void LineParsed(const Attrib::Automation::ParsedLine& /*line*/) {}
    // False: the script's lines do not run, and it is neither logged nor counted.
    virtual bool ScriptStarting(const ScriptInfo& /*script*/) { return true; }
    virtual void LineFinished(const LineRun& /*line*/) {}
    virtual void ScriptFinished() {}
};

// Walks a script directory depth-first in listing order, parses each ".vxmod"
// script whole, then runs its lines one by one. A failed line (a hardware
// fault in the library's code included, where the platform lets it be caught)
// is logged and counted and never stops the others; nothing that goes wrong
// in the walk leaves this class as an exception. The log is flushed after
// every script, so a crash later loses at most the script that was running.
// With `logStatus`, a warning for a log file that cannot be written says so
// and where it is, instead of sending the modder there.
class ScriptRunner {
public:
    ScriptRunner(std::shared_ptr<spdlog::logger> log, WarningNotifier notify,
                 WalkObserver* observer = nullptr,
                 std::shared_ptr<const LogFileStatus> logStatus = nullptr);

    RunSummary LoadScriptDirectory(const std::filesystem::path& directory);
    // One script whose text the caller holds (an editor's, which may not be
    // saved), run as the walk runs a script file: parsed whole, then line by
    // line, logged and told to the observer alike; no text: it could not be
    // read (or is a folder named like a script). Counts add to the summary
    // that the next walk starts afresh.
    void RunScriptText(const std::filesystem::path& script, const std::string& displayPath,
                       std::optional<std::string_view> text);

    // Every failed line of the passes to come is added to `failures` too.
    // The game keeps none: a pack whose lines all fail would hold every
    // message until the pass ends.
    void RecordFailures(std::vector<LineFailure>& failures) { failures_ = &failures; }

    // The path as the walk reached it, in UTF-8 with forward slashes.
    static std::string DisplayPath(const std::filesystem::path& path);
    // A name that begins with "!": the walk skips such files and folders.
    static bool IsDisabled(const std::filesystem::path& path);
    // A name the walk runs as a script: extension exactly ".vxmod" (case
    // matters, and a name that is only ".vxmod" has no extension), not disabled.
    static bool IsScriptName(const std::filesystem::path& path);

private:
    // One folder of the walk: its entries in the order they are visited.
    struct OpenFolder {
        std::vector<std::filesystem::directory_entry> entries;
        std::size_t next = 0;
        // The entry before `next` is a folder whose own walk is under way:
        // once it is done, that entry is taken as a script if it is named so.
        bool inEntered = false;
    };
    // Depth-first in listing order, with an explicit stack of open folders.
    void Walk(const std::filesystem::path& directory);
    // Lists a folder onto the stack, unless the walk passes it by (missing,
    // disabled, walked already) or cannot list it (logged).
    void Open(const std::filesystem::path& directory, std::vector<OpenFolder>& open);
    // An entry once its folder, if it is one, is done: run as a script, or
    // passed by.
    void FinishEntry(const std::filesystem::directory_entry& entry, bool isDirectory);
    template <typename Step>
    void Guarded(const std::filesystem::path& path, Step&& step);
    struct Reading;
    // `isFolder`: a folder named like a script, which has no text to read.
    void RunScript(const std::filesystem::path& script, bool isFolder);
    // A script once read (or not: `notRun` says why), parsed as `reading` has it.
    void RunRead(const std::filesystem::path& script, const std::string& displayPath, bool readable,
                 std::string_view text, Reading& reading, std::optional<std::string> notRun);
    // A script of which no line runs, and why: a warning line and a box, so
    // that it is never taken for a script that ran.
    void ScriptNotRun(const std::string& displayPath, const std::string& why);
    // True when the line succeeded; otherwise its message is in message_.
    bool RunLine(Attrib::Automation::IAction& action, Attrib::Automation::LineFacts& facts,
                 const std::string& displayPath, int lineNumber);
    std::string WarningText(const std::string& displayPath, int failed) const;
    // The end of every box: the log file to read, or why it holds nothing.
    std::string WhereTheDetailsAre() const;
    void LogFailedLine(const std::string& displayPath);
    // Logs "[PATH] REASON" and tells the observer.
    void WalkProblem(const std::filesystem::path& path, const std::string& reason);

    std::shared_ptr<spdlog::logger> log_;
    WarningNotifier notify_;
    WalkObserver* observer_;
    std::shared_ptr<const LogFileStatus> logStatus_;
    std::vector<LineFailure>* failures_ = nullptr;
    RunSummary summary_;
    // The failed line's message and its log line, reused from line to line.
    std::string message_;
    std::string logLine_;
    // The script's first failed line, for a box when the log cannot say it.
    int firstFailedLine_ = 0;
    std::string firstFailure_;
    std::set<FolderIdentity> walked_;
};

}  // namespace rakor
