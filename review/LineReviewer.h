#pragma once

#include <string>
#include <utility>

#include "review/DatabaseNames.h"
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

    void Review(const ReviewedLine& line, LineFindings& findings);
    // The names of the database, as the lines reviewed so far left it.
    DatabaseNames& Names() { return names_; }

private:
    bool exampleDatabase_;
    std::string showCommand_;
    DatabaseNames names_;
    TypeMembers members_;
};

}  // namespace vxmod
