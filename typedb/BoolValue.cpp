#include "typedb/BoolValue.h"

namespace rakor::Attrib::TypeDB {

std::optional<std::string> Bool::ToString() const {
    return std::string(Load() == 1 ? "True" : "False");
}

ValueReading Bool::Read(std::string_view text) {
    const bool isTrue = text == "True";
    Store(isTrue ? 1 : 0);
    return {.result = ValueReading::Result::Stored,
            .kind = ValueReading::Number::Boolean,
            .member = -1,
            .used = static_cast<uint32_t>(text.size()),
            .number = isTrue ? 1.0 : 0.0};
}

}  // namespace rakor::Attrib::TypeDB
