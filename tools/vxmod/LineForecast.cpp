#include "LineForecast.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <exception>
#include <initializer_list>
#include <sstream>
#include <unordered_map>

#include <fmt/format.h>

#include "FlatTable.h"
#include "NameSuggestions.h"
#include "automation/FieldLookup.h"
#include "hash/Hashes.h"
#include "host/HostApi.h"
#include "sandbox/Database.h"
#include "sandbox/NameHash.h"
#include "sandbox/Spelling.h"
#include "typedb/AttribTypeRegistry.h"

namespace vxmod {
namespace {

namespace sandbox = rakor::Sandbox;
namespace host = rakor::Host;
namespace automation = rakor::Attrib::Automation;
using rakor::Attrib::Hash32;
using rakor::Attrib::IAttribType;
using rakor::Attrib::ITypedValue;

// How a field type reads a value text; the names are the host's type names.
enum class Form { Signed, Unsigned, Decimal, Bool, Text, Name, HashedText, Key, MembersOnly, None };

struct TypeForm {
    std::string_view type;
    Form form;
    std::string_view range;  // for whole numbers, in words and as numbers
    int64_t lowest = 0;
    int64_t highest = 0;
};

constexpr TypeForm kForms[] = {
    {"KQ::Reflection::UInt8", Form::Unsigned, "0 to 255", 0, 255},
    {"KQ::Reflection::Int8", Form::Signed, "-128 to 127", -128, 127},
    {"KQ::Reflection::UInt16", Form::Unsigned, "0 to 65535", 0, 65535},
    {"KQ::Reflection::Int16", Form::Signed, "-32768 to 32767", -32768, 32767},
    {"KQ::Reflection::UInt32", Form::Unsigned, "0 to 4294967295", 0, 4294967295},
    {"KQ::Reflection::Int32", Form::Signed, "-2147483648 to 2147483647", -2147483648, 2147483647},
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

const TypeForm& FormOfName(const std::string& typeName) {
    static constexpr TypeForm kNone{"", Form::None, ""};
    for (const TypeForm& form : kForms) {
        if (form.type == typeName) {
            return form;
        }
    }
    return kNone;
}

// A key as messages show it: the name the hash list or a script gave it.
std::string ResolvedName(uint32_t key) {
    return Hash32(key).ToString();
}

// The key the loader makes of a name. The host's hash is taken directly,
// without remembering the name: the parser has hashed (and remembered) every
// name of the script before its first line runs.
uint32_t KeyOfName(std::string_view name) {
    if (name.starts_with("0x")) {
        return rakor::Attrib::StringHasher::HashText(std::string(name));
    }
    // The host reads the name as a C string: up to a NUL.
    return sandbox::Crc32(name.substr(0, name.find('\0')));
}

// The key a collection record holds in the word the game leaves to the host.
uint32_t KeyOfRecord(const host::CollectionRecord* record) {
    return reinterpret_cast<const sandbox::CollectionRecord*>(record)->key;
}

void JoinInto(std::string& joined, std::initializer_list<std::string_view> parts) {
    std::size_t size = 0;
    for (const std::string_view part : parts) {
        size += part.size();
    }
    joined.reserve(size);
    for (const std::string_view part : parts) {
        joined += part;
    }
}

std::string Quoted(std::string_view name) {
    return fmt::format("'{}'", name);
}

// A member of a structured type, bound into the type's own trial value.
struct Member {
    std::string name;
    std::shared_ptr<ITypedValue> value;
    uint32_t typeKey = 0;
};

// A value of a field type in storage of its own, for trying numbers exactly
// as the loader reads them, and its members in the order they lie in memory.
struct TypeFacts {
    std::shared_ptr<ITypedValue> trial;
    std::vector<Member> members;
};

TypeFacts LearnType(const IAttribType& type) {
    TypeFacts facts;
    facts.trial = type.CreateValue();
    for (const auto& [key, values] : facts.trial->GetMembers()) {
        if (!values.empty()) {
            facts.members.push_back(
                {key.ToString(), values.front(), values.front()->GetTypeHash().GetValue()});
        }
    }
    std::sort(facts.members.begin(), facts.members.end(), [](const Member& a, const Member& b) {
        return std::less<>()(a.value->GetStorage(), b.value->GetStorage());
    });
    return facts;
}

std::string MemberList(const std::vector<Member>& members) {
    std::vector<std::string_view> names;
    for (const Member& member : members) {
        names.push_back(member.name);
    }
    return fmt::format("{}", fmt::join(names, ", "));
}

// The length of the whole number at the start of the text, as a stream reads it.
std::size_t WholeNumberLength(std::string_view text) {
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

// A number in its plainest form and in the type's range: digits, a minus
// sign where the type has negative numbers, a decimal point with digits on
// both sides where it takes decimals, and few enough digits that no float
// overflows. The loader reads all of it and stores it as written, so there
// is nothing to say about it and no need to try it. Anything else is tried.
bool PlainNumberInRange(std::string_view text, const TypeForm& form) {
    constexpr std::size_t kMostDecimalDigits = 30;  // 1e30 is far below a float's limit
    constexpr std::size_t kMostWholeDigits = 9;     // fits any 32-bit range check
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) {
        if (form.form == Form::Unsigned) {
            return false;
        }
        i = 1;
    }
    const auto digitsFrom = [&](std::size_t from) {
        std::size_t end = from;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9') {
            ++end;
        }
        return end - from;
    };
    const std::size_t whole = digitsFrom(i);
    if (whole == 0) {
        return false;
    }
    i += whole;
    if (form.form == Form::Decimal) {
        if (whole > kMostDecimalDigits) {
            return false;
        }
        if (i < text.size() && text[i] == '.') {
            const std::size_t fraction = digitsFrom(i + 1);
            if (fraction == 0 || fraction > kMostDecimalDigits) {
                return false;
            }
            i += 1 + fraction;
        }
        return i == text.size();
    }
    if (i != text.size() || whole > kMostWholeDigits) {
        return false;
    }
    int64_t value = 0;
    for (const char digit : text.substr(negative ? 1 : 0)) {
        value = value * 10 + (digit - '0');
    }
    value = negative ? -value : value;
    return value >= form.lowest && value <= form.highest;
}

bool LooksTrue(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == "true" || lower == "yes" || lower == "on" || lower == "y" || lower == "t") {
        return true;
    }
    const std::size_t length = WholeNumberLength(text);
    return length == text.size() && text.find_first_not_of("+-0") != std::string_view::npos;
}

// How a field or member of the given type reads the line's value: a problem
// when the loader will refuse it, warnings when it will store something else
// than the text says. `name()` names the field or member; `trial` is a value
// of the type in storage of its own. Names are put together only for a message.
template <typename NameOf>
void CheckValue(const TypeForm& form, uint32_t typeKey, const NameOf& name, const LineReading& line,
                ITypedValue& trial, LineForecast& forecast) {
    const std::string_view text = line.value;
    const auto what = [&] { return fmt::format("{} ({})", name(), ResolvedName(typeKey)); };
    const auto quoteWarning = [&] {
        if (line.valueToken == "''") {
            forecast.AddWarning(
                "'' is stored as the two characters ''; the empty text is written \"\"");
        } else if (line.valueToken != "\"\"" && text.find('"') != std::string_view::npos) {
            forecast.AddWarning(fmt::format(
                "the quotes are part of the value: {} is set to '{}' (quotes do not group words)",
                what(), text));
        }
    };
    switch (form.form) {
        case Form::Signed:
        case Form::Unsigned:
        case Form::Decimal: {
            if (PlainNumberInRange(text, form)) {
                return;
            }
            const bool whole = form.form != Form::Decimal;
            const std::string takes = whole
                                          ? fmt::format("takes a whole number from {}", form.range)
                                          : std::string("takes a decimal number");
            const std::string value(text);
            const std::size_t used = whole ? WholeNumberLength(value) : DecimalLength(value);
            if (!trial.Parse(value)) {
                forecast.problem =
                    fmt::format("'{}' is {}: {} {}", text,
                                used > 0 ? "out of range" : "not a number", what(), takes);
                return;
            }
            const std::string stored =
                whole ? trial.ToString().value_or("?")
                      : fmt::format("{}", static_cast<float>(trial.ToDouble().value_or(0)));
            if (used < text.size()) {
                forecast.AddWarning(fmt::format("'{}' is read as {}: {} {} and stops at '{}'", text,
                                                stored, what(), takes, text.substr(used, 1)));
            } else if (form.form == Form::Unsigned && text.starts_with("-") && stored != "0") {
                forecast.AddWarning(fmt::format(
                    "'{}' is stored as {}: {} holds no negative numbers", text, stored, what()));
            }
            return;
        }
        case Form::Bool:
            if (text != "True" && text != "False" && LooksTrue(text)) {
                forecast.AddWarning(
                    fmt::format("'{}' is stored as false: only the exact word True is true", text));
            }
            return;
        case Form::Name:
        case Form::Key:
            // A name that begins with 0x is a key written in hexadecimal.
            if (text.starts_with("0x")) {
                try {
                    rakor::Attrib::StringHasher::HashText(std::string(text));
                } catch (const std::invalid_argument&) {
                    forecast.problem = fmt::format(
                        "update_field: name '{}' is not a hexadecimal number after '0x' (the "
                        "value for {})",
                        text, name());
                    return;
                } catch (const std::out_of_range&) {
                    forecast.problem = fmt::format(
                        "update_field: name '{}' does not fit in 32 bits (the value for {})", text,
                        name());
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
            forecast.problem = fmt::format("{} cannot be set from a script", what());
            return;
    }
}

// The type a class gives a field: the key its definition names, and the
// loader's type of that key (null when the loader has none; the registry
// keeps its types).
struct FieldType {
    uint32_t typeKey = 0;
    const IAttribType* type = nullptr;
};

}  // namespace

struct LineForecaster::Knowledge {
    // The classes by key, as the database and the host find them; a run
    // makes no classes.
    struct ClassFound {
        std::optional<sandbox::Class> cls;
        host::ClassRecord* record = nullptr;
    };
    const sandbox::Database* database = nullptr;
    std::unordered_map<uint32_t, ClassFound> classes;

    const ClassFound& ClassOf(const sandbox::Database& db, uint32_t classKey) {
        if (database != &db) {
            classes.clear();
            database = &db;
        }
        const auto [known, added] = classes.try_emplace(classKey);
        if (added) {
            known->second.cls = db.FindClass(classKey);
            if (known->second.cls) {
                known->second.record = static_cast<host::ClassRecord*>(
                    host::GetClass(host::DatabaseInstance(), classKey));
            }
        }
        return known->second;
    }

    std::unordered_map<uint64_t, FieldType> fieldTypes;  // by class key and field key
    std::unordered_map<const IAttribType*, TypeFacts> types;
    std::unordered_map<uint32_t, const TypeForm*> forms;  // by type key

    const FieldType& FieldTypeOf(host::ClassRecord* classRecord, uint32_t classKey,
                                 uint32_t fieldKey) {
        const uint64_t key = (uint64_t{classKey} << 32) | fieldKey;
        if (const auto known = fieldTypes.find(key); known != fieldTypes.end()) {
            return known->second;
        }
        const Hash32 typeKey = automation::FieldTypeKey(classRecord, Hash32(fieldKey));
        // The first name resolved loads the hash list; resolved here, it is
        // loaded at the same line of a run whatever the line says.
        ResolvedName(typeKey.GetValue());
        return fieldTypes
            .emplace(key, FieldType{typeKey.GetValue(),
                                    rakor::Attrib::AttribTypeRegistry::Instance().TypeOf(typeKey)})
            .first->second;
    }

    const TypeFacts& FactsOf(const IAttribType& type) {
        if (const auto known = types.find(&type); known != types.end()) {
            return known->second;
        }
        return types.emplace(&type, LearnType(type)).first->second;
    }

    // The names of each class's collections and fields. Only add_node and
    // copy_node lines change them during a run: the host can make
    // collections, which start without entries of their own, and has no way
    // to add entries to one.
    std::unordered_map<uint32_t, NameList> collectionNames;  // by class key
    std::unordered_map<uint32_t, NameList> fieldNames;

    NameList& CollectionNamesOf(const sandbox::Class& cls) {
        auto [names, added] = collectionNames.try_emplace(cls.GetKey());
        if (added || names->second.Outdated()) {
            names->second = NameList();
            for (const sandbox::Collection& collection : cls.Collections()) {
                names->second.Add(collection.GetKey());
            }
        }
        return names->second;
    }

    NameList& FieldNamesOf(const sandbox::Class& cls) {
        auto [names, added] = fieldNames.try_emplace(cls.GetKey());
        if (added || names->second.Outdated()) {
            NameList& list = names->second = NameList();
            for (const auto& entry : cls.LayoutFields()) {
                list.Add(entry.key);
            }
            for (const auto& definition : cls.Definitions()) {
                list.Add(definition.key);
            }
            for (const sandbox::Collection& collection : cls.Collections()) {
                for (const auto& entry : collection.OwnEntries()) {
                    list.Add(entry.key);
                }
            }
        }
        return names->second;
    }

    // The names collections are shown by, for those the sandbox remembers:
    // a remembered name stays a key's name. Most lines that change a parent's
    // value name one of a few parents.
    FlatTable<uint32_t, std::string, MixedHash> collectionNamesByKey;

    void NameCollection(uint32_t key, std::string& name) {
        if (const std::string* known = collectionNamesByKey.Find(key)) {
            name = *known;
        } else if (auto remembered = sandbox::NameOf(key)) {
            name = collectionNamesByKey.TryEmplace(key).first = *std::move(remembered);
        } else {
            name = vxmod::CollectionName(key);
        }
    }

    const TypeForm& FormOf(uint32_t typeKey) {
        const auto [known, added] = forms.try_emplace(typeKey, nullptr);
        if (added) {
            known->second = &FormOfName(ResolvedName(typeKey));
        }
        return *known->second;
    }
};

namespace {

// One line's forecast.
class Forecaster {
public:
    Forecaster(LineForecaster::Knowledge& known, const LineReading& line, LineForecast& forecast)
        : known_(known), line_(line), forecast_(forecast) {}

    void Run() {
        db_ = sandbox::Database::Current();
        if (db_ == nullptr) {
            return;
        }
        if (line_.does == LineReading::Does::MakeCollection) {
            AddNode();
        } else if (line_.does == LineReading::Does::Resize) {
            ResizeField();
        } else {
            UpdateField();
        }
    }

private:
    // The class and collection the line names, or a problem.
    bool FindCollection(std::string_view collectionName, const char* role) {
        classKey_ = KeyOfName(line_.className);
        const LineForecaster::Knowledge::ClassFound& found = known_.ClassOf(*db_, classKey_);
        cls_ = found.cls;
        classRecord_ = found.record;
        if (!cls_) {
            NameList classes;
            for (const sandbox::Class& cls : db_->Classes()) {
                classes.Add(cls.GetKey());
            }
            forecast_.problem = fmt::format("there is no class '{}'{}", line_.className,
                                            classes.Suggestion(line_.className, "classes"));
            return false;
        }
        const uint32_t key = KeyOfName(collectionName);
        collection_ = static_cast<host::CollectionRecord*>(host::GetCollection(classRecord_, key));
        if (collection_ == nullptr) {
            forecast_.problem = fmt::format(
                "class '{}' has no {} '{}'{}", line_.className, role, collectionName,
                known_.CollectionNamesOf(*cls_).Suggestion(collectionName, "collections"));
            return false;
        }
        return true;
    }

    // Every collection of the class points back at it; a record that does not
    // is none of its collections.
    bool OfTheClass(const host::CollectionRecord* record) const {
        return record != nullptr && record->classObject == classRecord_;
    }

    std::string NameOfCollection(const host::CollectionRecord* record) const {
        std::string name;
        NameCollection(record, name);
        return name;
    }

    // The same into a string that keeps its room from line to line.
    void NameCollection(const host::CollectionRecord* record, std::string& name) const {
        if (OfTheClass(record)) {
            known_.NameCollection(KeyOfRecord(record), name);
        } else {
            name = "?";
        }
    }

    std::string Field() const {
        return fmt::format("'{}'->'{}'.'{}'", line_.className, line_.collection, line_.field);
    }

    // The field's storage and type, or a problem.
    bool FindField() {
        fieldKey_ = KeyOfName(line_.field);
        location_ = automation::LocateField(collection_, Hash32(fieldKey_));
        const FieldType& fieldType = known_.FieldTypeOf(classRecord_, classKey_, fieldKey_);
        typeKey_ = fieldType.typeKey;
        type_ = fieldType.type;
        if (location_.storage == nullptr || type_ == nullptr) {
            NameList& fields = known_.FieldNamesOf(*cls_);
            const bool known = fields.Contains(line_.field);
            forecast_.problem =
                known && type_ == nullptr
                    ? fmt::format("{} has the type '{}', which the loader cannot write", Field(),
                                  ResolvedName(typeKey_))
                    : fmt::format("neither '{}' nor a parent of it holds a field '{}'{}",
                                  line_.collection, line_.field,
                                  fields.Suggestion(line_.field, "fields"));
            return false;
        }
        // As the actions do: the flag of the entry the storage was found through.
        isArray_ = location_.isArray;
        if (location_.type != nullptr) {
            type_ = location_.type;
        }
        return true;
    }

    EditTarget Target() {
        const bool ofTheClass = OfTheClass(location_.owner);
        forecast_.words = {
            .className = line_.className, .field = line_.field, .member = {}, .holder = {}};
        if (location_.owner != collection_ || line_.collection.starts_with("0x")) {
            NameCollection(location_.owner, forecast_.holder);
            forecast_.words.holder = forecast_.holder;
        }
        return {.classKey = classKey_,
                .holderKey = ofTheClass ? KeyOfRecord(location_.owner) : 0,
                .fieldKey = fieldKey_};
    }

    // After Target(), which names the holder.
    void WarnIfInherited() {
        if (location_.owner != collection_) {
            // Put together by hand: in a large pack a line in every few is told this.
            JoinInto(forecast_.NextWarning(),
                     {"'", line_.collection, "' does not hold '", line_.field,
                      "' itself: this changes it in '", forecast_.holder,
                      "', for every collection that inherits it from there"});
        }
    }

    void AddNode() {
        if (!FindCollection(line_.collection, "collection")) {
            return;
        }
        const uint32_t key = KeyOfName(line_.newCollection);
        const void* const holding = host::GetCollection(classRecord_, key);
        forecast_.made = MadeCollection{.classKey = classKey_,
                                        .key = key,
                                        .exists = holding != nullptr,
                                        .className = line_.className,
                                        .name = line_.newCollection,
                                        .classRecord = classRecord_,
                                        .holding = holding};
    }

    void ResizeField() {
        if (!FindCollection(line_.collection, "collection") || !FindField()) {
            return;
        }
        const std::string_view count = line_.tokens[4];
        if (!isArray_) {
            forecast_.problem = fmt::format("'{}' ({}) is not an array: only arrays can be resized",
                                            line_.field, ResolvedName(typeKey_));
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
            if (count.find_first_not_of("0123456789") != std::string_view::npos) {
                forecast_.AddWarning(
                    line_.count == 0
                        ? fmt::format("count '{}' is not a number: it is read as 0, which empties "
                                      "the array",
                                      count)
                        : fmt::format("count '{}' is read as {}", count, line_.count));
            }
            EditTarget target = Target();
            target.size = true;
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
        } else if (line_.hasSubscript) {
            forecast_.AddWarning(fmt::format(
                "'{}' is not an array: the subscript in '{}' is ignored and the field itself is "
                "set",
                line_.field, line_.tokens[3]));
        }
        WarnIfInherited();

        const TypeFacts& facts = known_.FactsOf(*type_);
        const auto what = [&] {
            return fmt::format("'{}' ({})", line_.field, ResolvedName(typeKey_));
        };
        const TypeForm& form = known_.FormOf(typeKey_);
        if (form.form == Form::None) {
            forecast_.problem = fmt::format("{} cannot be set from a script", what());
            return;
        }
        const std::vector<Member>& members = facts.members;
        if (line_.member) {
            const std::string_view member = *line_.member;
            if (members.empty()) {
                forecast_.problem =
                    fmt::format("{} has no members: {}", what(), SixWordReading(line_));
                return;
            }
            const auto found = std::find_if(members.begin(), members.end(),
                                            [&](const Member& m) { return m.name == member; });
            if (found == members.end()) {
                std::vector<std::string> names;
                for (const Member& m : members) {
                    names.push_back(m.name);
                }
                const auto meant = sandbox::ClosestSpelling(std::string(member), names);
                forecast_.problem = fmt::format(
                    "{} has no member '{}'; its members are {}{}", what(), member,
                    MemberList(members),
                    meant ? fmt::format("; did you mean '{}'?", *meant) : std::string());
                return;
            }
            target.member = static_cast<int32_t>(found - members.begin());
            forecast_.words.member = member;
            CheckValue(
                known_.FormOf(found->typeKey), found->typeKey,
                [&] { return fmt::format("'{}' of '{}'", member, line_.field); }, line_,
                *found->value, forecast_);
        } else if (form.form == Form::MembersOnly) {
            forecast_.problem = fmt::format(
                "{} is set one member at a time: {} (for example update_field {} {} {} {} {})",
                what(), MemberList(members), line_.className, line_.collection, line_.tokens[3],
                members.front().name, line_.valueToken);
            return;
        } else {
            CheckValue(
                form, typeKey_, [&] { return Quoted(line_.field); }, line_, *facts.trial,
                forecast_);
        }
        if (!forecast_.problem) {
            forecast_.target = target;
        }
    }

    LineForecaster::Knowledge& known_;
    const LineReading& line_;
    LineForecast& forecast_;
    sandbox::Database* db_ = nullptr;
    uint32_t classKey_ = 0;
    std::optional<sandbox::Class> cls_;
    host::ClassRecord* classRecord_ = nullptr;
    host::CollectionRecord* collection_ = nullptr;
    uint32_t fieldKey_ = 0;
    automation::FieldLocation location_;
    uint32_t typeKey_ = 0;  // the type the line's class gives the field
    const IAttribType* type_ = nullptr;
    bool isArray_ = false;
};

}  // namespace

void LineForecast::Clear() {
    problem.reset();
    warningCount_ = 0;
    target.reset();
    words = {};
    holder.clear();
    made.reset();
    hashedText.reset();
}

std::string& LineForecast::NextWarning() {
    if (warningCount_ == warnings_.size()) {
        warnings_.emplace_back();
    }
    std::string& warning = warnings_[warningCount_++];
    warning.clear();
    return warning;
}

std::string CollectionName(uint32_t key) {
    const auto name = sandbox::NameOf(key);
    return name ? *name : ResolvedName(key);
}

LineForecaster::LineForecaster() : known_(std::make_unique<Knowledge>()) {}
LineForecaster::~LineForecaster() = default;

void LineForecaster::Ran(const LineReading* line, const LineForecast& forecast) {
    if (forecast.made) {
        // A collection the host made comes last among its class's, and takes
        // its key over in lookups; a request the host refused leaves both as
        // they were.
        const MadeCollection& made = *forecast.made;
        const auto names = known_->collectionNames.find(made.classKey);
        if (names != known_->collectionNames.end() &&
            host::GetCollection(made.classRecord, made.key) != made.holding) {
            names->second.Add(made.key);
        }
    } else if (line == nullptr || line->does == LineReading::Does::MakeCollection) {
        known_->collectionNames.clear();  // it may have made one: learnt again when asked
    }
}

void LineForecaster::Forecast(const LineReading& line, LineForecast& forecast) {
    forecast.Clear();
    // A name the loader cannot convert fails the line before it runs; the
    // parser has already said so.
    try {
        Forecaster(*known_, line, forecast).Run();
    } catch (const std::invalid_argument&) {
        forecast.Clear();
    } catch (const std::out_of_range&) {
        forecast.Clear();
    }
}

}  // namespace vxmod
