#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "review/DatabaseNames.h"
#include "review/Finding.h"
#include "review/LineFindings.h"
#include "review/ReviewedLine.h"
#include "review/TypeMembers.h"

namespace vxmod {

// Turns what the loader says about each line that ran into what a modder is
// told: why a line failed, what a line that ran did otherwise than written,
// and what it changed (for conflicts). It decides nothing again: the cause,
// the keys and the value reading are the loader's own.
class LineReviewer {
public:
    // `exampleDatabase`: the lines run against the example database built
    // into vxmod, which a missing class is told against. `showCommand`: the
    // vxmod show that lists a collection's fields in the same database.
    explicit LineReviewer(bool exampleDatabase = false, std::string showCommand = "vxmod show")
        : exampleDatabase_(exampleDatabase), showCommand_(std::move(showCommand)) {}

    // What a line that ran did otherwise than written (worded as `findings`
    // wants), and what it changed.
    void Review(const ReviewedLine& line, LineFindings& findings);
    // Why a line failed, in a modder's words, with the name probably meant;
    // none where the loader's message says it best.
    std::optional<std::string> WhyFailed(const ReviewedLine& line);

    // The words of a finding, asked for after its line ran: `text` is the
    // line's (as the script holds it). They are those the finding had when
    // its line ran, but for a name probably meant, which is found among the
    // names the database has now.
    std::optional<std::string> Words(const Finding& finding, std::string_view text);

    // The names of the database, as the lines reviewed so far left it.
    DatabaseNames& Names() { return names_; }

private:
    // Review without learning the collections the line made.
    void Ran(const ReviewedLine& line, LineFindings& findings);

    bool exampleDatabase_;
    std::string showCommand_;
    DatabaseNames names_;
    TypeMembers members_;
};

}  // namespace vxmod
