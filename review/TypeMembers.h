#pragma once

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "typedb/IAttribType.h"

namespace vxmod {

// The member names of the field types, in the order they lie in memory, as
// the types' own member maps list them; learnt once for the run.
class TypeMembers {
public:
    const std::vector<std::string>& Of(const rakor::Attrib::IAttribType& type);

private:
    // A few dozen types at most, looked for on nearly every line: read one by
    // one, they need no hash (a bucket's division), and they keep their places.
    std::deque<std::pair<const rakor::Attrib::IAttribType*, std::vector<std::string>>> members_;
};

// "Front, Rear".
std::string MemberList(const std::vector<std::string>& members);

}  // namespace vxmod
