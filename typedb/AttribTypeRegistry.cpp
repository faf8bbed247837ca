#include "typedb/AttribTypeRegistry.h"

namespace rakor::Attrib {

AttribTypeRegistry& AttribTypeRegistry::Instance() {
    // Created on first use: the registrars run during static initialisation,
    // in whatever order the translation units' statics happen to start.
    static AttribTypeRegistry registry;
    return registry;
}

std::shared_ptr<IAttribType> AttribTypeRegistry::FindType(Hash32 typeHash) {
    return types_[typeHash];
}

}  // namespace rakor::Attrib
