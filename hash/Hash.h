#pragma once

#include <compare>
#include <string>

namespace rakor::autohash {

// A name hash as the host database stores it: exactly one integer, copied as
// plain bytes, so a field of a hash type in host memory *is* one of these.
// Constructing one from text hashes it with Hasher and tells Resolver which
// text the hash came from, so messages can show the name again later.
template <typename Source, typename Value, typename Hasher, typename Resolver>
class Hash {
public:
    using ValueType = Value;

    constexpr Hash() = default;
    constexpr explicit Hash(Value value) : value_(value) {}

    // Explicit: making a key from text calls the host's hash and records the
    // name, which should never happen by accident.
    explicit Hash(const Source& text) : value_(Hasher::HashText(text)) {
        Resolver::Record(value_, text);
    }
    explicit Hash(const char* text) : Hash(Source(text)) {}

    constexpr Value GetValue() const { return value_; }
    std::string ToString() const { return Resolver::Resolve(value_); }

    friend constexpr auto operator<=>(const Hash&, const Hash&) = default;

private:
    Value value_ = 0;
};

}  // namespace rakor::autohash
