#include "LineForecast.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <exception>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include "automation/FieldLookup.h"
#include "hash/Hashes.h"
#include "host/HostApi.h"
#include "sandbox/Database.h"
#include "sandbox/HostValueCodec.h"
#include "sandbox/Spelling.h"
#include "typedb/AttribTypeRegistry.h"

namespace vxmod {
namespace {

namespace sandbox = rakor::Sandbox;
namespace host = rakor::Host;
namespace automation = rakor::Attrib::Automation;
using rakor::Attrib::Hash32;
using rakor::Attrib::ITypedValue;

// How a field type reads a value text; the names are the host's type names.
enum class Form { Signed, Unsigned, Decimal, Bool, Text, Name, HashedText, Key, MembersOnly, None };

struct TypeForm {
    std::string_view type;
    Form form;
    std::string_view range;  // for whole numbers
};

constexpr TypeForm kForms[] = {
    {"KQ::Reflection::UInt8", Form::Unsigned, "0 to 255"},
    {"KQ::Reflection::Int8", Form::Signed, "-128 to 127"},
    {"KQ::Reflection::UInt16", Form::Unsigned, "0 to 65535"},
    {"KQ::Reflection::Int16", Form::Signed, "-32768 to 32767"},
    {"KQ::Reflection::UInt32", Form::Unsigned, "0 to 4294967295"},
    {"KQ::Reflection::Int32", Form::Signed, "-2147483648 to 2147483647"},
    {"KQ::Reflection::Float", Form::Decimal, ""},
    {"KQ::Reflection::Bool", Form::Bool, ""},
    {"KQ::Reflection::Text", Form::Text, ""},
    {"Attrib::StringHashWrapper32", Form::Name, ""},
    {"Attrib::StringHashWrapper64", Form::HashedText, ""},
    {"Attrib::StringKey", Form::Key, ""},
    {"Attrib::RefSpec", Form::MembersOnly, ""},
    {"Attrib::Types::Vector2", Form::MembersOnly, ""},
    {"Attrib::Types::Vector3", Form::MembersOnly, ""},
    {"Attrib::Types::Vector4", Form::MembersOnly, ""},
    {"AxlePair", Form::MembersOnly, ""},
    {"FECarPartInfo", Form::MembersOnly, ""},
    {"JunkmanMod", Form::MembersOnly, ""},
};

const TypeForm& FormOf(const std::string& typeName) {
    static constexpr TypeForm kNone{"", Form::None, ""};
    for (const TypeForm& form : kForms) {
        if (form.type == typeName) {
            return form;
        }
    }
    return kNone;
}

std::string Quoted(std::string_view name) {
    return fmt::format("'{}'", name);
}

// "did you mean 'X'?", or the names themselves when there are few, or nothing.
std::string Suggestion(const std::string& word, const std::vector<std::string>& known,
                       std::string_view what) {
    if (const auto meant = sandbox::ClosestSpelling(word, known)) {
        return fmt::format("; did you mean '{}'?", *meant);
    }
    if (!known.empty() && known.size() <= 8) {
        std::vector<std::string> quoted;
        for (const std::string& name : known) {
            quoted.push_back(Quoted(name));
        }
        return fmt::format("; the {} are {}", what, fmt::join(quoted, ", "));
    }
    return {};
}

// Names of keys the sandbox remembers, each once, in the order first met;
// keys nobody named are left out. A class may hold tens of thousands of
// collections: names already listed are found in a set, not by a search.
void AddName(std::vector<std::string>& names, std::unordered_set<std::string>& listed,
             uint32_t key) {
    if (const auto name = sandbox::NameOf(key); name && !name->starts_with("0x")) {
        if (listed.insert(*name).second) {
            names.push_back(*name);
        }
    }
}

class NameList {
public:
    void Add(uint32_t key) { AddName(names_, listed_, key); }
    std::vector<std::string> Names() && { return std::move(names_); }

private:
    std::vector<std::string> names_;
    std::unordered_set<std::string> listed_;
};

std::vector<std::string> ClassNames(const sandbox::Database& db) {
    NameList names;
    for (const sandbox::Class& cls : db.Classes()) {
        names.Add(cls.GetKey());
    }
    return std::move(names).Names();
}

std::vector<std::string> CollectionNames(const sandbox::Class& cls) {
    NameList names;
    for (const sandbox::Collection& collection : cls.Collections()) {
        names.Add(collection.GetKey());
    }
    return std::move(names).Names();
}

std::vector<std::string> FieldNames(const sandbox::Class& cls) {
    NameList names;
    for (const auto& entry : cls.LayoutFields()) {
        names.Add(entry.key);
    }
    for (const auto& definition : cls.Definitions()) {
        names.Add(definition.key);
    }
    for (const sandbox::Collection& collection : cls.Collections()) {
        for (const auto& entry : collection.OwnEntries()) {
            names.Add(entry.key);
        }
    }
    return std::move(names).Names();
}

// The members of a value in the order they lie in memory, with their values.
std::vector<std::pair<std::string, std::shared_ptr<ITypedValue>>> MembersInOrder(
    const ITypedValue& value) {
    std::vector<std::pair<std::string, std::shared_ptr<ITypedValue>>> members;
    for (const auto& [key, values] : value.GetMembers()) {
        if (!values.empty()) {
            members.emplace_back(key.ToString(), values.front());
        }
    }
    std::sort(members.begin(), members.end(), [](const auto& a, const auto& b) {
        return std::less<>()(a.second->GetStorage(), b.second->GetStorage());
    });
    return members;
}

std::string MemberList(const std::vector<std::pair<std::string, std::shared_ptr<ITypedValue>>>& m) {
    std::vector<std::string> names;
    for (const auto& member : m) {
        names.push_back(member.first);
    }
    return fmt::format("{}", fmt::join(names, ", "));
}

// The length of the whole number at the start of the text, as a stream reads it.
std::size_t WholeNumberLength(const std::string& text) {
    std::size_t i = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
    const std::size_t digits = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    return i == digits ? 0 : i;
}

std::size_t DecimalLength(const std::string& text) {
    std::istringstream in(text);
    float number = 0;
    in >> number;
    if (in.fail()) {
        return 0;
    }
    return in.eof() ? text.size() : static_cast<std::size_t>(in.tellg());
}

bool LooksTrue(const std::string& text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == "true" || lower == "yes" || lower == "on" || lower == "y" || lower == "t") {
        return true;
    }
    const std::size_t length = WholeNumberLength(text);
    return length == text.size() && text.find_first_not_of("+-0") != std::string::npos;
}

// How a field or member of the given type reads the line's value: a problem
// when the loader will refuse it, warnings when it will store something else
// than the text says. `name` names the field or member; `scratch` is a value
// of the type in storage of its own, for trying numbers exactly as the loader
// reads them.
void CheckValue(const std::string& typeName, const std::string& name, const LineReading& line,
                ITypedValue& scratch, LineForecast& forecast) {
    const std::string& text = line.value;
    const std::string what = fmt::format("{} ({})", name, typeName);
    const TypeForm& form = FormOf(typeName);
    const auto quoteWarning = [&] {
        if (line.valueToken == "''") {
            forecast.warnings.push_back(
                "'' is stored as the two characters ''; the empty text is written \"\"");
        } else if (line.valueToken != "\"\"" && text.find('"') != std::string::npos) {
            forecast.warnings.push_back(fmt::format(
                "the quotes are part of the value: {} is set to '{}' (quotes do not group words)",
                what, text));
        }
    };
    switch (form.form) {
        case Form::Signed:
        case Form::Unsigned:
        case Form::Decimal: {
            const bool whole = form.form != Form::Decimal;
            const std::string takes = whole
                                          ? fmt::format("takes a whole number from {}", form.range)
                                          : std::string("takes a decimal number");
            const std::size_t used = whole ? WholeNumberLength(text) : DecimalLength(text);
            if (!scratch.Parse(text)) {
                forecast.problem =
                    fmt::format("'{}' is {}: {} {}", text,
                                used > 0 ? "out of range" : "not a number", what, takes);
                return;
            }
            const std::string stored =
                whole ? scratch.ToString().value_or("?")
                      : fmt::format("{}", static_cast<float>(scratch.ToDouble().value_or(0)));
            if (used < text.size()) {
                forecast.warnings.push_back(
                    fmt::format("'{}' is read as {}: {} {} and stops at '{}'", text, stored, what,
                                takes, text.substr(used, 1)));
            } else if (form.form == Form::Unsigned && text.starts_with("-") && stored != "0") {
                forecast.warnings.push_back(fmt::format(
                    "'{}' is stored as {}: {} holds no negative numbers", text, stored, what));
            }
            return;
        }
        case Form::Bool:
            if (text != "True" && text != "False" && LooksTrue(text)) {
                forecast.warnings.push_back(
                    fmt::format("'{}' is stored as false: only the exact word True is true", text));
            }
            return;
        case Form::Name:
        case Form::Key:
            // A name that begins with 0x is a key written in hexadecimal.
            if (text.starts_with("0x")) {
                try {
                    rakor::Attrib::StringHasher::HashText(text);
                } catch (const std::invalid_argument&) {
                    forecast.problem = fmt::format(
                        "update_field: name '{}' is not a hexadecimal number after '0x' (the "
                        "value for {})",
                        text, name);
                    return;
                } catch (const std::out_of_range&) {
                    forecast.problem = fmt::format(
                        "update_field: name '{}' does not fit in 32 bits (the value for {})", text,
                        name);
                    return;
                }
            }
            quoteWarning();
            return;
        case Form::HashedText:
            forecast.hashedText = text;
            quoteWarning();
            return;
        case Form::Text:
            quoteWarning();
            return;
        case Form::MembersOnly:
        case Form::None:
            forecast.problem = fmt::format("{} cannot be set from a script", what);
            return;
    }
}

class Forecaster {
public:
    Forecaster(const LineReading& line, ForecastMemory* memory) : line_(line), memory_(memory) {}

