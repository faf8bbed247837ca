#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace rakor::Attrib::Automation {

// A field argument of a script line: "Grip", or "Gears[3]" for one element.
struct FieldSpec {
    std::string name;
    int32_t index = 0;  // 0 when the argument has no subscript
};

// The same, with the name a view into the argument.
struct FieldSpecView {
    std::string_view name{};
    int32_t index = 0;
    bool subscripted = false;  // written with a subscript
    // The text the subscript was read from and how many bytes of it the
    // number took ("1.5": 1), whether a "]" closes it, and what follows that
    // "]" ("x" in "Gears[3]x"): the reader ignores both rests.
    std::string_view subscript{};
    std::size_t subscriptUsed = 0;
    bool closed = false;
    std::string_view afterClose{};
};

// Splits "name[subscript]". The subscript reads like std::stoi: optional sign,
// digits, the rest ignored. Throws std::invalid_argument when it has no digits
// ("Gears[]", "Gears[x]") and std::out_of_range beyond 32 bits.
FieldSpec ParseFieldSpec(std::string_view token);
FieldSpecView SplitFieldSpec(std::string_view token);

// A count argument: the leading unsigned decimal number of the token, the
// rest ignored ("12abc" is 12); 0 when the token does not begin with one.
// One beyond 32 bits gives 4294967295, far above any array the host can hold.
// Throws std::out_of_range for a count written with a minus sign: read as
// unsigned it would wrap around ("-4294967295" would be 1).
uint32_t ReadCount(std::string_view token);

// The same, saying how many bytes of the token the count was read from
// ("12abc": 12 from 2 bytes; "abc": 0 from none).
struct CountReading {
    uint32_t count = 0;
    std::size_t used = 0;
};
CountReading ReadCountText(std::string_view token);

}  // namespace rakor::Attrib::Automation
