#include "review/ValueWarnings.h"

#include <algorithm>
#include <cctype>
#include <string>

#include <fmt/format.h>

#include "review/ValueWords.h"
#include "typedb/NumberText.h"

namespace vxmod {
namespace {

using rakor::Attrib::ValueForm;
using rakor::Attrib::ValueReading;

std::string Stored(const ValueReading& reading) {
    return StoredText(reading.kind, reading.number);
}

// A word that a modder probably meant as true.
bool LooksTrue(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == "true" || lower == "yes" || lower == "on" || lower == "y" || lower == "t") {
        return true;
    }
    const auto number = rakor::Attrib::ExtractNumber<long long>(text);
    return number.ok && number.used == text.size() && number.value != 0;
}

void WarnAboutNumber(const ReviewedLine& line, const rakor::Attrib::HostTypeRow& row,
                     LineFindings& findings) {
    const ValueReading& reading = line.facts.value;
    const std::string_view text = line.arguments.value;
    if (reading.used < text.size()) {
        if (std::string* words = findings.Warn(FindingKind::NumberReadInPart)) {
            *words =
                fmt::format("'{}' is read as {}: {} {} and stops at '{}'", text, Stored(reading),
                            ValueTarget(line), NumberForm(row), text.substr(reading.used, 1));
        }
    } else if (row.wrapsNegative && text.starts_with("-") && reading.number != 0) {
        if (std::string* words = findings.Warn(FindingKind::NegativeWrapped)) {
            *words = fmt::format("'{}' is stored as {}: {} holds no negative numbers", text,
                                 Stored(reading), ValueTarget(line));
        }
    }
}

void WarnAboutQuotes(const ReviewedLine& line, LineFindings& findings) {
    const std::string_view token = line.arguments.valueToken;
    if (token == "''") {
        if (std::string* words = findings.Warn(FindingKind::Quotes)) {
            *words = "'' is stored as the two characters ''; the empty text is written \"\"";
        }
    } else if (token != "\"\"" && token.find('"') != std::string_view::npos) {
        if (std::string* words = findings.Warn(FindingKind::Quotes)) {
            *words = fmt::format(
                "the quotes are part of the value: {} is set to '{}' (quotes do not group words)",
                ValueTarget(line), line.arguments.value);
        }
    }
}

}  // namespace

void WarnAboutStoredValue(const ReviewedLine& line, LineFindings& findings) {
    const rakor::Attrib::HostTypeRow* const row = RowOfType(line.facts.value.typeKey);
    if (row == nullptr) {
        return;
    }
    const std::string_view text = line.arguments.value;
    switch (row->form) {
        case ValueForm::Whole:
        case ValueForm::Decimal:
            WarnAboutNumber(line, *row, findings);
            return;
        case ValueForm::Bool:
            if (line.facts.value.number == 0 && text != "False" && LooksTrue(text)) {
                if (std::string* words = findings.Warn(FindingKind::ReadAsFalse)) {
                    *words = fmt::format(
                        "'{}' is stored as false: only the exact word True is true", text);
                }
            }
            return;
        case ValueForm::HashedText:
            findings.hashedText = text;
            WarnAboutQuotes(line, findings);
            return;
        case ValueForm::Text:
        case ValueForm::Name:
        case ValueForm::Key:
            WarnAboutQuotes(line, findings);
            return;
        case ValueForm::MembersOnly:
        case ValueForm::None:
            return;
    }
}

}  // namespace vxmod
