#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "description/ValueForms.h"
#include "sandbox/DescriptionError.h"

// How a description's JSON value turns into the bytes of host memory and back,
// for the sandbox: the types, their sizes and members and the written form of
// values are the description's (description/ValueForms.h, which the plug-in's
// snapshot writes with too); the names are those the sandbox remembers.
namespace rakor::Sandbox {

using ValueKind = Description::ValueKind;
using HostType = Description::HostType;
using Member = Description::Member;
using Description::HostTypes;
using Description::MembersOf;

// The host type whose name hashes to the key, or null for a type the sandbox
// does not know (its values are then plain bytes).
const HostType* FindHostType(uint32_t typeKey);
// A key as a description writes it: the remembered name, else "0x" and eight
// hexadecimal digits (Description::KeyText).
std::string KeyText(uint32_t key);

// The key a description's name stands for: "0x" and 1 to 8 hexadecimal
// digits are the key itself; any other name is hashed with the host hash
// (and so remembered). Throws DescriptionError naming `where`.
uint32_t KeyOf(const std::string& name, const nlohmann::ordered_json::json_pointer& where);

// The 64-bit hash of a text (32-bit FNV-1a widened); remembered, so that the
// dump can write the text again (unless it is not UTF-8: then the digits).
uint64_t HashText64(std::string_view text);
std::string Hash64Text(uint64_t hash);
// The 64-bit hash a description's text stands for: "0x" and 1 to 16
// hexadecimal digits are the hash itself; any other text is hashed (and so
// remembered). Throws DescriptionError naming `where`.
uint64_t Hash64Of(const std::string& text, const nlohmann::ordered_json::json_pointer& where);

// Gives the host word of a new text that lives as long as the database.
using TextMaker = std::function<uint32_t(const std::string&)>;

// Writes the value into out, which is exactly the value's size. A null type
// is one the sandbox does not know: its value is a string of hexadecimal
// bytes, two digits per byte, in memory order. Throws DescriptionError
// naming `where`, the value's place in the description. `overBytes`: out
// holds bytes already (a field's raw bytes), which keep what the value does
// not give (a reference's third word, a member left out); otherwise out is
// zeroed first.
void EncodeValue(const HostType* type, const nlohmann::ordered_json& value,
                 const nlohmann::ordered_json::json_pointer& where, std::span<uint8_t> out,
                 const TextMaker& makeText, bool overBytes = false);

// The value that the bytes hold, in the form EncodeValue reads, with the
// names the sandbox remembers.
nlohmann::ordered_json DecodeValue(const HostType* type, std::span<const uint8_t> bytes);
const Description::NameWriter& SandboxNames();

}  // namespace rakor::Sandbox
