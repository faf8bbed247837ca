#include "review/ClassFields.h"

#include <map>

#include <fmt/format.h>

#include "hash/Hashes.h"
#include "review/DatabaseNames.h"
#include "review/ReviewedLine.h"
#include "review/TypeMembers.h"
#include "review/ValueWords.h"
#include "sandbox/Database.h"
#include "typedb/AttribTypeRegistry.h"

namespace vxmod {
namespace sandbox = rakor::Sandbox;
using rakor::Attrib::ValueForm;

namespace {

ClassField Described(const sandbox::Class& cls, uint32_t fieldKey, uint32_t typeKey) {
    static TypeMembers members;
    ClassField field{.name = DatabaseName(fieldKey),
                     .key = fieldKey,
                     .typeKey = typeKey,
                     .typeName = KeyName(typeKey)};
    const rakor::Attrib::IAttribType* type =
        rakor::Attrib::AttribTypeRegistry::Instance().TypeOf(rakor::Attrib::Hash32(typeKey));
    if (type != nullptr) {
        field.row = &type->Row();
        field.members = members.Of(*type);
    }
    for (const auto& entry : cls.LayoutFields()) {
        if (entry.key == fieldKey) {
            field.layout = true;
            field.array = (entry.flags & sandbox::kArrayFlag) != 0;
        }
    }
    if (const sandbox::FieldFacts* facts = cls.FindFieldFacts(fieldKey)) {
        field.array = field.array || facts->array;
    }
    return field;
}

}  // namespace

std::string ClassField::ValuesAreWritten() const {
    if (row == nullptr) {
        return "cannot be set: the loader does not know its type";
    }
    const std::string memberList = MemberList(members);
    switch (row->form) {
        case ValueForm::Whole:
            return fmt::format(
                "a whole number from {} to {}{}", row->lowest, row->highest,
                row->wrapsNegative ? " (a leading - wraps around: -1 is the largest)" : "");
        case ValueForm::Decimal:
            return "a decimal number: 1.5, -2, 1e3";
        case ValueForm::Bool:
            return "exactly True is true; any other text (true, 1, False) is false";
        case ValueForm::Text:
            return "one word, or \"\" for the empty text";
        case ValueForm::Name:
            return "a name (or a 0x key); the field holds its hash";
        case ValueForm::HashedText:
            return "a text; the field holds its 64-bit hash";
        case ValueForm::Key:
            return fmt::format("a name, which sets all its members; or one member: {}", memberList);
        case ValueForm::MembersOnly:
            return fmt::format("one member at a time: {}", memberList);
        case ValueForm::None:
            break;
    }
    return "cannot be set from a script";
}

std::vector<ClassField> FieldsOfClass(uint32_t classKey) {
    std::vector<ClassField> fields;
    const sandbox::Database* db = sandbox::Database::Current();
    const auto cls = db != nullptr ? db->FindClass(classKey) : std::nullopt;
    if (!cls) {
        return fields;
    }
    // In the order the class names them. A field without a definition has
    // no type the loader could write it with.
    std::map<uint32_t, uint32_t> typeOf;
    for (const auto& definition : cls->Definitions()) {
        typeOf[definition.key] = definition.typeKey;
    }
    for (const uint32_t key : cls->Fields()) {
        if (const auto type = typeOf.find(key); type != typeOf.end()) {
            fields.push_back(Described(*cls, key, type->second));
        }
    }
    return fields;
}

std::optional<ClassField> FieldOfClass(uint32_t classKey, uint32_t fieldKey) {
    const sandbox::Database* db = sandbox::Database::Current();
    const auto cls = db != nullptr ? db->FindClass(classKey) : std::nullopt;
    if (!cls) {
        return std::nullopt;
    }
    for (const auto& definition : cls->Definitions()) {
        if (definition.key == fieldKey) {
            return Described(*cls, definition.key, definition.typeKey);
        }
    }
    return std::nullopt;
}

}  // namespace vxmod
