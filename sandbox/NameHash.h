#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The sandbox host's string hash: CRC-32 (reflected polynomial 0xEDB88320,
// initial value and final xor 0xFFFFFFFF) over the name's bytes. Every name
// hashed through HashName is remembered for the rest of the process, so that
// tools and test messages can show keys as names again. It needs no database:
// the library hashes its type names during static initialisation.
namespace rakor::Sandbox {

// Plain CRC-32 of the bytes; remembers nothing.
uint32_t Crc32(std::string_view bytes);

// The host hash of a name; remembers the name.
uint32_t HashName(std::string_view name);

// The first name that was hashed to this key, if any.
std::optional<std::string> NameOf(uint32_t key);

// The remembered name, or the key as "0x" and eight hexadecimal digits.
std::string NameOrHex(uint32_t key);

// Forgets every remembered name. For a process that hashes endless arbitrary
// names, such as a fuzzer, whose table would otherwise grow without bound.
void ForgetNames();

}  // namespace rakor::Sandbox
