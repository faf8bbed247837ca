#include "typedb/StringKeyWrapper.h"

#include <cstddef>

#include "typedb/TextValue.h"

namespace rakor::Attrib::TypeDB {

void StringKeyWrapper::Construct() {
    StoreMember(offsetof(StringKey, collision64), Hash64());
    StoreMember(offsetof(StringKey, collision), Hash32());
}

MemberMap StringKeyWrapper::GetMembers() const {
    MemberMap members;
    members.emplace(Hash32("Visual"), std::vector{BindMember<char*>(offsetof(StringKey, visual))});
    members.emplace(Hash32("Collision"),
                    std::vector{BindMember<Hash32>(offsetof(StringKey, collision))});
    members.emplace(Hash32("Collision64"),
                    std::vector{BindMember<Hash64>(offsetof(StringKey, collision64))});
    return members;
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
