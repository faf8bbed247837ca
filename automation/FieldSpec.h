#pragma once

#include <cstdint>
#include <string>

namespace rakor::Attrib::Automation {

// A field argument of a script line: "Grip", or "Gears[3]" for one element.
struct FieldSpec {
    std::string name;
    int32_t index = 0;  // 0 when the argument has no subscript
};

// Splits "name[subscript]". The subscript reads like std::stoi: optional sign,
// digits, the rest ignored. Throws std::invalid_argument when it has no digits
// ("Gears[]", "Gears[x]") and std::out_of_range beyond 32 bits.
FieldSpec ParseFieldSpec(const std::string& token);

// A count argument: the leading unsigned decimal number of the token, the
// rest ignored ("12abc" is 12); 0 when the token does not begin with one.
// A negative count wraps as unsigned and one beyond 32 bits gives 4294967295,
// so both stay far above any array the host can hold.
uint32_t ReadCount(const std::string& token);

}  // namespace rakor::Attrib::Automation
