#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace rakor::Sandbox {
class Database;
}

namespace vxmod {

// One field that a line naming a collection reaches, and who holds it. The
// game's rules, as the loader's own lookup follows them: a field of the class
// layout is held by every collection of the class, in its layout block (a new
// collection copies its parent's block when it is made); any other field is
// held only by the collections the game made an entry for it in, and no
// script line can add an entry. A line that names a collection which does not
// hold the field changes it where it is held.
struct CollectionField {
    std::string name;
    std::string typeName;
    bool array = false;
    // The value as a database description writes it (one line); none when
    // the entry that holds it points nowhere.
    std::optional<std::string> value;
    // The collection that holds it: the collection itself or a parent. Its
    // class is named only when it is not the collection's own.
    std::string holder;
    std::string holderClass;
    bool heldItself = false;
    bool inLayout = false;  // in the holder's layout block, else in an entry of its own
    // A collection made from this one (add_node CLASS THIS NEW) holds its own
    // copy; otherwise it inherits the field from `holder`.
    bool newCollectionHoldsIt = false;
    // A script line can set it: false for the types no value text reaches.
    bool settable = true;
};

struct CollectionFields {
    std::string className;
    std::string collection;
    // The parent, and its class when that is not the collection's own.
    std::optional<std::string> parent;
    std::string parentClass;
    std::vector<CollectionField> fields;  // in the order the class names them
    // Fields of the class that neither the collection nor a parent holds (or
    // that the loader cannot write): a line that names them fails.
    std::vector<std::string> notFound;
};

// What the class or collection asked for is not: the reason, with the names
// probably meant.
struct NoSuchCollection {
    std::string problem;
};

// Every field the collection reaches, in a running database (the one the
// host's operations reach now). Names are read as a script line reads them:
// "0x..." is a key.
std::variant<CollectionFields, NoSuchCollection> FieldsOfCollection(
    const rakor::Sandbox::Database& database, std::string_view className,
    std::string_view collectionName);

}  // namespace vxmod
