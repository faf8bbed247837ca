#include "typedb/BoolValue.h"

namespace rakor::Attrib::TypeDB {

std::optional<std::string> Bool::ToString() const {
    return std::string(Load() == 1 ? "True" : "False");
}

bool Bool::Parse(const std::string& text) {
    Store(text == "True" ? 1 : 0);
    return true;
}

}  // namespace rakor::Attrib::TypeDB
