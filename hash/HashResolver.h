#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rakor::Attrib {

// Hash-to-name table for messages and the text form of key fields. Filled by
// every Hash32 made from text and, at the first Resolve, from the hash list
// file "Qzr/VLTHashes.txt". Process-wide and unlocked: used only from the
// thread that loads the library and the one that runs the scripts.
class HashResolver {
public:
    static constexpr const char* kHashListPath = "Qzr/VLTHashes.txt";
    static constexpr const char* kUnresolvedPrefix = "[A::HR] Unresolved: ";

    static void Record(uint32_t hash, std::string_view name);
    static std::string Resolve(uint32_t hash);
    // The name of `hash`, or empty when it has none: a view into the table,
    // valid until the next name is recorded or looked up. For writing a name
    // into a message without a string of its own.
    static std::string_view NameOf(uint32_t hash);
    // Every hash the hash list names (and no script named otherwise since),
    // in no set order. Reads the list if nothing has yet.
    static std::vector<uint32_t> ListedHashes();
    // The hash list's names, one a line, as long as the table lives.
    static std::string_view ListText();

    // The key Hasher makes of `text`, with `text` recorded as its name: what
    // making a Hash32 from text does. The table remembers each text's key, so
    // Hasher (the host's hash) sees each distinct text once; the one Hasher
    // of Hash32 makes every key.
    template <typename Hasher>
    static uint32_t KeyOf(std::string_view text) {
        return KeyOfText(text, &Hasher::HashText);
    }

    // Changes whenever a recorded name stops being its hash's name (another
    // name took the hash, the list was read, the table was reset). While it
    // stays the same, making a Hash32 again from a text made before would
    // change nothing, and the hash made then may be used instead.
    static uint32_t Generation();

    // For tests: forget every name and read the hash list again next time.
    static void ResetForTesting();
    static std::size_t TableSizeForTesting();

private:
    static uint32_t KeyOfText(std::string_view text, uint32_t (*hash)(const std::string&));
    static void LoadList();
};

}  // namespace rakor::Attrib
