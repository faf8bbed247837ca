#pragma once

#include <cstdint>
#include <string>

#include "automation/FieldSpec.h"
#include "automation/IAction.h"
#include "hash/Hashes.h"

namespace rakor::Attrib::Automation {

// "update_field class collection field value" sets a field (or one array
// element, with field[i]) from text; "update_field class collection field
// member value" sets one member of a structured value. The field's type
// decides how the text is read, straight into the host's memory.
class ModifyField : public IAction {
public:
    enum class Mode : uint32_t { Value = 0, Member = 1 };

    ModifyField(const std::string& className, const std::string& collectionName,
                const FieldSpec& field, const std::string& value);
    ModifyField(const std::string& className, const std::string& collectionName,
                const FieldSpec& field, const std::string& member, const std::string& value);

    void Act() override;

    Mode GetMode() const { return mode_; }
    const std::string& GetMember() const { return member_; }
    const std::string& GetValue() const { return value_; }
    int32_t GetIndex() const { return index_; }

private:
    Mode mode_;
    Hash32 classKey_;
    Hash32 collectionKey_;
    Hash32 fieldKey_;
    std::string member_;
    std::string value_;
    int32_t index_;
};

}  // namespace rakor::Attrib::Automation
