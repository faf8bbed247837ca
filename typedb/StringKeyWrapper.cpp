#include "typedb/StringKeyWrapper.h"

#include <array>
#include <cstddef>

#include "typedb/TextValue.h"

namespace rakor::Attrib::TypeDB {

void StringKeyWrapper::Construct() {
    StoreMember(offsetof(StringKey, collision64), Hash64());
    StoreMember(offsetof(StringKey, collision), Hash32());
}

namespace {

constexpr std::array kMembers{
    MemberSlot::Native<char*>("Visual", offsetof(StringKey, visual)),
    MemberSlot::Native<Hash32>("Collision", offsetof(StringKey, collision)),
    MemberSlot::Native<Hash64>("Collision64", offsetof(StringKey, collision64)),
};

}  // namespace

MemberMap StringKeyWrapper::GetMembers() const {
    return MembersOf(kMembers);
}

ValueReading StringKeyWrapper::ReadMember(std::string_view member, std::string_view text) {
    return ReadMemberOf<kMembers>(member, text);
}

std::optional<std::string> StringKeyWrapper::ToString() const {
    return LoadStorage().collision.ToString();
}

bool StringKeyWrapper::Parse(const std::string& text) {
    // Both parts are made before either is stored, so a name that cannot be
    // hashed leaves the key as it was. The old text is the host's: not freed.
    const Hash32 collision(text);
    char* const visual = DuplicateHostText(text);
    StoreMember(offsetof(StringKey, collision), collision);
    StoreMember(offsetof(StringKey, visual), visual);
    return true;
}

}  // namespace rakor::Attrib::TypeDB
