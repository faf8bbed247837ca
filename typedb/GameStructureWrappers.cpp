#include "typedb/GameStructureWrappers.h"

#include <cstddef>
#include <cstdint>
#include <memory>

#include <fmt/format.h>

#include "typedb/NumberValueImpl.h"

namespace rakor::Attrib::TypeDB {

namespace {

// Axle pairs make their float members directly rather than through the
// registry, so they never fail; the members still carry the float type's hash.
std::shared_ptr<ITypedValue> MakeFloatMember(void* member) {
    auto value = std::make_shared<NumberValueImpl<float>>();
    value->SetStorage(member);
    value->SetTypeHash(AttribTypeRegistry::Instance().FindNativeType<float>());
    return value;
}

}  // namespace

MemberMap AxlePairWrapper::GetMembers() const {
    MemberMap members;
    members.emplace(Hash32("Front"),
                    std::vector{MakeFloatMember(MemberAddress(offsetof(AxlePair, front)))});
    members.emplace(Hash32("Rear"),
                    std::vector{MakeFloatMember(MemberAddress(offsetof(AxlePair, rear)))});
    return members;
}

std::optional<std::string> AxlePairWrapper::ToString() const {
    const AxlePair pair = LoadStorage();
    return fmt::format("Front={} Rear={}", pair.front, pair.rear);
}

MemberMap FECarPartInfoWrapper::GetMembers() const {
    MemberMap members;
    members.emplace(Hash32("Level"),
                    std::vector{BindMember<int32_t>(offsetof(FECarPartInfo, level))});
    members.emplace(Hash32("Rep"), std::vector{BindMember<float>(offsetof(FECarPartInfo, rep))});
    members.emplace(Hash32("Cost"), std::vector{BindMember<float>(offsetof(FECarPartInfo, cost))});
    return members;
}

std::optional<std::string> FECarPartInfoWrapper::ToString() const {
    return std::string("<FECarPartInfoWrapper>");
}

void JunkmanModWrapper::Construct() {
    StoreMember(offsetof(JunkmanMod, classKey), Hash32());
    StoreMember(offsetof(JunkmanMod, definitionKey), Hash32());
}

MemberMap JunkmanModWrapper::GetMembers() const {
    MemberMap members;
    members.emplace(Hash32("ClassKey"),
                    std::vector{BindMember<Hash32>(offsetof(JunkmanMod, classKey))});
    members.emplace(Hash32("DefinitionKey"),
                    std::vector{BindMember<Hash32>(offsetof(JunkmanMod, definitionKey))});
    members.emplace(Hash32("Scale"), std::vector{BindMember<float>(offsetof(JunkmanMod, scale))});
    return members;
}

std::optional<std::string> JunkmanModWrapper::ToString() const {
    return std::string("<JunkmanModWrapper>");
}

void GCollectionKeyWrapper::Construct() {
    StoreStorage(GCollectionKey{Hash32()});
}

std::optional<std::string> GCollectionKeyWrapper::ToString() const {
    return LoadStorage().key.ToString();
}

}  // namespace rakor::Attrib::TypeDB
