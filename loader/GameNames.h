#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "loader/ScriptNames.h"

namespace rakor {

// The names a description of the game's database gives keys: the words of
// the scripts, then the lines of the hash list, else the key in hexadecimal.
// Its own, read once: asking the library's hash resolver would fill it (and
// read the hash list into it) before the pass does, and so change what the
// pass logs and which names it hashes.
class GameNames {
public:
    // `list`: the hash list file's text (ReadHashList), if there is one.
    GameNames(ScriptNames scripts, std::optional<std::string> list);
    GameNames(const GameNames&) = delete;
    GameNames& operator=(const GameNames&) = delete;

    // The hash list file as the resolver reads it.
    static std::optional<std::string> ReadHashList();

    // A key as a description writes it: its name, or "0x" and its digits;
    // the view is good until the next call.
    std::string_view KeyView(uint32_t key) const;
    std::string Key(uint32_t key) const { return std::string(KeyView(key)); }
    // A 64-bit hash as a description writes it: the text it was made from,
    // or "0x" and its digits.
    std::string_view Hash64View(uint64_t hash);

    // Every word's key, in the order the scripts first use it.
    const std::vector<uint32_t>& ScriptKeys() const { return scripts_.keys; }
    // Every key the hash list names, each once.
    const std::vector<uint32_t>& ListedKeys() const { return listedKeys_; }

private:
    // A line of the list by a hash of it: a table of a million lines takes
    // 12 or 16 bytes a line, and no allocation each.
    template <typename Hash>
    struct Line {
        Hash hash;
        uint32_t start;
        uint32_t length : 31;
        uint32_t writable : 1;  // a description can write it as a name (Description::KeyText)
    };
    static bool Writable(std::string_view name);
    std::optional<std::string_view> FindListed(uint32_t key) const;
    template <typename Hash>
    static std::optional<std::string_view> Find(const std::vector<Line<Hash>>& lines, Hash hash,
                                                std::string_view list);

    ScriptNames scripts_;
    std::string list_;
    std::vector<Line<uint32_t>> listed_;  // the name of each key: its last line
    // listed_ by key, open-addressed: each slot the index of a line plus one,
    // 0 when free. A key's name is asked for every name-valued value.
    std::vector<uint32_t> slots_;
    std::vector<uint32_t> listedKeys_;
    // The lines by their 64-bit hash, made when a hash no word gives is first met.
    std::optional<std::vector<Line<uint64_t>>> listed64_;
    mutable std::string digits_;  // a key or hash without a name, as written
};

}  // namespace rakor
