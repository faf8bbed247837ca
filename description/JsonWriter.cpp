#include "description/JsonWriter.h"

#include <bit>
#include <charconv>

#include <fmt/compile.h>
#include <fmt/format.h>

namespace rakor::Description {

void JsonWriter::Indent(int depth) {
    out_.append(static_cast<std::size_t>(2 * depth), ' ');
}

void JsonWriter::BeforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (counts_.empty()) {
        return;  // the document's (or the part's) own value
    }
    // An item of a list.
    Separate();
}

void JsonWriter::Separate() {
    const bool first = counts_.back()++ == 0;
    if (Flat()) {
        if (!first) {
            out_ += ", ";
        }
        return;
    }
    out_ += first ? "\n" : ",\n";
    Indent(depth_);
}

void JsonWriter::Key(std::string_view name) {
    Separate();
    AppendString(out_, name);
    out_ += ": ";
    afterKey_ = true;
}

void JsonWriter::Open(char bracket) {
    BeforeValue();
    out_ += bracket;
    counts_.push_back(0);
    ++depth_;
}

void JsonWriter::Close(char bracket) {
    const bool flat = Flat();
    --depth_;
    if (counts_.back() != 0 && !flat) {
        out_ += '\n';
        Indent(depth_);
    }
    out_ += bracket;
    counts_.pop_back();
}

void JsonWriter::BeginObject() {
    Open('{');
}
void JsonWriter::EndObject() {
    Close('}');
}
void JsonWriter::BeginArray() {
    Open('[');
}
void JsonWriter::EndArray() {
    Close(']');
}

void JsonWriter::String(std::string_view text) {
    BeforeValue();
    AppendString(out_, text);
}

namespace {

template <typename Integer>
void AppendInteger(std::string& out, Integer value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

}  // namespace

void JsonWriter::Int(int64_t value) {
    BeforeValue();
    AppendInteger(out_, value);
}

void JsonWriter::UInt(uint64_t value) {
    BeforeValue();
    AppendInteger(out_, value);
}

namespace {

constexpr uint32_t kExponent = 0x7F800000u;

}  // namespace

void JsonWriter::Float(uint32_t bits) {
    BeforeValue();
    // The common case, a finite number other than -0, without a text of its own.
    if ((bits & kExponent) != kExponent && bits != kSignBit) {
        fmt::format_to(std::back_inserter(out_), FMT_COMPILE("{}"), std::bit_cast<float>(bits));
    } else {
        out_ += FloatText(bits);
    }
}

void JsonWriter::Bool(bool value) {
    BeforeValue();
    out_ += value ? "true" : "false";
}

void JsonWriter::Null() {
    BeforeValue();
    out_ += "null";
}

void JsonWriter::Literal(std::string_view json) {
    BeforeValue();
    out_ += json;
}

void JsonWriter::Written(std::string_view json) {
    BeforeValue();
    out_ += json;
}

std::string JsonWriter::FloatText(uint32_t bits) {
    if ((bits & kExponent) == kExponent && (bits & ~(kExponent | kSignBit)) != 0) {
        return bits == kQuietNaN                ? "\"nan\""
               : bits == (kQuietNaN | kSignBit) ? "\"-nan\""
                                                : fmt::format("\"nan:0x{:08X}\"", bits);
    }
    if ((bits & ~kSignBit) == kExponent) {
        return (bits & kSignBit) == 0 ? "\"inf\"" : "\"-inf\"";
    }
    // JSON's "-0" is the whole number 0: the sign is kept as -0.0.
    if (bits == kSignBit) {
        return "-0.0";
    }
    // {fmt}'s default float format is the shortest text that reads back as
    // the same float (1.5, 2, 0.1), where widening the float to double would
    // give 0.10000000149011612. (A description read from that text gets the
    // float back: see the sandbox's ParseOrderedJson.)
    return fmt::format(FMT_COMPILE("{}"), std::bit_cast<float>(bits));
}

// As nlohmann::json's dump escapes: the quote, the backslash and the control
// characters; every other byte as it is.
void JsonWriter::AppendString(std::string& out, std::string_view text) {
    out += '"';
    std::size_t plain = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x20 && byte != '"' && byte != '\\') {
            continue;
        }
        out.append(text.substr(plain, i - plain));
        plain = i + 1;
        switch (byte) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                fmt::format_to(std::back_inserter(out), "\\u{:04x}", byte);
                break;
        }
    }
    out.append(text.substr(plain));
    out += '"';
}

}  // namespace rakor::Description
