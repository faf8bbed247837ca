#include "typedb/GameStructureWrappers.h"

#include <memory>

#include <fmt/format.h>

#include "typedb/NumberValueImpl.h"

namespace rakor::Attrib::TypeDB {

namespace {

// Axle pairs make their float members directly rather than through the
// registry, so they never fail; the members still carry the float type's hash.
std::shared_ptr<ITypedValue> MakeFloatMember(float& member) {
    auto value = std::make_shared<NumberValueImpl<float>>();
    value->SetStorage(&member);
    value->SetTypeHash(AttribTypeRegistry::Instance().FindNativeType<float>());
    return value;
}

}  // namespace

MemberMap AxlePairWrapper::GetMembers() const {
    AxlePair& pair = *Storage();
    MemberMap members;
    members.emplace(Hash32("Front"), std::vector{MakeFloatMember(pair.front)});
    members.emplace(Hash32("Rear"), std::vector{MakeFloatMember(pair.rear)});
    return members;
}

std::optional<std::string> AxlePairWrapper::ToString() const {
    return fmt::format("Front={} Rear={}", Storage()->front, Storage()->rear);
}

MemberMap FECarPartInfoWrapper::GetMembers() const {
    FECarPartInfo& info = *Storage();
    MemberMap members;
    members.emplace(Hash32("Level"), std::vector{BindMember(info.level)});
    members.emplace(Hash32("Rep"), std::vector{BindMember(info.rep)});
    members.emplace(Hash32("Cost"), std::vector{BindMember(info.cost)});
    return members;
}

std::optional<std::string> FECarPartInfoWrapper::ToString() const {
    return std::string("<FECarPartInfoWrapper>");
}

void JunkmanModWrapper::Construct() {
    Storage()->classKey = Hash32();
    Storage()->definitionKey = Hash32();
}

MemberMap JunkmanModWrapper::GetMembers() const {
    JunkmanMod& mod = *Storage();
    MemberMap members;
    members.emplace(Hash32("ClassKey"), std::vector{BindMember(mod.classKey)});
    members.emplace(Hash32("DefinitionKey"), std::vector{BindMember(mod.definitionKey)});
    members.emplace(Hash32("Scale"), std::vector{BindMember(mod.scale)});
    return members;
}

std::optional<std::string> JunkmanModWrapper::ToString() const {
    return std::string("<JunkmanModWrapper>");
}

void GCollectionKeyWrapper::Construct() {
    Storage()->key = Hash32();
}

std::optional<std::string> GCollectionKeyWrapper::ToString() const {
    return Storage()->key.ToString();
}

}  // namespace rakor::Attrib::TypeDB
