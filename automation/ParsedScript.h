#pragma once

#include <algorithm>
#include <concepts>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "automation/ActionStore.h"
#include "automation/ChunkedList.h"
#include "automation/IAction.h"
#include "automation/LineFacts.h"

namespace rakor::Attrib::Automation {

// An action type may declare that what the parser builds of it holds only
// keys, numbers and views into the script's store: destroying a million of
// those would free nothing, so a script of them only is not walked to do it.
template <typename A>
concept FreesNothingWhenParsed = A::kParsedFreesNothing;

// An action type may keep bytes right behind itself (its texts), as many as
// it says for the arguments it is made from.
template <typename A, typename... Args>
concept KeepsTail = requires(const Args&... args) {
    { A::TailBytes(args...) } -> std::convertible_to<std::size_t>;
};

// A script parsed whole, before any of its lines runs: an entry for each line
// that yielded an action or failed to parse, in line order. The actions and
// the texts they keep live in the script's own blocks (ActionStore), not in an
// allocation each, and go when the script and every action shared from it
// have gone. A line costs 8 bytes here besides its action.
class ParsedScript {
public:
    struct Line {
        int number;       // 1-based
        IAction* action;  // null when the line failed to parse (see ErrorOf)
    };

    ParsedScript();

    using LineList = ChunkedList<Line>;
    const LineList& Lines() const { return contents_->lines; }
    // Why a line without an action failed to parse: the message, and the
    // cause with the token it is about.
    const std::string& ErrorOf(const Line& line) const;
    const LineFacts& FactsOf(const Line& line) const;
    // The line's action, keeping the whole script alive while it is held.
    std::shared_ptr<IAction> Share(const Line& line) const {
        return std::shared_ptr<IAction>(contents_, line.action);
    }

    // For the parser: the lines in order.
    template <typename A, typename... Args>
    void AddAction(int number, Args&&... args) {
        LineList& lines = contents_->lines;
        lines.MakeRoom();
        // The line cannot fail to be added now, so the action is always destroyed.
        if constexpr (KeepsTail<A, Args...>) {
            const std::size_t tail = A::TailBytes(args...);
            lines.push_back(
                {number, contents_->store.MakeWithTail<A>(tail, std::forward<Args>(args)...)});
        } else {
            lines.push_back({number, contents_->store.Make<A>(std::forward<Args>(args)...)});
        }
        if constexpr (!FreesNothingWhenParsed<A>) {
            contents_->destroyActions = true;
        }
    }
    // Returns the message as kept, until the next error is added.
    const std::string& AddError(int number, std::string message, const LineFacts& facts);

private:
    struct Contents {
        ActionStore store;
        LineList lines;
        struct Error {
            int number;
            std::string message;
            LineFacts facts;
        };
        std::vector<Error> errors;    // by line number
        bool destroyActions = false;  // an action holds something to free

        Contents() = default;
        Contents(const Contents&) = delete;
        Contents& operator=(const Contents&) = delete;
        ~Contents();
    };

    std::shared_ptr<Contents> contents_;
};

}  // namespace rakor::Attrib::Automation
