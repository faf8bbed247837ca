#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

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

    // What the parser hands over: keys already made from the names (field,
    // collection, class, in that order), and texts that stay valid for as
    // long as the action lives (the parsed script keeps them).
    struct Parts {
        Mode mode = Mode::Value;
        Hash32 classKey;
        Hash32 collectionKey;
        Hash32 fieldKey;
        int32_t index = 0;
        std::string_view member;  // empty in mode Value
        std::string_view value;
    };

    ModifyField(const std::string& className, const std::string& collectionName,
                const FieldSpec& field, const std::string& value);
    ModifyField(const std::string& className, const std::string& collectionName,
                const FieldSpec& field, const std::string& member, const std::string& value);
    explicit ModifyField(const Parts& parts);

    void Act() override;

    // What the parser builds holds keys, numbers and views into its script.
    // (Only an action made from strings owns its texts.)
    static constexpr bool kParsedFreesNothing = true;

    Mode GetMode() const { return mode_; }
    std::string_view GetMember() const { return member_; }
    std::string_view GetValue() const { return value_; }
    int32_t GetIndex() const { return index_; }

private:
    ModifyField(Mode mode, const std::string& className, const std::string& collectionName,
                const FieldSpec& field, std::string_view member, std::string_view value);

    Mode mode_;
    Hash32 classKey_;
    Hash32 collectionKey_;
    Hash32 fieldKey_;
    int32_t index_;
    std::string_view member_;
    std::string_view value_;
    // The texts, when the action was made from strings rather than by the parser.
    std::unique_ptr<char[]> ownTexts_;
};

}  // namespace rakor::Attrib::Automation
