#include "typedb/TextValue.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace rakor::Attrib::TypeDB {

char* DuplicateHostText(const std::string& text) {
    // What strdup does, in standard C++: malloc, so the block is the host's
    // kind of memory and not tied to operator new.
    const std::size_t length = std::strlen(text.c_str());
    auto* copy = static_cast<char*>(std::malloc(length + 1));
    if (copy == nullptr) {
        throw std::bad_alloc();
    }
    std::memcpy(copy, text.c_str(), length + 1);
    return copy;
}

std::string ReadHostText(const char* text) {
    return text == nullptr ? std::string() : text;
}

std::optional<std::string> Text::ToString() const {
    return ReadHostText(LoadStorage());
}

bool Text::Parse(const std::string& text) {
    StoreStorage(DuplicateHostText(text));
    return true;
}

}  // namespace rakor::Attrib::TypeDB
