#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "typedb/IAttribType.h"

namespace vxmod {

// The member names of the field types, in the order they lie in memory, as
// the types' own member maps list them; learnt once for the run.
class TypeMembers {
public:
    const std::vector<std::string>& Of(const rakor::Attrib::IAttribType& type);

private:
    std::unordered_map<const rakor::Attrib::IAttribType*, std::vector<std::string>> members_;
};

// "Front, Rear".
std::string MemberList(const std::vector<std::string>& members);

}  // namespace vxmod
