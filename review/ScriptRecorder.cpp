#include "review/ScriptRecorder.h"

#include <fmt/format.h>

namespace vxmod {

ScriptRecorder::ScriptRecorder(ScriptReview& review, std::function<bool()> stop)
    : review_(review), stop_(std::move(stop)) {
    review_.ReportTo(this);
}

void ScriptRecorder::LineParsed(const rakor::Attrib::Automation::ParsedLine& line) {
    review_.LineParsed(line);
}

bool ScriptRecorder::ScriptStarting(const rakor::ScriptInfo& script) {
    path_ = script.displayPath;
    text_.emplace(script.text);
    results_ = {};
    return review_.ScriptStarting(script);
}

void ScriptRecorder::LineFinished(const rakor::LineRun& line) {
    // Looked at now and then: the clock and the queue cost more than a line.
    if ((++lines_ & 0xFFF) == 0 && stop_ && stop_()) {
        throw CheckStopped();
    }
    if (line.error != nullptr) {
        results_.failed[line.number] = {line.facts.cause, line.facts.token};
    }
    review_.LineFinished(line);
}

void ScriptRecorder::ScriptFinished() {
    review_.ScriptFinished();
    path_.clear();
}

void ScriptRecorder::Found(const Diagnostic& finding) {
    if (finding.path != path_ || !text_) {
        others_.push_back(finding);
        return;
    }
    if (results_.findings.size() == kMostFindings) {
        firstPassedOver_ = passedOver_++ == 0 ? finding.line : firstPassedOver_;
        lastPassedOver_ = finding.line;
        return;
    }
    results_.findings.push_back(Placed(finding, *text_, results_.failed));
}

ScriptResults ScriptRecorder::TakeResults() {
    if (passedOver_ > 0) {
        results_.findings.push_back(
            {.line = 0,
             .word = {},
             .severity = Diagnostic::Severity::Note,
             .kind = FindingKind::Unsorted,
             .message = fmt::format("{} more findings, on lines {} to {}, are not shown here; "
                                    "vxmod run --all lists them",
                                    passedOver_, firstPassedOver_, lastPassedOver_)});
        passedOver_ = 0;
    }
    return std::exchange(results_, {});
}

void ScriptRecorder::Edited(int line, const EditTarget& target) {
    results_.edits.emplace_back(line, target);
}

ScriptFinding Placed(const Diagnostic& finding, const TextLines& text,
                     const std::map<int, LineOutcome>& failed) {
    ScriptFinding placed{.line = finding.line,
                         .word = {},
                         .severity = finding.severity,
                         .kind = finding.kind,
                         .message = finding.message};
    if (finding.line > 0) {
        const auto outcome = failed.find(finding.line);
        placed.word =
            PlaceOfFinding(text.Line(static_cast<std::size_t>(finding.line - 1)), finding.severity,
                           finding.kind, outcome != failed.end() ? outcome->second : LineOutcome());
    }
    return placed;
}

}  // namespace vxmod
