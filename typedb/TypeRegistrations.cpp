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

// Every host field type the library understands, registered while the library
// is loaded, before any script runs.
//
// All registrations live in this one file because their order matters and
// only the order of definition inside a translation unit is guaranteed: the
// 8-bit number types share their storage types with the 16-bit ones, and the
// storage type's entry must end up naming the 16-bit type (registered later),
// which is what members bound by their C++ type get.
namespace rakor::Attrib {
namespace {

template <typename T, typename W>
struct TypeRegistrar {
    explicit TypeRegistrar(const char* typeName) {
        // Hashing the name also records it, so messages show type names in clear.
        AttribTypeRegistry::Instance().Register<T, W>(Hash32(typeName));
    }
};

using namespace TypeDB;

const TypeRegistrar<AxlePair, AxlePairWrapper> kAxlePair("AxlePair");
const TypeRegistrar<GCollectionKey, GCollectionKeyWrapper> kGCollectionKey("GCollectionKey");
const TypeRegistrar<FECarPartInfo, FECarPartInfoWrapper> kFECarPartInfo("FECarPartInfo");
const TypeRegistrar<JunkmanMod, JunkmanModWrapper> kJunkmanMod("JunkmanMod");
const TypeRegistrar<lm::Vec2, AttribVector2> kVector2("Attrib::Types::Vector2");
const TypeRegistrar<lm::Vec3, AttribVector3> kVector3("Attrib::Types::Vector3");
const TypeRegistrar<lm::Vec4, AttribVector4> kVector4("Attrib::Types::Vector4");
const TypeRegistrar<lm::Matrix4, AttribMatrix> kMatrix("Attrib::Types::Matrix");
const TypeRegistrar<unsigned short, EightBitNumber<unsigned short>> kUInt8("KQ::Reflection::UInt8");
const TypeRegistrar<short, EightBitNumber<short>> kInt8("KQ::Reflection::Int8");
const TypeRegistrar<unsigned short, NumberValueImpl<unsigned short>> kUInt16(
    "KQ::Reflection::UInt16");
const TypeRegistrar<short, NumberValueImpl<short>> kInt16("KQ::Reflection::Int16");
const TypeRegistrar<unsigned int, NumberValueImpl<unsigned int>> kUInt32("KQ::Reflection::UInt32");
const TypeRegistrar<int, NumberValueImpl<int>> kInt32("KQ::Reflection::Int32");
const TypeRegistrar<float, NumberValueImpl<float>> kFloat("KQ::Reflection::Float");
const TypeRegistrar<bool, Bool> kBool("KQ::Reflection::Bool");
const TypeRegistrar<RefSpec, RefSpecWrapper> kRefSpec("Attrib::RefSpec");
const TypeRegistrar<Hash32, StringHashWrapper<Hash32>> kHash32("Attrib::StringHashWrapper32");
const TypeRegistrar<Hash64, StringHashWrapper<Hash64>> kHash64("Attrib::StringHashWrapper64");
const TypeRegistrar<StringKey, StringKeyWrapper> kStringKey("Attrib::StringKey");
const TypeRegistrar<char*, Text> kText("KQ::Reflection::Text");

}  // namespace
}  // namespace rakor::Attrib
