#pragma once

#include <compare>
#include <string>
#include <string_view>

namespace rakor::autohash {

// A name hash as the host database stores it: exactly one integer, copied as
// plain bytes, so a field of a hash type in host memory *is* one of these.
// Constructing one from text hashes it with Hasher and tells Resolver which
// text the hash came from, so messages can show the name again later. The
// Resolver does both in one step (KeyOf), so that it can keep each text's
// hash instead of hashing the same name again.
template <typename Source, typename Value, typename Hasher, typename Resolver>
class Hash {
public:
    using ValueType = Value;

    constexpr Hash() = default;
    constexpr explicit Hash(Value value) : value_(value) {}

    // Explicit: making a key from text calls the host's hash and records the
    // name, which should never happen by accident.
    explicit Hash(std::string_view text) : value_(Resolver::template KeyOf<Hasher>(text)) {}
    explicit Hash(const Source& text) : Hash(std::string_view(text)) {}
    explicit Hash(const char* text) : Hash(std::string_view(text)) {}

    constexpr Value GetValue() const { return value_; }
    std::string ToString() const { return Resolver::Resolve(value_); }

    friend constexpr auto operator<=>(const Hash&, const Hash&) = default;

private:
    Value value_ = 0;
};

}  // namespace rakor::autohash
