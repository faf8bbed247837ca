#include "typedb/AttribTypeRegistry.h"

namespace rakor::Attrib {

AttribTypeRegistry& AttribTypeRegistry::Instance() {
    // Filled on first use, not while the library loads (see RegisterHostTypes).
    static AttribTypeRegistry registry = [] {
        AttribTypeRegistry filled;
        RegisterHostTypes(filled);
        return filled;
    }();
    return registry;
}

std::shared_ptr<IAttribType> AttribTypeRegistry::FindType(Hash32 typeHash) {
    return types_[typeHash];
}

}  // namespace rakor::Attrib
