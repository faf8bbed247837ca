#include "review/ScriptReview.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <type_traits>

#include <fmt/format.h>
#include "automation/FieldSpec.h"
#include "review/ReviewedLine.h"
#include "review/WindowsOrder.h"
#include "sandbox/HostValueCodec.h"
#include "sandbox/Spelling.h"

namespace vxmod {
namespace fs = std::filesystem;
using rakor::ScriptRunner;
using Severity = Diagnostic::Severity;

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// A copy an editor or a modder keeps beside a script ("tune.vxmod.bak",
// "tune.vxmod~"): not run, as meant, and not worth a word on every check.
bool IsBackup(std::string_view lower) {
    for (const std::string_view end : {"~", ".bak", ".backup", ".old", ".orig", ".tmp", ".swp"}) {
        if (lower.ends_with(end)) {
            return true;
        }
    }
    return false;
}

}  // namespace

ScriptReview::ScriptReview(const ReviewSettings& settings, DiagnosticReport& report,
                           Progress* progress)
    : settings_(settings),
      report_(report),
      progress_(progress),
      groups_(settings.shownOfAKind, settings.quiet),
      reviewer_(settings.exampleDatabase, settings.showCommand) {
    // A line's warnings are worded as they are found, if they are shown.
    findings_.WordWhen([this](FindingKind kind) {
        return groups_.Show(script_, path_, line_, Severity::Warning, kind);
    });
}

void ScriptReview::OrderEntries(std::vector<fs::directory_entry>& entries) {
    if (!settings_.onlyScript.empty()) {
        // The folder of the one script is walked for it alone.
        std::erase_if(entries, [&](const fs::directory_entry& entry) {
            return entry.path().filename() != settings_.onlyScript;
        });
        settings_.onlyScript.clear();
    }
    SortAsWindowsLists(entries);
}

void ScriptReview::PassedBy(const fs::path& path, bool isDirectory) {
    if (!settings_.listPassedBy) {
        return;
    }
    const std::string display = ScriptRunner::DisplayPath(path);
    const std::string name = ScriptRunner::DisplayPath(path.filename());
    const std::string lower = Lower(name);
    if (ScriptRunner::IsDisabled(path)) {
        if (isDirectory || lower.find(".vxmod") != std::string::npos) {
            Report({display + (isDirectory ? "/" : ""), 0, Severity::Note,
                    "disabled: the name begins with '!', so the loader skips it"});
        }
        return;
    }
    if (isDirectory || IsBackup(lower)) {
        return;
    }
    const std::size_t at = lower.rfind(".vxmod");
    if (at == std::string::npos) {
        // A slip in the extension: "tune.vmod", "tune.vxmd".
        const std::size_t dot = name.rfind('.');
        const std::vector<std::string> extension = {"vxmod"};
        if (dot != std::string::npos && dot > 0 &&
            rakor::Sandbox::ClosestSpelling(name.substr(dot + 1), extension)) {
            Report({display, 0, Severity::Warning,
                    fmt::format("not run: the extension is '{}', not '.vxmod'; if it is a "
                                "script, rename it '{}.vxmod'",
                                name.substr(dot), name.substr(0, dot))});
        }
        return;
    }
    std::string why;
    if (lower == ".vxmod") {
        why = "a name that is only '.vxmod' has no extension; give it a name before the dot";
    } else if (at + 6 == lower.size()) {
        why = fmt::format("the extension must be exactly '.vxmod', not '{}'", name.substr(at));
    } else {
        why = fmt::format("the name must end in '.vxmod', not '{}'", name.substr(at + 6));
    }
    Report({display, 0, Severity::Warning, "not run: " + why});
}

void ScriptReview::WalkProblem(const std::string& displayPath, const std::string& reason) {
    Report({displayPath, 0, Severity::Warning, reason});
}

void ScriptReview::LineParsed(const rakor::Attrib::Automation::ParsedLine& line) {
    skipped_ += line.command == nullptr ? 1 : 0;
    if (settings_.checkLines) {
        CheckParsedLine(line, lineChecks_);
        lineCheckTexts_.resize(lineChecks_.size(), line.tokens.Text());
    }
}

