#include "typedb/RefSpecWrapper.h"

#include <fmt/format.h>

namespace rakor::Attrib::TypeDB {

void RefSpecWrapper::Construct() {
    Storage()->classKey = Hash32();
    Storage()->collectionKey = Hash32();
}

MemberMap RefSpecWrapper::GetMembers() const {
    RefSpec& ref = *Storage();
    MemberMap members;
    members.emplace(Hash32("Class"), std::vector{BindMember(ref.classKey)});
    members.emplace(Hash32("Collection"), std::vector{BindMember(ref.collectionKey)});
    return members;
}

std::optional<std::string> RefSpecWrapper::ToString() const {
    const std::string collection = Storage()->collectionKey.ToString();
    const std::string className = Storage()->classKey.ToString();
    return fmt::format("{}->{}", className, collection);
}

}  // namespace rakor::Attrib::TypeDB
