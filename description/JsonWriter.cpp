#include "description/JsonWriter.h"

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
    out_ += counts_.back()++ == 0 ? "\n" : ",\n";
    Indent(depth_);
}

void JsonWriter::Key(std::string_view name) {
    out_ += counts_.back()++ == 0 ? "\n" : ",\n";
    Indent(depth_);
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
    --depth_;
    if (counts_.back() != 0) {
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

void JsonWriter::Int(int64_t value) {
    BeforeValue();
    fmt::format_to(std::back_inserter(out_), "{}", value);
}

void JsonWriter::UInt(uint64_t value) {
    BeforeValue();
    fmt::format_to(std::back_inserter(out_), "{}", value);
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