bool ScriptReview::ScriptStarting(const rakor::ScriptInfo& script) {
    ++scriptsRead_;
    path_ = script.displayPath;
    if (progress_ != nullptr) {
        progress_->ScriptStarting(path_);
    }
    script_ = conflicts_.ScriptNumber(path_);
    held_.Clear();
    std::error_code error;
    const bool folder = fs::is_directory(script.path, error);
    const bool utf16 = script.readable && LooksLikeUtf16(script.text);
    if (folder) {
        Hold(0, Severity::Warning, FindingKind::Unsorted,
             "a folder named like a script: the loader walks it and then counts it as a script "
             "with no lines");
    } else if (!script.readable) {
        Hold(0, Severity::Error, FindingKind::Unsorted,
             "cannot be read; the loader would run no line of it");
    } else if (utf16) {
        Hold(0, settings_.checkLines ? Severity::Error : Severity::Warning, FindingKind::Unsorted,
             "the file is saved as UTF-16 (\"Unicode\"): the loader does not run it; save it "
             "as UTF-8");
    }
    // What the lines of a file that is no script of words would say is noise.
    if (folder || !script.readable || utf16) {
        lineChecks_.clear();
        lineCheckTexts_.clear();
        lineChecksHeld_ = 0;
    }
    if (!settings_.runLines) {
        Flush();
    }
    return settings_.runLines;
}

void ScriptReview::LineFinished(const rakor::LineRun& line) {
    if (progress_ != nullptr) {
        progress_->LineDone();
    }
    HoldLineChecksUpTo(line.number - 1);
    const ReviewedLine reviewed(line);
    // The line's warnings are held as they are found (findings_.WordWhen).
    line_ = line.number;
    reviewer_.Review(reviewed, findings_);
    const bool said = line.error != nullptr || !findings_.Warnings().empty();
    if (line.error == nullptr) {
        for (const LineFindings::Warning& warning : findings_.Warnings()) {
            if (warning.worded) {
                Keep(line.number, Severity::Warning, warning.kind, warning.text);
            } else {
                held_.Count(Severity::Warning);
            }
        }
    } else if (settings_.explainFailures) {
        // A failed line's words are of no kind: they are shown with every failure.
        HoldWords(line.number, Severity::Error, FindingKind::Unsorted,
                  [&] { return reviewer_.WhyFailed(reviewed).value_or(*line.error); });
    } else {
        Hold(line.number, Severity::Error, FindingKind::Unsorted, *line.error);
        // The note says nothing that the error does not, when it has no words.
        HoldWords(line.number, Severity::Note, FindingKind::Unsorted,
                  [&] { return reviewer_.WhyFailed(reviewed); });
    }
    // The database-free checks of the line say less than the run: the line
    // failed exactly when the loader failed it (a line the parser refused
    // says so with the same words), and their warnings give way to what the
    // run tells of the line; what they say of the line's text alone follows it.
    for (; lineChecksHeld_ < lineChecks_.size() && lineChecks_[lineChecksHeld_].line == line.number;
         ++lineChecksHeld_) {
        const LineFinding& finding = lineChecks_[lineChecksHeld_];
        const bool givesWay =
            !finding.standsAlone && (finding.severity == Severity::Error ||
                                     (finding.severity == Severity::Warning && said));
        if (!givesWay) {
            HoldLineCheck(lineChecksHeld_);
        }
    }

    if (line.error != nullptr) {
        return;
    }
    // Every edit of a line that ran is tracked.
    const LinePlace place{script_, line.number};
    if (findings_.target) {
        using Number = rakor::Attrib::ValueReading::Number;
        const auto& a = reviewed.arguments;
        const SetValue value =
            findings_.target->size
                ? SetValue{a.count, Number::Whole,
                           static_cast<double>(
                               rakor::Attrib::Automation::ReadCountText(a.count).count)}
                : SetValue{a.valueToken, line.facts.value.kind, line.facts.value.number};
        conflicts_.Edited(place, *findings_.target, findings_.words, value);
        if (sink_ != nullptr) {
            sink_->Edited(line.number, *findings_.target);
        }
        layoutCopies_.Edited(place, *findings_.target, line.facts.holder, findings_.words,
                             a.collection);
        references_.Set(place, reviewed, *findings_.target);
    }
    if (findings_.hashedText && settings_.rememberHashedTexts) {
        // The field keeps only the hash; remembered, the dump shows the text.
        rakor::Sandbox::HashText64(*findings_.hashedText);
    }
    if (findings_.made) {
        layoutCopies_.Made(place, *findings_.made);
        if (const auto warning = conflicts_.Made(place, *findings_.made)) {
            Hold(line.number, Severity::Warning, FindingKind::MadeAgain, *warning);
        }
    }
}

void ScriptReview::ScriptFinished() {
    Flush();
}

