#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vxmod::lsp {

// Messages travel as a header of "Name: value" lines, each ended by CR LF,
// then an empty line, then exactly Content-Length bytes of JSON text.

// The largest body taken: a script of a few hundred megabytes is no script,
// and reading it whole would take the server's memory.
inline constexpr std::size_t kLargestMessage = 256u * 1024 * 1024;

// Reads framed messages from a stream. A header it cannot read (no
// Content-Length, a length that is no number or too large) is reported to
// `problem`, and the reader looks for the next header that begins with
// Content-Length; the messages before and after it are not lost.
class MessageReader {
public:
    using ProblemSink = std::function<void(const std::string&)>;

    MessageReader(std::FILE* input, ProblemSink problem);

    // The next message's body; none at the end of the input.
    std::optional<std::string> Next();

private:
    // One header line without its line end; none at the end of the input.
    std::optional<std::string> ReadLine();

    std::FILE* input_;
    ProblemSink problem_;
    bool resynchronizing_ = false;
};

// The body with its header, as it is written.
std::string Framed(std::string_view body);

}  // namespace vxmod::lsp
