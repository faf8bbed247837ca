#include "ScriptReview.h"

#include <algorithm>
#include <cctype>
#include <limits>

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
    script_ = conflicts_.ScriptNumber(path_);
    text_ = script.text;
    cursorLine_ = 1;
    cursorAt_ = 0;
    held_.Clear();
    lineChecks_.clear();
    std::error_code error;
    if (fs::is_directory(script.path, error)) {
        Hold(0, Severity::Warning,
             "a folder named like a script: the loader walks it and then counts it as a script "
             "with no lines");
    } else if (!script.readable) {
        Hold(0, Severity::Error, "cannot be read; the loader would run no line of it");
    } else if (LooksLikeUtf16(script.text)) {
        Hold(0, settings_.checkLines ? Severity::Error : Severity::Warning,
             "the file is saved as UTF-16 (\"Unicode\"): the loader reads it byte by byte and "
             "finds no command in it; save it as UTF-8 or ANSI");
    } else if (settings_.checkLines) {
        for (Diagnostic& diagnostic : CheckScriptText(path_, std::string(script.text))) {
            lineChecks_[diagnostic.line].push_back(std::move(diagnostic));
        }
    }
    if (!settings_.runLines) {
        Flush();
    }
    return settings_.runLines;
}

std::optional<std::string_view> ScriptReview::LineText(int number) {
    if (number < cursorLine_) {
        cursorLine_ = 1;
        cursorAt_ = 0;
    }
    // Lines end at line feeds, as the loader splits them.
    while (cursorLine_ < number) {
        const std::size_t end = text_.find('\n', cursorAt_);
        if (end == std::string_view::npos) {
            return std::nullopt;
        }
        cursorAt_ = end + 1;
        ++cursorLine_;
    }
    if (cursorAt_ >= text_.size()) {
        return std::nullopt;
    }
    const std::size_t end = text_.find('\n', cursorAt_);
    return text_.substr(cursorAt_, end == std::string_view::npos ? end : end - cursorAt_);
}

void ScriptReview::LineStarting(const rakor::Attrib::Automation::ScriptLine& line) {
    reading_.reset();
    if (line.action && line.number >= 1) {
        if (const std::optional<std::string_view> text = LineText(line.number)) {
            reading_ = ReadLine(*text);
        }
    }
    if (reading_) {
        forecaster_.Forecast(*reading_, forecast_);
    } else {
        forecast_.Clear();
    }
}

void ScriptReview::LineFinished(const rakor::Attrib::Automation::ScriptLine& line,
                                const std::string* error) {
    HoldLineChecksUpTo(line.number - 1);
    findings_.clear();
    if (error == nullptr) {
        for (const std::string& warning : forecast_.Warnings()) {
            findings_.push_back({Severity::Warning, warning});
        }
    } else if (settings_.explainFailures) {
        findings_.push_back({Severity::Error, forecast_.problem ? *forecast_.problem : *error});
    } else {
        findings_.push_back({Severity::Error, *error});
        if (forecast_.problem) {
            findings_.push_back({Severity::Note, *forecast_.problem});
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
            findings_.clear();
        } else if (!findings_.empty()) {
            std::erase_if(checked->second,
                          [](const Diagnostic& d) { return d.severity == Severity::Warning; });
        }
        HoldLineChecksUpTo(line.number);
    }
    for (const Finding& finding : findings_) {
        Hold(line.number, finding.severity, finding.message);
    }

    if (error != nullptr) {
        return;
    }
    forecaster_.Ran(reading_ ? &*reading_ : nullptr, forecast_);
    const LinePlace place{script_, line.number};
    if (forecast_.target && reading_) {
        conflicts_.Edited(place, *forecast_.target, forecast_.words,
                          forecast_.target->size ? reading_->tokens[4] : reading_->valueToken);
    }
    if (forecast_.hashedText && settings_.rememberHashedTexts) {
        // The field keeps only the hash; remembered, the dump shows the text.
        rakor::Sandbox::HashText64(*forecast_.hashedText);
    }
    if (forecast_.made) {
        if (const auto warning = conflicts_.Made(place, *forecast_.made)) {
            Hold(line.number, Severity::Warning, *warning);
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

void ScriptReview::HoldLineChecksUpTo(int line) {
    while (!lineChecks_.empty() && lineChecks_.begin()->first <= line) {
        for (const Diagnostic& diagnostic : lineChecks_.begin()->second) {
            held_.Add(diagnostic.path, diagnostic.line, diagnostic.severity, diagnostic.message);
        }
        lineChecks_.erase(lineChecks_.begin());
    }
}

void ScriptReview::Hold(int line, Severity severity, std::string_view message) {
    held_.Add(path_, line, severity, message);
}

void ScriptReview::Flush() {
    HoldLineChecksUpTo(std::numeric_limits<int>::max());
    report_.Add(held_);
}

}  // namespace vxmod
