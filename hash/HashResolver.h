#pragma once

#include <cstdint>
#include <string>

namespace rakor::Attrib {

// Hash-to-name table for messages and the text form of key fields. Filled by
// every Hash32 made from text and, at the first Resolve, from the hash list
// file "Qzr/VLTHashes.txt". Process-wide and unlocked: used only from the
// thread that loads the library and the one that runs the scripts.
class HashResolver {
public:
    static constexpr const char* kHashListPath = "Qzr/VLTHashes.txt";
    static constexpr const char* kUnresolvedPrefix = "[A::HR] Unresolved: ";

    static void Record(uint32_t hash, const std::string& name);
    static std::string Resolve(uint32_t hash);

    // For tests: forget every name and read the hash list again next time.
    static void ResetForTesting();
    static std::size_t TableSizeForTesting();

private:
    static void LoadList();
};

}  // namespace rakor::Attrib
