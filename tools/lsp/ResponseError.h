#pragma once

#include <stdexcept>
#include <string>

#include "ErrorCodes.h"

namespace vxmod::lsp {

// Thrown by a request's handler: the request is answered with this error
// instead of a result. Any other exception is answered as an internal error.
class ResponseError : public std::runtime_error {
public:
    ResponseError(int code, const std::string& message)
        : std::runtime_error(message), code_(code) {}
    int Code() const { return code_; }

private:
    int code_;
};

// Thrown by work that saw its request cancelled.
class RequestCancelled : public ResponseError {
public:
    RequestCancelled() : ResponseError(ErrorCode::kRequestCancelled, "the request was cancelled") {}
};

}  // namespace vxmod::lsp