    LineForecast Run() {
        db_ = sandbox::Database::Current();
        if (db_ == nullptr) {
            return forecast_;
        }
        if (line_.Is("add_node") || line_.Is("copy_node")) {
            AddNode();
        } else if (line_.Is("resize_field")) {
            ResizeField();
        } else {
            UpdateField();
        }
        return forecast_;
    }

private:
    // The names the class's collections add to `cached` (their keys, or
    // their own entries' keys), for the collections made since it was last
    // brought up to date; `start` lists what the class has besides.
    template <typename Start, typename Add>
    const std::vector<std::string>& Names(ForecastMemory::Names& cached, Start start,
                                          Add add) const {
        if (!cached.started) {
            start(cached);
            cached.started = true;
        }
        const std::size_t collections = cls_->CollectionCount();
        if (cached.collections != collections) {
            const std::vector<sandbox::Collection> all = cls_->Collections();
            for (std::size_t i = cached.collections; i < all.size(); ++i) {
                add(cached, all[i]);
            }
            cached.collections = collections;
            cached.suggestions.clear();
        }
        return cached.names;
    }

    const std::vector<std::string>& KnownCollections() const {
        return Names(
            memory_->CollectionNames(cls_->GetKey()), [](ForecastMemory::Names&) {},
            [](ForecastMemory::Names& cached, const sandbox::Collection& collection) {
                AddName(cached.names, cached.listed, collection.GetKey());
            });
    }

