#include "typedb/RefSpecWrapper.h"

#include <cstddef>

#include <fmt/format.h>

namespace rakor::Attrib::TypeDB {

void RefSpecWrapper::Construct() {
    StoreMember(offsetof(RefSpec, classKey), Hash32());
    StoreMember(offsetof(RefSpec, collectionKey), Hash32());
}

MemberMap RefSpecWrapper::GetMembers() const {
    MemberMap members;
    members.emplace(Hash32("Class"), std::vector{BindMember<Hash32>(offsetof(RefSpec, classKey))});
    members.emplace(Hash32("Collection"),
                    std::vector{BindMember<Hash32>(offsetof(RefSpec, collectionKey))});
    return members;
}

std::optional<std::string> RefSpecWrapper::ToString() const {
    const RefSpec ref = LoadStorage();
    const std::string collection = ref.collectionKey.ToString();
    const std::string className = ref.classKey.ToString();
    return fmt::format("{}->{}", className, collection);
}

}  // namespace rakor::Attrib::TypeDB
