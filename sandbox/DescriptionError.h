#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace rakor::Sandbox {

// A database description that cannot be used. Pointer() is the JSON pointer
// of the problem ("/classes/car/fields/Grip/type"); empty for the document
// as a whole (a file that cannot be read or parsed). what() is the pointer
// and the message; Message() the message alone.
class DescriptionError : public std::runtime_error {
public:
    DescriptionError(std::string pointer, const std::string& message)
        : std::runtime_error(pointer.empty() ? message : pointer + ": " + message),
          pointer_(std::move(pointer)),
          message_(message) {}

    const std::string& Pointer() const { return pointer_; }
    const std::string& Message() const { return message_; }

private:
    std::string pointer_;
    std::string message_;
};

}  // namespace rakor::Sandbox
