#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "typedb/NumberValueImpl.h"

namespace rakor::Attrib::TypeDB {

// The host's one-byte boolean: 1 is true, any other byte reads as false.
class Bool final : public NumberValueImpl<bool> {
public:
    std::optional<std::string> ToString() const override;
    // Only the exact text "True" stores 1; every other text stores 0. Never refuses.
    bool Parse(const std::string& text) override { return Read(text).Stored(); }
    ValueReading Read(std::string_view text) override;
};

}  // namespace rakor::Attrib::TypeDB
