#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "DiffScript.h"
#include "sandbox/HostValueCodec.h"

namespace vxmod {

using Json = nlohmann::ordered_json;

// The members of a JSON object by name. ordered_json finds a key by walking
// its members, which in a loop over a class of 50,000 collections costs
// time in the square of their number.
using MemberIndex = std::unordered_map<std::string_view, const Json*>;
MemberIndex IndexOf(const Json& object);

// Writes the lines that turn one class of a database dump into the same
// class of another, in time linear in the number of its collections.
class ClassDiff {
public:
    ClassDiff(std::string name, const Json& before, const Json& after, DiffScript& script);

    void Write();

private:
    struct FieldInfo {
        const rakor::Sandbox::HostType* type = nullptr;
        bool layout = false;
        bool array = false;
        std::optional<uint32_t> capacity;  // as the field declares it
    };

    bool ReadFields();
    std::vector<std::string_view> ParentsFirst() const;
    Json LayoutValue(const MemberIndex& collections, std::string_view collection,
                     const std::string& field) const;
    void WriteCollection(const std::string& collection, const Json& after, const Json* before);
    uint32_t Capacity(const FieldInfo& info, const Json& array) const;
    bool SameField(const FieldInfo& info, const Json& before, const Json& after) const;
    void WriteValue(const std::string& prefix, const std::string& field, const FieldInfo& info,
                    const Json& before, const Json& after, const std::string& where);
    void WriteKind(const std::string& target, rakor::Sandbox::ValueKind kind, const Json& before,
                   const Json& after, const std::string& where);
    void WriteText(const std::string& target, rakor::Sandbox::ValueKind kind, const Json& value,
                   const std::string& where);

    std::string name_;
    const Json& before_;
    const Json& after_;
    DiffScript& script_;
    MemberIndex beforeCollections_;
    MemberIndex afterCollections_;
    std::vector<std::pair<std::string, FieldInfo>> fields_;  // in declaration order
};

}  // namespace vxmod
