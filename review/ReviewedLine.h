#pragma once

#include <string>
#include <string_view>

#include "automation/FieldSpec.h"
#include "automation/LineArguments.h"
#include "loader/ScriptRunner.h"
#include "typedb/HostTypeTable.h"

namespace vxmod {

// A line that ran, as the review reads it: the runner's tokens, outcome and
// facts, and the line's arguments by what they are (as the parser read them).
struct ReviewedLine {
    explicit ReviewedLine(const rakor::LineRun& run);

    const rakor::LineRun& run;
    const rakor::Attrib::Automation::LineFacts& facts;
    rakor::Attrib::Automation::LineArguments arguments;
    rakor::Attrib::Automation::FieldSpecView field;  // the field's name and subscript

    bool Failed() const { return run.error != nullptr; }
    // The row of the type the value was read with; null where the line did
    // not get that far.
    const rakor::Attrib::HostTypeRow* Row() const;
    // The field's type as the line's class gives it, by name.
    std::string TypeName() const;
    // 'class'->'collection'.'field', as the line writes them.
    std::string Field() const;
};

// The name of a type (or of any key) as messages show it.
std::string KeyName(uint32_t key);

}  // namespace vxmod
