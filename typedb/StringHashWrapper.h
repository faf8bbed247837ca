#pragma once

#include <optional>
#include <string>

#include "hash/Hashes.h"
#include "typedb/TypedValueImpl.h"

namespace rakor::Attrib::TypeDB {

// A field holding a name hash (Hash32 or Hash64). Parsing hashes the name
// (recording it for Hash32, so the field later shows the name again);
// ToString resolves the hash back to text.
template <typename H>
class StringHashWrapper final : public TrivialValueImpl<H> {
public:
    void Construct() override { this->StoreStorage(H()); }

    std::optional<std::string> ToString() const override { return this->LoadStorage().ToString(); }

    bool Parse(const std::string& text) override {
        this->StoreStorage(H(text));
        return true;
    }
};

}  // namespace rakor::Attrib::TypeDB
