#include "typedb/AttribTypeRegistry.h"
#include "typedb/BoolValue.h"
#include "typedb/EightBitNumber.h"
#include "typedb/GameStructureWrappers.h"
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
    registry.Register<AxlePair, AxlePairWrapper>(Hash32("AxlePair"));
    registry.Register<GCollectionKey, GCollectionKeyWrapper>(Hash32("GCollectionKey"));
    registry.Register<FECarPartInfo, FECarPartInfoWrapper>(Hash32("FECarPartInfo"));
    registry.Register<JunkmanMod, JunkmanModWrapper>(Hash32("JunkmanMod"));
    registry.Register<lm::Vec2, AttribVector2>(Hash32("Attrib::Types::Vector2"));
    registry.Register<lm::Vec3, AttribVector3>(Hash32("Attrib::Types::Vector3"));
    registry.Register<lm::Vec4, AttribVector4>(Hash32("Attrib::Types::Vector4"));
    registry.Register<lm::Matrix4, AttribMatrix>(Hash32("Attrib::Types::Matrix"));
    registry.Register<unsigned short, EightBitNumber<unsigned short>>(
        Hash32("KQ::Reflection::UInt8"));
    registry.Register<short, EightBitNumber<short>>(Hash32("KQ::Reflection::Int8"));
    registry.Register<unsigned short, NumberValueImpl<unsigned short>>(
        Hash32("KQ::Reflection::UInt16"));
    registry.Register<short, NumberValueImpl<short>>(Hash32("KQ::Reflection::Int16"));
    registry.Register<unsigned int, NumberValueImpl<unsigned int>>(
        Hash32("KQ::Reflection::UInt32"));
    registry.Register<int, NumberValueImpl<int>>(Hash32("KQ::Reflection::Int32"));
    registry.Register<float, NumberValueImpl<float>>(Hash32("KQ::Reflection::Float"));
    registry.Register<bool, Bool>(Hash32("KQ::Reflection::Bool"));
    registry.Register<RefSpec, RefSpecWrapper>(Hash32("Attrib::RefSpec"));
    registry.Register<Hash32, StringHashWrapper<Hash32>>(Hash32("Attrib::StringHashWrapper32"));
    registry.Register<Hash64, StringHashWrapper<Hash64>>(Hash32("Attrib::StringHashWrapper64"));
    registry.Register<StringKey, StringKeyWrapper>(Hash32("Attrib::StringKey"));
    registry.Register<char*, Text>(Hash32("KQ::Reflection::Text"));
}

}  // namespace rakor::Attrib
