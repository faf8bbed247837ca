#pragma once

#include <functional>
#include <istream>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "automation/CommandTable.h"
#include "automation/IAction.h"
#include "automation/LineFacts.h"
#include "automation/LineTokens.h"
#include "automation/ParsedScript.h"

namespace rakor::Attrib::Automation {

// A line that names a command but cannot become its action: too few
// arguments, or a name or subscript that cannot be converted. The message
// names the command word, the token and what is wrong with it; the facts say
// the same for a program (the cause, and the token it is about).
class ScriptLineError : public std::runtime_error {
public:
    ScriptLineError(Cause cause, std::size_t token, const std::string& message)
        : std::runtime_error(message) {
        facts_.cause = cause;
        facts_.token = static_cast<uint8_t>(token);
    }
    const LineFacts& Facts() const { return facts_; }

private:
    LineFacts facts_;
};

// The tokens of a line: runs of non-whitespace ("C" locale whitespace, so a
// carriage return is a separator too), with no quoting. A token that begins
// with "#" starts a comment: it and everything after it are dropped.
std::vector<std::string> Tokenize(std::string_view line);

// One line to at most one action. Blank lines, comments and unknown words
// give none, silently. Throws ScriptLineError for a line its row cannot read
// (and lets allocation failures pass).
std::shared_ptr<IAction> ParseLine(std::string_view line);

// Parses a whole script, held in memory as ReadTextFile gives it, before
// anything runs. A line that fails to parse keeps its place in the result, so
// every other line still runs in order. Nothing of the result refers to `text`.
ParsedScript ParseScriptText(std::string_view text);

// A line as the parser read it, for a tool that follows a run: every line
// with a token, the comments' and the unknown words' too.
struct ParsedLine {
    int number = 0;  // 1-based
    const LineTokens& tokens;
    const Command* command = nullptr;  // null for a word that is no command
    bool listed = false;     // it has an entry in ParsedScript::Lines(): an action or an error
    std::string_view error;  // why it cannot become its action; empty when it can
};

// The same for a script handed over in pieces of whole lines (the last piece
// may end without a line feed), as ReadTextFileInPieces reads one.
class ScriptParser {
public:
    // Called for each line with a token, as it is parsed; the tokens are
    // views into the piece being parsed.
    using LineHook = std::function<void(const ParsedLine&)>;

    explicit ScriptParser(LineHook onLine = {}) : onLine_(std::move(onLine)) {}
    ScriptParser(const ScriptParser&) = delete;
    ScriptParser& operator=(const ScriptParser&) = delete;

    void Parse(std::string_view lines);
    // What ParseScriptText gives for all the pieces together.
    ParsedScript Finish() { return std::move(script_); }

private:
    ParsedScript script_;
    int nextLine_ = 1;
    LineHook onLine_;
};

// The outcome of one script line that yielded something: its action, or the
// error that kept the line from becoming one. Lines that yield nothing are
// not listed.
struct ScriptLine {
    int number = 0;  // 1-based
    std::shared_ptr<IAction> action;
    std::string error;  // set exactly when action is empty
};

// A line of a parsed script as a ScriptLine; the action is shared with the script.
ScriptLine LineOutcome(const ParsedScript& script, const ParsedScript::Line& line);

// The same for a script read from a stream, a line at a time.
std::vector<ScriptLine> ParseScript(std::istream& script);

}  // namespace rakor::Attrib::Automation
