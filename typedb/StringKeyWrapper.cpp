#include "typedb/StringKeyWrapper.h"

#include "typedb/TextValue.h"

namespace rakor::Attrib::TypeDB {

void StringKeyWrapper::Construct() {
    Storage()->collision64 = Hash64();
    Storage()->collision = Hash32();
}

MemberMap StringKeyWrapper::GetMembers() const {
    StringKey& key = *Storage();
    MemberMap members;
    members.emplace(Hash32("Visual"), std::vector{BindMember(key.visual)});
    members.emplace(Hash32("Collision"), std::vector{BindMember(key.collision)});
    members.emplace(Hash32("Collision64"), std::vector{BindMember(key.collision64)});
    return members;
}

std::optional<std::string> StringKeyWrapper::ToString() const {
    return Storage()->collision.ToString();
}

bool StringKeyWrapper::Parse(const std::string& text) {
    // Both parts are made before either is stored, so a name that cannot be
    // hashed leaves the key as it was. The old text is the host's: not freed.
    const Hash32 collision(text);
    char* const visual = DuplicateHostText(text);
    Storage()->collision = collision;
    Storage()->visual = visual;
    return true;
}

}  // namespace rakor::Attrib::TypeDB
