#include "DiffCommand.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "DatabaseSource.h"
#include "OutputFile.h"
#include "loader/ScriptRunner.h"
#include "sandbox/DatabaseDescription.h"
#include "sandbox/HostValueCodec.h"
#include "sandbox/NameHash.h"

namespace vxmod {
namespace sandbox = rakor::Sandbox;
using Json = nlohmann::ordered_json;
using sandbox::ValueKind;

namespace {

constexpr int kExitIncomplete = 1;
constexpr int kExitUnusable = 2;

// Both databases in the dump's normal form, where equal databases are equal
// documents. Built one after the other: only one sandbox database can live.
std::optional<Json> NormalForm(const std::filesystem::path& file, std::ostream& err) {
    sandbox::Database database;
    if (!LoadDatabase(database, file, err)) {
        return std::nullopt;
    }
    return sandbox::DumpDescription(database);
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Whether the loader reads the text back as this one word.
bool IsWord(const std::string& text) {
    return !text.empty() && text[0] != '#' && text != "\"\"" &&
           std::none_of(text.begin(), text.end(), IsBlank);
}

// A class, collection or field as a script names it: the name, or its key
// when the name is not one word.
std::string NameWord(const std::string& name) {
    if (IsWord(name)) {
        return name;
    }
    return fmt::format("0x{:08X}", sandbox::HashName(name));
}

const Json& ValuesOf(const Json& collection) {
    static const Json kNone = Json::object();
    const auto values = collection.find("values");
    return values == collection.end() ? kNone : *values;
}

struct FieldInfo {
    const sandbox::HostType* type = nullptr;
    bool layout = false;
    bool array = false;
    std::optional<uint32_t> capacity;  // as the field declares it
};

class ScriptWriter {
public:
    // A change a script cannot make.
    void Cannot(std::string what) { cannot_.push_back(std::move(what)); }
    void Line(std::string line) { lines_.push_back(std::move(line)); }

    const std::vector<std::string>& CannotList() const { return cannot_; }

    std::string Text(const std::string& before, const std::string& after) const {
        std::string text =
            fmt::format("# Written by vxmod diff: turns {} into {}.\n", before, after);
        for (const std::string& line : lines_) {
            text += line + '\n';
        }
        if (!cannot_.empty()) {
            text += "\n# What a script cannot do, left out:\n";
            for (const std::string& what : cannot_) {
                text += "#   " + what + '\n';
            }
        }
        return text;
    }

private:
    std::vector<std::string> lines_;
    std::vector<std::string> cannot_;
};

// The differences of one class, as lines.
class ClassDiff {
public:
    ClassDiff(std::string name, const Json& before, const Json& after, ScriptWriter& writer)
        : name_(std::move(name)), before_(before), after_(after), writer_(writer) {}

    void Write() {
        if (!ReadFields()) {
            return;
        }
        const Json& beforeCollections = Collections(before_);
        const Json& afterCollections = Collections(after_);
        for (const auto& [collection, unused] : beforeCollections.items()) {
            if (!afterCollections.contains(collection)) {
                writer_.Cannot(fmt::format("remove the collection '{}'->'{}'", name_, collection));
            }
        }
        for (const std::string& collection : ParentsFirst(afterCollections)) {
            WriteCollection(
                collection, afterCollections[collection],
                beforeCollections.contains(collection) ? &beforeCollections[collection] : nullptr);
        }
    }

private:
    static const Json& Collections(const Json& cls) {
        static const Json kNone = Json::object();
        const auto collections = cls.find("collections");
        return collections == cls.end() ? kNone : *collections;
    }

    bool ReadFields() {
        const Json none = Json::object();
        const Json& before = before_.contains("fields") ? before_["fields"] : none;
        const Json& after = after_.contains("fields") ? after_["fields"] : none;
        bool same = true;
        for (const auto& [field, spec] : after.items()) {
            if (!before.contains(field) || before[field] != spec) {
                writer_.Cannot(fmt::format("{} the field '{}' of class '{}'",
                                           before.contains(field) ? "change" : "add", field,
                                           name_));
                same = false;
            }
        }
        for (const auto& [field, spec] : before.items()) {
            if (!after.contains(field)) {
                writer_.Cannot(fmt::format("remove the field '{}' of class '{}'", field, name_));
                same = false;
            }
        }
        if (!same) {
            return false;
        }
        for (const auto& [field, spec] : after.items()) {
            FieldInfo info;
            info.type = sandbox::FindHostType(sandbox::KeyOf(spec["type"], Json::json_pointer()));
            info.layout = spec.value("storage", "entry") == "layout";
            info.array = spec.value("array", false);
            if (spec.contains("capacity")) {
                info.capacity = spec["capacity"].get<uint32_t>();
            }
            fields_.emplace_back(field, info);
        }
        return true;
    }

    std::vector<std::string> ParentsFirst(const Json& collections) const {
        std::vector<std::string> ordered;
        const std::function<void(const std::string&)> visit = [&](const std::string& name) {
            if (std::find(ordered.begin(), ordered.end(), name) != ordered.end()) {
                return;
            }
            const Json& collection = collections[name];
            if (collection.contains("parent")) {
                visit(collection["parent"]);
            }
            ordered.push_back(name);
        };
        for (const auto& [name, unused] : collections.items()) {
            visit(name);
        }
        return ordered;
    }

    // A layout value as the collection holds it: its own, else what it
    // copied from its parent, else zero.
    Json LayoutValue(const Json& collections, const std::string& collection,
                     const std::string& field) const {
        const Json& values = ValuesOf(collections[collection]);
        if (values.contains(field)) {
            return values[field];
        }
        if (collections[collection].contains("parent")) {
            return LayoutValue(collections, collections[collection]["parent"], field);
        }
        return nullptr;  // zero bytes
    }

    void WriteCollection(const std::string& collection, const Json& after, const Json* before) {
        const std::string prefix = NameWord(name_) + " " + NameWord(collection);
        if (before != nullptr && before->value("parent", "") != after.value("parent", "")) {
            writer_.Cannot(fmt::format("give '{}'->'{}' another parent", name_, collection));
            return;
        }
        if (before == nullptr) {
            if (!after.contains("parent")) {
                writer_.Cannot(
                    fmt::format("make '{}'->'{}', which has no parent", name_, collection));
                return;
            }
            writer_.Line(fmt::format("add_node {} {} {}", NameWord(name_),
                                     NameWord(after["parent"]), NameWord(collection)));
        }
        const Json& beforeValues = before != nullptr ? ValuesOf(*before) : Json::object();
        const Json& afterValues = ValuesOf(after);
        for (const auto& [field, info] : fields_) {
            const std::string where = fmt::format("'{}'->'{}'.'{}'", name_, collection, field);
            if (info.layout) {
                // A new collection starts with its parent's block as it is now.
                const Json was = before != nullptr
                                     ? LayoutValue(Collections(before_), collection, field)
                                     : LayoutValue(Collections(after_), after["parent"], field);
                const Json now = LayoutValue(Collections(after_), collection, field);
                if (was != now) {
                    WriteValue(prefix, field, info, was, now, where);
                }
                continue;
            }
            const bool had = beforeValues.contains(field);
            const bool has = afterValues.contains(field);
            if (has && !had) {
                writer_.Cannot(fmt::format(
                    "give {} a value of its own (a script sets the value where it is held)",
                    where));
            } else if (had && !has) {
                writer_.Cannot(fmt::format("take the value of its own from {}", where));
            } else if (has && beforeValues[field] != afterValues[field]) {
                WriteValue(prefix, field, info, beforeValues[field], afterValues[field], where);
            }
        }
    }

    static const Json& Items(const Json& array) {
        return array.is_object() ? array["items"] : array;
    }

    uint32_t Capacity(const FieldInfo& info, const Json& array) const {
        if (array.is_object() && array.contains("capacity")) {
            return array["capacity"].get<uint32_t>();
        }
        return info.capacity.value_or(static_cast<uint32_t>(Items(array).size()));
    }

    void WriteValue(const std::string& prefix, const std::string& field, const FieldInfo& info,
                    const Json& before, const Json& after, const std::string& where) {
        if (info.type == nullptr || before.is_null() || after.is_null()) {
            writer_.Cannot(fmt::format("set {} to {}", where, after.dump()));
            return;
        }
        if (!info.array) {
            WriteKind(prefix + " " + NameWord(field), info.type->kind, before, after, where);
            return;
        }
        const Json& was = Items(before);
        const Json& now = Items(after);
        const bool resized = was.size() != now.size();
        const uint32_t capacity =
            resized ? static_cast<uint32_t>(now.size()) : Capacity(info, before);
        if ((before.is_object() ? before.value("elementSize", 0) : 0) !=
                (after.is_object() ? after.value("elementSize", 0) : 0) ||
            Capacity(info, after) != capacity || (resized && info.layout)) {
            writer_.Cannot(fmt::format("give {} the array {}", where, after.dump()));
            return;
        }
        if (resized) {
            writer_.Line(fmt::format("resize_field {} {} {}", prefix, NameWord(field), now.size()));
        }
        // New elements start as zero bytes.
        std::vector<uint8_t> zeroBytes(info.type->size);
        const Json zero = sandbox::DecodeValue(info.type, zeroBytes);
        for (std::size_t i = 0; i < now.size(); ++i) {
            const Json& old = i < was.size() ? was[i] : zero;
            if (old != now[i]) {
                WriteKind(fmt::format("{} {}[{}]", prefix, NameWord(field), i), info.type->kind,
                          old, now[i], fmt::format("{}[{}]", where, i));
            }
        }
    }

    // One value of a kind; structures and vectors member by member.
    void WriteKind(const std::string& target, ValueKind kind, const Json& before, const Json& after,
                   const std::string& where) {
        static constexpr const char* kAxes[] = {"X", "Y", "Z", "W"};
        if (kind == ValueKind::Vector2 || kind == ValueKind::Vector3 ||
            kind == ValueKind::Vector4) {
            for (std::size_t i = 0; i < after.size(); ++i) {
                if (before[i] != after[i]) {
                    WriteText(fmt::format("{} {}", target, kAxes[i]), ValueKind::Float, after[i],
                              fmt::format("{}['{}']", where, kAxes[i]));
                }
            }
            return;
        }
        const auto members = sandbox::MembersOf(kind);
        if (members.empty()) {
            WriteText(target, kind, after, where);
            return;
        }
        for (const sandbox::Member& member : members) {
            const std::string name(member.name);
            if (before[name] != after[name]) {
                WriteText(fmt::format("{} {}", target, name), member.kind, after[name],
                          fmt::format("{}['{}']", where, name));
            }
        }
    }

    // The value word of an update_field line, when a script can write it.
    void WriteText(const std::string& target, ValueKind kind, const Json& value,
                   const std::string& where) {
        std::optional<std::string> word;
        switch (kind) {
            case ValueKind::UInt8:
            case ValueKind::Int8:
            case ValueKind::UInt16:
            case ValueKind::Int16:
            case ValueKind::UInt32:
            case ValueKind::Int32:
            case ValueKind::Float:
                // The dump's numbers are the shortest texts that read back the same.
                if (value.is_number()) {
                    word = value.dump();
                }
                break;
            case ValueKind::Bool:
                if (value.is_boolean()) {
                    word = value.get<bool>() ? "True" : "False";
                }
                break;
            case ValueKind::Key32:
                // A collection key (GCollectionKey) is Key32 too, but cannot be
                // set: only the hash wrappers and members come here with a name.
                if (value.is_string()) {
                    const std::string& name = value.get_ref<const std::string&>();
                    word = name.starts_with("0x") ? name : NameWord(name);
                }
                break;
            case ValueKind::Hash64:
                // A script gives the text, never the hash itself.
                if (value.is_string() && !value.get_ref<const std::string&>().starts_with("0x") &&
                    IsWord(value)) {
                    word = value;
                }
                break;
            case ValueKind::Text:
                if (value == "") {
                    word = "\"\"";
                } else if (value.is_string() && IsWord(value)) {
                    word = value;
                } else if (value.is_object() && value.contains("bytes")) {
                    std::string bytes;
                    const std::string& hex = value["bytes"].get_ref<const std::string&>();
                    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
                        bytes.push_back(
                            static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
                    }
                    if (IsWord(bytes)) {
                        word = bytes;
                    }
                }
                break;
            default:
                break;
        }
        if (!word) {
            writer_.Cannot(fmt::format("set {} to {}", where,
                                       value.dump(-1, ' ', false, Json::error_handler_t::replace)));
            return;
        }
        writer_.Line(fmt::format("update_field {} {}", target, *word));
    }

    std::string name_;
    const Json& before_;
    const Json& after_;
    ScriptWriter& writer_;
    std::vector<std::pair<std::string, FieldInfo>> fields_;  // in declaration order
};

}  // namespace

int RunDiffCommand(const DiffOptions& options, std::ostream& out, std::ostream& err) {
    const std::optional<Json> before = NormalForm(options.before, err);
    const std::optional<Json> after = before ? NormalForm(options.after, err) : std::nullopt;
    if (!after) {
        return kExitUnusable;
    }
    ScriptWriter writer;
    const Json& beforeClasses = (*before)["classes"];
    const Json& afterClasses = (*after)["classes"];
    for (const auto& [name, cls] : beforeClasses.items()) {
        if (!afterClasses.contains(name)) {
            writer.Cannot(fmt::format("remove the class '{}'", name));
        }
    }
    for (const auto& [name, cls] : afterClasses.items()) {
        if (!beforeClasses.contains(name)) {
            writer.Cannot(fmt::format("add the class '{}'", name));
            continue;
        }
        ClassDiff(name, beforeClasses[name], cls, writer).Write();
    }

    const std::string script = writer.Text(rakor::ScriptRunner::DisplayPath(options.before),
                                           rakor::ScriptRunner::DisplayPath(options.after));
    if (options.output) {
        if (const auto why = WriteFileWhole(*options.output, script)) {
            err << fmt::format("vxmod: cannot write '{}': {}\n",
                               rakor::ScriptRunner::DisplayPath(*options.output), *why);
            return kExitUnusable;
        }
    } else {
        out << script;
    }
    for (const std::string& what : writer.CannotList()) {
        err << "vxmod: a script cannot " << what << '\n';
    }
    return writer.CannotList().empty() ? 0 : kExitIncomplete;
}

}  // namespace vxmod
