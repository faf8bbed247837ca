#include "review/WindowsOrder.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "host/Utf8.h"

namespace vxmod {
namespace {

// The capital of a code unit as the NTFS upper-case table has it for the
// scripts a mod name is likely written in.
char16_t Upper(char16_t c) {
    if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7) ||
        (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) || (c >= 0x430 && c <= 0x44F) ||
        (c >= 0xFF41 && c <= 0xFF5A)) {
        return static_cast<char16_t>(c - 0x20);
    }
    if (c == 0xFF) {
        return 0x178;
    }
    if (c == 0x3C2) {
        return 0x3A3;  // final sigma
    }
    if (c >= 0x450 && c <= 0x45F) {
        return static_cast<char16_t>(c - 0x50);
    }
    // Latin Extended-A and Cyrillic beyond the basic letters pair a capital
    // (even) with its small letter (odd), except where the block shifts.
    const bool oddPairs = (c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177) ||
                          (c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) ||
                          (c >= 0x4D0 && c <= 0x52F);
    if (oddPairs && (c % 2) == 1) {
        return static_cast<char16_t>(c - 1);
    }
    const bool evenPairs =
        (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E) || (c >= 0x4C1 && c <= 0x4CE);
    if (evenPairs && (c % 2) == 0) {
        return static_cast<char16_t>(c - 1);
    }
    return c;
}

// Windows names are UTF-16 already.
[[maybe_unused]] std::u16string Utf16Of(const std::wstring& native) {
    return std::u16string(native.begin(), native.end());
}

// Elsewhere names are bytes, normally UTF-8.
[[maybe_unused]] std::u16string Utf16Of(const std::string& bytes) {
    std::u16string units;
    for (std::string_view rest = bytes; !rest.empty();) {
        const rakor::Utf8::Decoded decoded = rakor::Utf8::DecodeFirst(rest);
        if (decoded.length == 0) {
            // A stray byte sorts as itself among the surrogates, after
            // every letter and before the private and compatibility areas.
            units.push_back(static_cast<char16_t>(0xDC00 + static_cast<uint8_t>(rest[0])));
            rest.remove_prefix(1);
            continue;
        }
        rakor::Utf8::AppendUtf16(units, decoded.codePoint);
        rest.remove_prefix(decoded.length);
    }
    return units;
}

}  // namespace

std::u16string WindowsSortKey(const std::filesystem::path& name) {
    std::u16string key = Utf16Of(name.native());
    std::transform(key.begin(), key.end(), key.begin(), Upper);
    return key;
}

void SortAsWindowsLists(std::vector<std::filesystem::directory_entry>& entries) {
    std::vector<std::pair<std::u16string, std::filesystem::directory_entry>> keyed;
    keyed.reserve(entries.size());
    for (auto& entry : entries) {
        keyed.emplace_back(WindowsSortKey(entry.path().filename()), std::move(entry));
    }
    // Names equal but for case cannot share an NTFS folder; elsewhere they
    // are kept apart by their own code units, so the order stays the same
    // from run to run.
    std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
        if (a.first != b.first) {
            return a.first < b.first;
        }
        return a.second.path().filename().native() < b.second.path().filename().native();
    });
    entries.clear();
    for (auto& [key, entry] : keyed) {
        entries.push_back(std::move(entry));
    }
}

}  // namespace vxmod
