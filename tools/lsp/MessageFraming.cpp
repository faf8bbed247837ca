#include "MessageFraming.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include <fmt/format.h>

namespace vxmod::lsp {
namespace {

// A header line longer than this is no header.
constexpr std::size_t kLongestHeaderLine = 4096;
constexpr std::string_view kContentLength = "content-length:";

bool StartsWithIgnoringCase(std::string_view text, std::string_view start) {
    return text.size() >= start.size() &&
           std::equal(start.begin(), start.end(), text.begin(), [](char a, char b) {
               return a == (b >= 'A' && b <= 'Z' ? static_cast<char>(b - 'A' + 'a') : b);
           });
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace

MessageReader::MessageReader(std::FILE* input, ProblemSink problem)
    : input_(input), problem_(std::move(problem)) {}

std::optional<std::string> MessageReader::ReadLine() {
    // A byte at a time: the stream's own buffer returns what has come, where
    // a read of a whole block would wait for more than the client sends.
    std::string line;
    for (;;) {
        const int c = std::fgetc(input_);
        if (c == EOF) {
            if (line.empty()) {
                return std::nullopt;
            }
            return line;
        }
        if (c == '\n') {
            break;
        }
        if (line.size() < kLongestHeaderLine) {
            line += static_cast<char>(c);
        }
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

std::optional<std::string> MessageReader::Next() {
    for (;;) {
        std::optional<std::size_t> length;
        std::string wrong;
        bool anyHeader = false;
        for (;;) {
            const std::optional<std::string> line = ReadLine();
            if (!line) {
                if (anyHeader) {
                    problem_("the input ended inside a message's header");
                }
                return std::nullopt;
            }
            if (line->empty()) {
                if (anyHeader) {
                    break;
                }
                continue;  // blank lines between messages
            }
            if (resynchronizing_ && !StartsWithIgnoringCase(*line, kContentLength)) {
                continue;
            }
            resynchronizing_ = false;
            anyHeader = true;
            if (StartsWithIgnoringCase(*line, kContentLength)) {
                const std::string_view number =
                    Trimmed(std::string_view(*line).substr(kContentLength.size()));
                std::size_t value = 0;
                const auto [end, error] =
                    std::from_chars(number.data(), number.data() + number.size(), value);
                if (error != std::errc() || end != number.data() + number.size()) {
                    wrong = fmt::format("the Content-Length '{}' is not a number", number);
                } else {
                    length = value;
                }
            } else if (line->find(':') == std::string::npos) {
                wrong = fmt::format("'{}' is no header line (Name: value)", line->substr(0, 80));
            }
        }
        if (wrong.empty() && !length) {
            wrong = "a message's header has no Content-Length";
        }
        if (!wrong.empty()) {
            problem_(wrong + "; looking for the next message");
            resynchronizing_ = true;
            continue;
        }
        if (*length > kLargestMessage) {
            problem_(
                fmt::format("a message of {} bytes is larger than the {} bytes taken; it is "
                            "skipped",
                            *length, kLargestMessage));
            // Passed over unread, a piece at a time.
            char skipped[4096];
            for (std::size_t left = *length; left > 0;) {
                const std::size_t read =
                    std::fread(skipped, 1, std::min(left, sizeof skipped), input_);
                if (read == 0) {
                    problem_("the input ended inside a message");
                    return std::nullopt;
                }
                left -= read;
            }
            continue;
        }
        std::string body(*length, '\0');
        for (std::size_t have = 0; have < *length;) {
            const std::size_t read = std::fread(body.data() + have, 1, *length - have, input_);
            if (read == 0) {
                problem_("the input ended inside a message");
                return std::nullopt;
            }
            have += read;
        }
        return body;
    }
}

std::string Framed(std::string_view body) {
    std::string framed = fmt::format("Content-Length: {}\r\n\r\n", body.size());
    framed += body;
    return framed;
}

}  // namespace vxmod::lsp