void ScriptReview::ReportWholeRun() {
    // Only the warnings shown are worded: a pack of many has a few of each kind shown.
    const auto shownAs = [this](FindingKind kind) {
        return [this, kind](const LinePlace& place) {
            if (groups_.Show(place.script, conflicts_.ScriptPath(place), place.line,
                             Severity::Warning, kind)) {
                return true;
            }
            report_.Count(Severity::Warning);
            return false;
        };
    };
    for (const auto& warnings :
         {conflicts_.Warnings(shownAs(FindingKind::Conflict)),
          layoutCopies_.Warnings(conflicts_, shownAs(FindingKind::LayoutCopy)),
          references_.Warnings(reviewer_.Names(), conflicts_, shownAs(FindingKind::Reference))}) {
        for (const Diagnostic& warning : warnings) {
            Show(warning);
        }
    }
    for (const Diagnostic& summary : groups_.Summaries()) {
        report_.Add(summary);
    }
}

void ScriptReview::Report(const Diagnostic& diagnostic) {
    // Only what is said of a line is grouped, by its script.
    const uint32_t script = diagnostic.line > 0 ? conflicts_.ScriptNumber(diagnostic.path) : 0;
    if (!groups_.Show(script, diagnostic.path, diagnostic.line, diagnostic.severity,
                      diagnostic.kind)) {
        report_.Count(diagnostic.severity);
        return;
    }
    Show(diagnostic);
}

void ScriptReview::Show(const Diagnostic& diagnostic) {
    if (sink_ != nullptr) {
        sink_->Found(diagnostic);
        return;
    }
    if (progress_ != nullptr) {
        progress_->Clear();
    }
    report_.Add(diagnostic);
}

void ScriptReview::HoldLineChecksUpTo(int line) {
    for (; lineChecksHeld_ < lineChecks_.size() && lineChecks_[lineChecksHeld_].line <= line;
         ++lineChecksHeld_) {
        HoldLineCheck(lineChecksHeld_);
    }
}

void ScriptReview::HoldLineCheck(std::size_t index) {
    const LineFinding& finding = lineChecks_[index];
    HoldWords(finding.line, finding.severity, finding.kind, [&] {
        // An error has its words already.
        return finding.severity == Severity::Error
                   ? finding.message
                   : LineCheckWords(finding.kind, lineCheckTexts_[index]);
    });
}

template <typename Words>
void ScriptReview::HoldWords(int line, Severity severity, FindingKind kind, Words&& words) {
    if (!groups_.Show(script_, path_, line, severity, kind)) {
        held_.Count(severity);
        return;
    }
    const auto said = words();
    if constexpr (std::is_same_v<std::remove_cvref_t<decltype(said)>, std::optional<std::string>>) {
        if (said) {
            Keep(line, severity, kind, *said);
        }
    } else {
        Keep(line, severity, kind, said);
    }
}

void ScriptReview::Keep(int line, Severity severity, FindingKind kind, std::string_view message) {
    if (sink_ != nullptr) {
        sink_->Found({path_, line, severity, std::string(message), kind});
    } else {
        held_.Add(path_, line, severity, message);
    }
}

void ScriptReview::Hold(int line, Severity severity, FindingKind kind, std::string_view message) {
    HoldWords(line, severity, kind, [message] { return message; });
}

void ScriptReview::Flush() {
    HoldLineChecksUpTo(std::numeric_limits<int>::max());
    for (const Diagnostic& summary : groups_.Summaries()) {
        if (sink_ != nullptr) {
            sink_->Found(summary);
        } else {
            held_.Add(summary.path, summary.line, summary.severity, summary.message);
        }
    }
    if (progress_ != nullptr) {
        progress_->Clear();
    }
    report_.Add(held_);
    // The next script's lines are parsed before it starts.
    lineChecks_.clear();
    lineCheckTexts_.clear();
    lineChecksHeld_ = 0;
}

std::shared_ptr<const ScriptReview::Checkpoint> ScriptReview::TakeCheckpoint() const {
    return std::make_shared<const Checkpoint>(Checkpoint{.conflicts = conflicts_.MarkNow(),
                                                         .layoutCopies = layoutCopies_,
                                                         .references = references_});
}

void ScriptReview::Restore(const Checkpoint& checkpoint) {
    conflicts_.RollBack(checkpoint.conflicts);
    layoutCopies_ = checkpoint.layoutCopies;
    references_ = checkpoint.references;
    // The collections that later lines had made are gone from the database.
    reviewer_.Names().MayHaveMadeOne();
    held_.Clear();
    lineChecks_.clear();
    lineCheckTexts_.clear();
    lineChecksHeld_ = 0;
}

}  // namespace vxmod
