#include "typedb/RefSpecWrapper.h"

#include <array>
#include <cstddef>

#include <fmt/format.h>

namespace rakor::Attrib::TypeDB {

void RefSpecWrapper::Construct() {
    StoreMember(offsetof(RefSpec, classKey), Hash32());
    StoreMember(offsetof(RefSpec, collectionKey), Hash32());
}

namespace {

constexpr std::array kMembers{
    MemberSlot::Native<Hash32>("Class", offsetof(RefSpec, classKey)),
    MemberSlot::Native<Hash32>("Collection", offsetof(RefSpec, collectionKey)),
};

}  // namespace

MemberMap RefSpecWrapper::GetMembers() const {
    return MembersOf(kMembers);
}

ValueReading RefSpecWrapper::ReadMember(std::string_view member, std::string_view text) {
    return ReadMemberOf<kMembers>(member, text);
}

std::optional<std::string> RefSpecWrapper::ToString() const {
    const RefSpec ref = LoadStorage();
    const std::string collection = ref.collectionKey.ToString();
    const std::string className = ref.classKey.ToString();
    return fmt::format("{}->{}", className, collection);
}

}  // namespace rakor::Attrib::TypeDB
