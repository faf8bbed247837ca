#include "typedb/AttribTypeRegistry.h"
#include "typedb/BoolValue.h"
#include "typedb/EightBitNumber.h"
#include "typedb/GameStructureWrappers.h"
#include "typedb/HostTypeTable.h"
#include "typedb/NumberValueImpl.h"
#include "typedb/RefSpecWrapper.h"
#include "typedb/StringHashWrapper.h"
#include "typedb/StringKeyWrapper.h"
#include "typedb/TextValue.h"
#include "typedb/VectorValues.h"

// Every host field type the library understands, registered when the registry
// is first used. That is during the first script run, never while the library
// loads: hashing a type name calls the host's string hash, and inside the game
// no game code may run before the loader has checked that the game is the
// version it patches.
//
// The order of this list matters: the 8-bit number types share their storage
// types with the 16-bit ones, and the storage type's entry must end up naming
// the 16-bit type (registered later), which is what members bound by their C++
// type get.
namespace rakor::Attrib {

void RegisterHostTypes(AttribTypeRegistry& registry) {
    using namespace TypeDB;
    // Hashing each name also records it, so messages show type names in clear.
    // Every row of the table is registered here, once.
    registry.Register<AxlePair, AxlePairWrapper>(HostTypeNamed("AxlePair"));
    registry.Register<GCollectionKey, GCollectionKeyWrapper>(HostTypeNamed("GCollectionKey"));
    registry.Register<FECarPartInfo, FECarPartInfoWrapper>(HostTypeNamed("FECarPartInfo"));
    registry.Register<JunkmanMod, JunkmanModWrapper>(HostTypeNamed("JunkmanMod"));
    registry.Register<lm::Vec2, AttribVector2>(HostTypeNamed("Attrib::Types::Vector2"));
    registry.Register<lm::Vec3, AttribVector3>(HostTypeNamed("Attrib::Types::Vector3"));
    registry.Register<lm::Vec4, AttribVector4>(HostTypeNamed("Attrib::Types::Vector4"));
    registry.Register<lm::Matrix4, AttribMatrix>(HostTypeNamed("Attrib::Types::Matrix"));
    registry.Register<unsigned short, EightBitNumber<unsigned short>>(
        HostTypeNamed("KQ::Reflection::UInt8"));
    registry.Register<short, EightBitNumber<short>>(HostTypeNamed("KQ::Reflection::Int8"));
    registry.Register<unsigned short, NumberValueImpl<unsigned short>>(
        HostTypeNamed("KQ::Reflection::UInt16"));
    registry.Register<short, NumberValueImpl<short>>(HostTypeNamed("KQ::Reflection::Int16"));
    registry.Register<unsigned int, NumberValueImpl<unsigned int>>(
        HostTypeNamed("KQ::Reflection::UInt32"));
    registry.Register<int, NumberValueImpl<int>>(HostTypeNamed("KQ::Reflection::Int32"));
    registry.Register<float, NumberValueImpl<float>>(HostTypeNamed("KQ::Reflection::Float"));
    registry.Register<bool, Bool>(HostTypeNamed("KQ::Reflection::Bool"));
    registry.Register<RefSpec, RefSpecWrapper>(HostTypeNamed("Attrib::RefSpec"));
    registry.Register<Hash32, StringHashWrapper<Hash32>>(
        HostTypeNamed("Attrib::StringHashWrapper32"));
    registry.Register<Hash64, StringHashWrapper<Hash64>>(
        HostTypeNamed("Attrib::StringHashWrapper64"));
    registry.Register<StringKey, StringKeyWrapper>(HostTypeNamed("Attrib::StringKey"));
    registry.Register<char*, Text>(HostTypeNamed("KQ::Reflection::Text"));
}

}  // namespace rakor::Attrib
