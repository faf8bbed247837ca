#include "automation/AddNode.h"

#include <cstdlib>
#include <new>

#include "automation/LineFailure.h"
#include "automation/NamedField.h"
#include "host/HostApi.h"

namespace rakor::Attrib::Automation {

// Names are converted new first, then parent, then class, so that a name that
// fails to convert is reported in the same order as the host would see them.
AddNode::AddNode(const std::string& className, const std::string& parentName,
                 const std::string& newName)
    : classKey_(), parentKey_(), nameKey_(newName) {
    parentKey_ = Hash32(parentName);
    classKey_ = Hash32(className);
}

bool AddNode::Attempt(LineFacts& facts, std::string& message) {
    facts.collectionKey = parentKey_.GetValue();
    facts.newKey = nameKey_.GetValue();
    Host::ClassRecord* const classObject = FindNamedClass("AddNode", classKey_, facts, message);
    if (classObject == nullptr) {
        return false;
    }
    void* const parent = Host::GetCollection(classObject, parentKey_.GetValue());
    if (parent == nullptr) {
        return Fail(facts, message, Cause::NoCollection,
                    FMT_COMPILE("AddNode.Act => Collection parent '{}'->'{}' not found"), classKey_,
                    parentKey_);
    }
    facts.collection = static_cast<Host::CollectionRecord*>(parent);
    if (facts.followed) {
        facts.replaced = Host::GetCollection(classObject, nameKey_.GetValue());
    }
    // The host constructs the collection in memory we supply and keeps it for
    // the rest of the process; the library never frees or touches it again.
    void* const memory = std::calloc(1, Host::kCollectionObjectSize);
    if (memory == nullptr) {
        throw std::bad_alloc();
    }
    Host::ConstructCollection(memory, classObject, parent, nameKey_.GetValue());
    return true;
}

}  // namespace rakor::Attrib::Automation