    const std::vector<std::string>& KnownFields() const {
        return Names(
            memory_->FieldNames(cls_->GetKey()),
            [&](ForecastMemory::Names& cached) {
                for (const auto& entry : cls_->LayoutFields()) {
                    AddName(cached.names, cached.listed, entry.key);
                }
                for (const auto& definition : cls_->Definitions()) {
                    AddName(cached.names, cached.listed, definition.key);
                }
            },
            [](ForecastMemory::Names& cached, const sandbox::Collection& collection) {
                for (const auto& entry : collection.OwnEntries()) {
                    AddName(cached.names, cached.listed, entry.key);
                }
            });
    }

    std::string Suggested(ForecastMemory::Names& cached, const std::vector<std::string>& names,
                          const std::string& word, std::string_view what) const {
        const auto [it, added] = cached.suggestions.try_emplace(word);
        if (added) {
            it->second = Suggestion(word, names, what);
        }
        return it->second;
    }

    // The class and collection the line names, or a problem.
    bool FindCollection(const std::string& collectionName, const char* role) {
        const uint32_t classKey = rakor::Attrib::StringHasher::HashText(line_.className);
        cls_ = db_->FindClass(classKey);
        if (!cls_) {
            forecast_.problem =
                fmt::format("there is no class '{}'{}", line_.className,
                            Suggestion(line_.className, ClassNames(*db_), "classes"));
            return false;
        }
        classRecord_ =
            static_cast<host::ClassRecord*>(host::GetClass(host::DatabaseInstance(), classKey));
        const uint32_t key = rakor::Attrib::StringHasher::HashText(collectionName);
        collection_ = static_cast<host::CollectionRecord*>(host::GetCollection(classRecord_, key));
        if (collection_ == nullptr) {
            forecast_.problem = fmt::format(
                "class '{}' has no {} '{}'{}", line_.className, role, collectionName,
                memory_ != nullptr
                    ? Suggested(memory_->CollectionNames(cls_->GetKey()), KnownCollections(),
                                collectionName, "collections")
                    : Suggestion(collectionName, CollectionNames(*cls_), "collections"));
            return false;
        }
        return true;
    }

