#include "typedb/GameStructureWrappers.h"

#include <array>
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

ValueReading ReadFloatMember(void* member, std::string_view text) {
    NumberValueImpl<float> value;
    value.SetStorage(member);
    ValueReading reading = value.Read(text);
    reading.typeKey = AttribTypeRegistry::Instance().FindNativeType<float>().GetValue();
    return reading;
}

constexpr std::array kAxlePairMembers{
    MemberSlot{"Front", offsetof(AxlePair, front), &MakeFloatMember, &ReadFloatMember},
    MemberSlot{"Rear", offsetof(AxlePair, rear), &MakeFloatMember, &ReadFloatMember},
};
constexpr std::array kCarPartMembers{
    MemberSlot::Native<int32_t>("Level", offsetof(FECarPartInfo, level)),
    MemberSlot::Native<float>("Rep", offsetof(FECarPartInfo, rep)),
    MemberSlot::Native<float>("Cost", offsetof(FECarPartInfo, cost)),
};
constexpr std::array kJunkmanMembers{
    MemberSlot::Native<Hash32>("ClassKey", offsetof(JunkmanMod, classKey)),
    MemberSlot::Native<Hash32>("DefinitionKey", offsetof(JunkmanMod, definitionKey)),
    MemberSlot::Native<float>("Scale", offsetof(JunkmanMod, scale)),
};

}  // namespace

MemberMap AxlePairWrapper::GetMembers() const {
    return MembersOf(kAxlePairMembers);
}

ValueReading AxlePairWrapper::ReadMember(std::string_view member, std::string_view text) {
    return ReadMemberOf<kAxlePairMembers>(member, text);
}

std::optional<std::string> AxlePairWrapper::ToString() const {
    const AxlePair pair = LoadStorage();
    return fmt::format("Front={} Rear={}", pair.front, pair.rear);
}

MemberMap FECarPartInfoWrapper::GetMembers() const {
    return MembersOf(kCarPartMembers);
}

ValueReading FECarPartInfoWrapper::ReadMember(std::string_view member, std::string_view text) {
    return ReadMemberOf<kCarPartMembers>(member, text);
}

std::optional<std::string> FECarPartInfoWrapper::ToString() const {
    return std::string("<FECarPartInfoWrapper>");
}

void JunkmanModWrapper::Construct() {
    StoreMember(offsetof(JunkmanMod, classKey), Hash32());
    StoreMember(offsetof(JunkmanMod, definitionKey), Hash32());
}

MemberMap JunkmanModWrapper::GetMembers() const {
    return MembersOf(kJunkmanMembers);
}

ValueReading JunkmanModWrapper::ReadMember(std::string_view member, std::string_view text) {
    return ReadMemberOf<kJunkmanMembers>(member, text);
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
