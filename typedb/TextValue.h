#pragma once

#include <optional>
#include <string>

#include "typedb/TypedValueImpl.h"

namespace rakor::Attrib::TypeDB {

// A heap copy of `text` up to its first NUL, from the C runtime heap, for the
// host to keep: the host frees or keeps its texts by its own rules, so the
// library never frees what it stores there. Throws std::bad_alloc.
char* DuplicateHostText(const std::string& text);

// The text a `char*` field points to; a null pointer reads as the empty text.
std::string ReadHostText(const char* text);

// A host text field: one pointer to a NUL-terminated string.
class Text final : public TrivialValueImpl<char*> {
public:
    std::optional<std::string> ToString() const override;
    // Points the field at a fresh copy of the text; the old text is left alone.
    bool Parse(const std::string& text) override;
};

}  // namespace rakor::Attrib::TypeDB