    // The collection of this class at `record`, looked up by its address.
    std::optional<sandbox::Collection> CollectionAt(const host::CollectionRecord* record) const {
        auto collection = db_->CollectionAt(record);
        if (collection && collection->GetClass() == *cls_) {
            return collection;
        }
        return std::nullopt;
    }

    std::string NameOfCollection(const host::CollectionRecord* record) const {
        if (const auto collection = CollectionAt(record)) {
            const auto name = sandbox::NameOf(collection->GetKey());
            return name ? *name : Hash32(collection->GetKey()).ToString();
        }
        return "?";
    }

    uint32_t KeyOfCollection(const host::CollectionRecord* record) const {
        const auto collection = CollectionAt(record);
        return collection ? collection->GetKey() : 0;
    }

    std::string Field() const {
        return fmt::format("'{}'->'{}'.'{}'", line_.className, line_.collection, line_.field);
    }

    // The field's storage and type, or a problem.
    bool FindField() {
        fieldKey_ = Hash32(rakor::Attrib::StringHasher::HashText(line_.field));
        location_ = automation::LocateField(collection_, fieldKey_);
        const Hash32 typeKey = automation::FieldTypeKey(classRecord_, fieldKey_);
        typeName_ = typeKey.ToString();
        type_ = rakor::Attrib::AttribTypeRegistry::Instance().TypeOf(typeKey);
        if (location_.storage == nullptr || !type_) {
            std::vector<std::string> listed;
            const std::vector<std::string>& fields =
                memory_ != nullptr ? KnownFields() : (listed = FieldNames(*cls_));
            const bool known = std::find(fields.begin(), fields.end(), line_.field) != fields.end();
            forecast_.problem =
                known && !type_
                    ? fmt::format("{} has the type '{}', which the loader cannot write", Field(),
                                  typeName_)
                    : fmt::format("neither '{}' nor a parent of it holds a field '{}'{}",
                                  line_.collection, line_.field,
                                  memory_ != nullptr
                                      ? Suggested(memory_->FieldNames(cls_->GetKey()), fields,
                                                  line_.field, "fields")
                                      : Suggestion(line_.field, fields, "fields"));
            return false;
        }
        // As the actions do: the flag of the entry the storage was found through.
        isArray_ = location_.isArray;
        if (location_.type) {
            type_ = location_.type;
        }
        return true;
    }

    EditTarget Target() const {
        EditTarget target;
        target.classKey = cls_->GetKey();
        target.holderKey = KeyOfCollection(location_.owner);
        target.fieldKey = fieldKey_.GetValue();
        target.described = fmt::format("'{}'->'{}'.'{}'", line_.className,
                                       NameOfCollection(location_.owner), line_.field);
        return target;
    }

    void WarnIfInherited() {
        if (location_.owner != collection_) {
            forecast_.warnings.push_back(fmt::format(
                "'{}' does not hold '{}' itself: this changes it in '{}', for every collection "
                "that inherits it from there",
                line_.collection, line_.field, NameOfCollection(location_.owner)));
        }
    }

    void AddNode() {
        if (!FindCollection(line_.collection, "collection")) {
            return;
        }
        const uint32_t key = rakor::Attrib::StringHasher::HashText(line_.newCollection);
        forecast_.made = MadeCollection{
            .classKey = cls_->GetKey(),
            .key = key,
            .exists = host::GetCollection(classRecord_, key) != nullptr,
            .described = fmt::format("'{}'->'{}'", line_.className, line_.newCollection)};
    }

    void ResizeField() {
        if (!FindCollection(line_.collection, "collection") || !FindField()) {
            return;
        }
        const std::string& count = line_.tokens[4];
        if (!isArray_) {
            forecast_.problem = fmt::format("'{}' ({}) is not an array: only arrays can be resized",
                                            line_.field, typeName_);
        } else if (line_.count > 65535) {
            forecast_.problem =
                fmt::format("an array holds at most 65535 elements, not {}", line_.count);
        } else if (location_.owner != collection_) {
            const std::string holder = NameOfCollection(location_.owner);
            forecast_.problem = fmt::format(
                "'{}' inherits '{}' from '{}': resize it there (resize_field {} {} {} {}), "
                "which changes it for every collection that inherits it",
                line_.collection, line_.field, holder, line_.className, holder, line_.field, count);
        } else if (location_.entry == nullptr) {
            forecast_.problem =
                fmt::format("{} lies in the class's layout, whose arrays keep their size", Field());
        } else {
            if (count.find_first_not_of("0123456789") != std::string::npos) {
                forecast_.warnings.push_back(
                    line_.count == 0
                        ? fmt::format("count '{}' is not a number: it is read as 0, which empties "
                                      "the array",
                                      count)
                        : fmt::format("count '{}' is read as {}", count, line_.count));
            }
            EditTarget target = Target();
            target.size = true;
            target.described += " (its size)";
            forecast_.target = target;
        }
    }

