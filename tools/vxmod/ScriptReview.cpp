#include "ScriptReview.h"

#include <algorithm>
#include <cctype>

#include <fmt/format.h>
#include <spdlog/details/null_mutex.h>
#include <spdlog/sinks/base_sink.h>

#include "LineCheck.h"
#include "WindowsOrder.h"
#include "sandbox/HostValueCodec.h"

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

// The runner's own warnings about the walk: "[PATH] what happened".
class WalkSink : public spdlog::sinks::base_sink<spdlog::details::null_mutex> {
public:
    explicit WalkSink(DiagnosticReport& report) : report_(report) {}

protected:
    void sink_it_(const spdlog::details::log_msg& message) override {
        const std::string text(message.payload.data(), message.payload.size());
        const std::size_t close = text.find("] ");
        // Failed lines are reported with their line number by the review.
        if (message.level != spdlog::level::warn || !text.starts_with("[") ||
            close == std::string::npos ||
            text.find("] Caught error executing script line: ") == close) {
            return;
        }
        report_.Add({text.substr(1, close - 1), 0, Severity::Warning, text.substr(close + 2)});
    }
    void flush_() override {}

private:
    DiagnosticReport& report_;
};

}  // namespace

ScriptReview::ScriptReview(const ReviewSettings& settings, DiagnosticReport& report)
    : settings_(settings), report_(report) {}

std::shared_ptr<spdlog::sinks::sink> ScriptReview::WalkProblemSink() {
    return std::make_shared<WalkSink>(report_);
}

void ScriptReview::OrderEntries(std::vector<fs::directory_entry>& entries) {
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
            report_.Add({display + (isDirectory ? "/" : ""), 0, Severity::Note,
                         "disabled: the name begins with '!', so the loader skips it"});
        }
        return;
    }
    const std::size_t at = lower.rfind(".vxmod");
    if (isDirectory || at == std::string::npos) {
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
    report_.Add({display, 0, Severity::Warning, "not run: " + why});
}

bool ScriptReview::ScriptStarting(const rakor::ScriptInfo& script) {
    ++scriptsRead_;
    path_ = script.displayPath;
    lines_ = SplitLines(script.text);
    pending_.clear();
    lineChecks_.clear();
    std::error_code error;
    if (fs::is_directory(script.path, error)) {
        Add(0, Severity::Warning,
            "a folder named like a script: the loader walks it and then counts it as a script "
            "with no lines");
    } else if (!script.readable) {
        Add(0, Severity::Error, "cannot be read; the loader would run no line of it");
    } else if (LooksLikeUtf16(script.text)) {
        Add(0, settings_.checkLines ? Severity::Error : Severity::Warning,
            "the file is saved as UTF-16 (\"Unicode\"): the loader reads it byte by byte and "
            "finds no command in it; save it as UTF-8 or ANSI");
    } else if (settings_.checkLines) {
        for (Diagnostic& diagnostic : CheckScriptText(path_, script.text)) {
            lineChecks_[diagnostic.line].push_back(std::move(diagnostic));
        }
    }
    if (!settings_.runLines) {
        Flush();
    }
    return settings_.runLines;
}

void ScriptReview::LineStarting(const rakor::Attrib::Automation::ScriptLine& line) {
    reading_.reset();
    forecast_ = {};
    if (line.action && line.number >= 1 && static_cast<std::size_t>(line.number) <= lines_.size()) {
        reading_ = ReadLine(lines_[line.number - 1]);
        if (reading_) {
            forecast_ = ForecastLine(*reading_, &forecastMemory_);
        }
    }
}

void ScriptReview::LineFinished(const rakor::Attrib::Automation::ScriptLine& line,
                                const std::string* error) {
    const LinePlace place{path_, line.number};
    std::vector<Diagnostic> findings;
    const auto add = [&](Severity severity, const std::string& message) {
        findings.push_back({path_, line.number, severity, message});
    };
    if (error == nullptr) {
        for (const std::string& warning : forecast_.warnings) {
            add(Severity::Warning, warning);
        }
    } else if (settings_.explainFailures) {
        add(Severity::Error, forecast_.problem.value_or(*error));
    } else {
        add(Severity::Error, *error);
        if (forecast_.problem) {
            add(Severity::Note, *forecast_.problem);
        }
    }
    // The database-free checks of the line: an error of theirs (the line
    // cannot be read as meant) says it all; their warnings say less than
    // the database's view of the line.
    const auto checked = lineChecks_.find(line.number);
    if (checked != lineChecks_.end()) {
        const bool theirError =
            std::any_of(checked->second.begin(), checked->second.end(),
                        [](const Diagnostic& d) { return d.severity == Severity::Error; });
        if (theirError) {
            findings.clear();
        } else if (!findings.empty()) {
            std::erase_if(checked->second,
                          [](const Diagnostic& d) { return d.severity == Severity::Warning; });
        }
    }
    pending_.insert(pending_.end(), findings.begin(), findings.end());

    if (error != nullptr) {
        return;
    }
    if (forecast_.target && reading_) {
        conflicts_.Edited(place, *forecast_.target,
                          forecast_.target->size ? reading_->tokens[4] : reading_->valueToken);
    }
    if (forecast_.hashedText) {
        // The field keeps only the hash; remembered, the dump shows the text.
        rakor::Sandbox::HashText64(*forecast_.hashedText);
    }
    if (forecast_.made) {
        if (const auto warning = conflicts_.Made(place, *forecast_.made)) {
            pending_.push_back(*warning);
        }
    }
}

void ScriptReview::ScriptFinished() {
    Flush();
}

void ScriptReview::ReportConflicts() {
    for (const Diagnostic& warning : conflicts_.Warnings()) {
        report_.Add(warning);
    }
}

void ScriptReview::Add(int line, Severity severity, std::string message) {
    pending_.push_back({path_, line, severity, std::move(message)});
}

void ScriptReview::Flush() {
    for (auto& [line, diagnostics] : lineChecks_) {
        pending_.insert(pending_.begin(), diagnostics.begin(), diagnostics.end());
    }
    lineChecks_.clear();
    std::stable_sort(pending_.begin(), pending_.end(),
                     [](const Diagnostic& a, const Diagnostic& b) { return a.line < b.line; });
    for (const Diagnostic& diagnostic : pending_) {
        report_.Add(diagnostic);
    }
    pending_.clear();
}

}  // namespace vxmod
