#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

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
    // collection, class, in that order), and the texts, which the action
    // copies right behind itself.
    struct Parts {
        Mode mode = Mode::Value;
        Hash32 classKey;
        Hash32 collectionKey;
        Hash32 fieldKey;
        int32_t index = 0;
        std::string_view member;  // empty in mode Value
        std::string_view value;
    };

    // Made only inside a parsed script's store, with TailBytes of room behind
    // it: a pack holds a million of these until its last line has run.
    static std::size_t TailBytes(const Parts& parts) {
        return parts.member.size() + parts.value.size();
    }

    bool Attempt(LineFacts& facts, std::string& message) override;

    // What the parser builds holds keys, numbers and its texts.
    static constexpr bool kParsedFreesNothing = true;

    Mode GetMode() const { return isMember_ ? Mode::Member : Mode::Value; }
    std::string_view GetMember() const { return {Texts(), memberSize_}; }
    std::string_view GetValue() const { return {Texts() + memberSize_, valueSize_}; }
    int32_t GetIndex() const { return index_; }

private:
    friend class ActionStore;
    explicit ModifyField(const Parts& parts);

    const char* Texts() const { return reinterpret_cast<const char*>(this + 1); }

    Hash32 classKey_;
    Hash32 collectionKey_;
    Hash32 fieldKey_;
    int32_t index_;
    uint32_t memberSize_ : 31;
    uint32_t isMember_ : 1;
    uint32_t valueSize_;
};

}  // namespace rakor::Attrib::Automation