    void UpdateField() {
        if (!FindCollection(line_.collection, "collection") || !FindField()) {
            return;
        }
        EditTarget target = Target();
        if (isArray_) {
            host::ArrayHeader header{};
            std::memcpy(&header, location_.storage, sizeof header);
            if (line_.index < 0 || line_.index >= header.count) {
                forecast_.problem = fmt::format(
                    "{} has {} element{}{}: there is no element [{}]{}", Field(), header.count,
                    header.count == 1 ? "" : "s",
                    header.count == 0 ? "" : fmt::format(" (0 to {})", header.count - 1),
                    line_.index,
                    line_.index < 0 ? " (elements count from 0)" : "; resize_field it first");
                return;
            }
            target.element = line_.index;
            target.described += fmt::format("[{}]", line_.index);
        } else if (line_.hasSubscript) {
            forecast_.warnings.push_back(fmt::format(
                "'{}' is not an array: the subscript in '{}' is ignored and the field itself is "
                "set",
                line_.field, line_.tokens[3]));
        }
        WarnIfInherited();

        const std::shared_ptr<ITypedValue> scratch = type_->CreateValue();
        const auto members = MembersInOrder(*scratch);
        const std::string what = fmt::format("'{}' ({})", line_.field, typeName_);
        const Form form = FormOf(typeName_).form;
        if (form == Form::None) {
            forecast_.problem = fmt::format("{} cannot be set from a script", what);
            return;
        }
        if (line_.member) {
            const std::string& member = *line_.member;
            if (members.empty()) {
                forecast_.problem =
                    fmt::format("{} has no members: {}", what, SixWordReading(line_));
                return;
            }
            const auto found = std::find_if(members.begin(), members.end(),
                                            [&](const auto& m) { return m.first == member; });
            if (found == members.end()) {
                std::vector<std::string> names;
                for (const auto& m : members) {
                    names.push_back(m.first);
                }
                const auto meant = sandbox::ClosestSpelling(member, names);
                forecast_.problem = fmt::format(
                    "{} has no member '{}'; its members are {}{}", what, member,
                    MemberList(members),
                    meant ? fmt::format("; did you mean '{}'?", *meant) : std::string());
                return;
            }
            target.member = member;
            target.described += fmt::format("['{}']", member);
            const std::string memberType = found->second->GetTypeHash().ToString();
            CheckValue(memberType, fmt::format("'{}' of '{}'", member, line_.field), line_,
                       *found->second, forecast_);
        } else if (form == Form::MembersOnly) {
            forecast_.problem = fmt::format(
                "{} is set one member at a time: {} (for example update_field {} {} {} {} {})",
                what, MemberList(members), line_.className, line_.collection, line_.tokens[3],
                members.front().first, line_.valueToken);
            return;
        } else {
            CheckValue(typeName_, Quoted(line_.field), line_, *scratch, forecast_);
        }
        if (!forecast_.problem) {
            forecast_.target = target;
        }
    }

    const LineReading& line_;
    LineForecast forecast_;
    sandbox::Database* db_ = nullptr;
    std::optional<sandbox::Class> cls_;
    host::ClassRecord* classRecord_ = nullptr;
    host::CollectionRecord* collection_ = nullptr;
    Hash32 fieldKey_;
    automation::FieldLocation location_;
    std::string typeName_;
    const rakor::Attrib::IAttribType* type_ = nullptr;  // the registry keeps its types
    bool isArray_ = false;
    ForecastMemory* memory_;
};

}  // namespace

LineForecast ForecastLine(const LineReading& line, ForecastMemory* memory) {
    // A name the loader cannot convert fails the line before it runs; the
    // parser has already said so.
    try {
        return Forecaster(line, memory).Run();
    } catch (const std::invalid_argument&) {
        return {};
    } catch (const std::out_of_range&) {
        return {};
    }
}

}  // namespace vxmod
