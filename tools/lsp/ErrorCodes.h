#pragma once

namespace vxmod::lsp {

// The error codes of JSON-RPC 2.0 and those the language server protocol adds.
namespace ErrorCode {
inline constexpr int kParseError = -32700;
inline constexpr int kInvalidRequest = -32600;
inline constexpr int kMethodNotFound = -32601;
inline constexpr int kInvalidParams = -32602;
inline constexpr int kInternalError = -32603;
inline constexpr int kServerNotInitialized = -32002;
inline constexpr int kRequestFailed = -32803;
inline constexpr int kRequestCancelled = -32800;
}  // namespace ErrorCode

}  // namespace vxmod::lsp
