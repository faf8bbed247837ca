#include "sandbox/OrderedJson.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <utility>
#include <vector>

namespace rakor::Sandbox {
namespace {

using Json = nlohmann::ordered_json;

// The double nearest the number's text, as the parser read it, unless that
// double rounds to another float than the text names: a number read first
// as a double and then as a float is rounded twice, and where the double
// lies on the middle between two floats the second rounding can go the wrong
// way (the shortest text of the float 0x15AE43FD, 7.038531e-26, comes back as
// 0x15AE43FE). The double is then moved toward the float the text names, by
// as little as it takes: it prints as nearly the same number, and converts to
// the float exactly as if the text had been read as one.
double KeepingItsFloat(double value, std::string_view text) {
    float named = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), named);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) ||
        std::fabs(value) > std::numeric_limits<float>::max()) {
        return value;  // beyond a float's range, or too small for one: no float to keep
    }
    while (static_cast<float>(value) != named) {
        value = std::nextafter(value, static_cast<double>(named));
    }
    return value;
}

// What nlohmann's own document builder does, event by event, except that an
// object's keys are looked up in an index once the object has grown, and
// that a number with a fraction or an exponent keeps the float its text names.
class DocumentBuilder {
public:
    explicit DocumentBuilder(Json& root) : root_(root) {}

    bool null() { return Add(nullptr); }
    bool boolean(bool value) { return Add(value); }
    bool number_integer(Json::number_integer_t value) { return Add(value); }
    bool number_unsigned(Json::number_unsigned_t value) { return Add(value); }
    bool number_float(Json::number_float_t value, const Json::string_t& text) {
        return Add(KeepingItsFloat(value, text));
    }
    bool string(Json::string_t& value) { return Add(value); }
    bool binary(Json::binary_t& value) { return Add(std::move(value)); }

    bool start_object(std::size_t /*size*/) {
        open_.push_back({Place(Json::value_t::object), {}, nullptr});
        return true;
    }
    bool key(Json::string_t& name) {
        Open& object = open_.back();
        std::vector<Member>& members = object.members;
        if (members.size() >= kIndexFrom && object.index == nullptr) {
            object.index = std::make_unique<Index>();
            for (std::size_t i = 0; i < members.size(); ++i) {
                object.index->emplace(members[i].first, i);
            }
        }
        if (object.index != nullptr) {
            if (const auto found = object.index->find(name); found != object.index->end()) {
                member_ = &members[found->second].second;
                return true;
            }
            object.index->emplace(name, members.size());
        } else {
            for (auto& [existing, value] : members) {
                if (existing == name) {
                    member_ = &value;
                    return true;
                }
            }
        }
        members.emplace_back(name, nullptr);
        member_ = &members.back().second;
        return true;
    }
    bool end_object() {
        // The members move in at the end: an object's own list holds its keys
        // const, so growing it while it fills would copy every key each time.
        Open& object = open_.back();
        Json::object_t& target = object.value->get_ref<Json::object_t&>();
        target.reserve(object.members.size());
        for (Member& member : object.members) {
            target.emplace_back(std::move(member.first), std::move(member.second));
        }
        open_.pop_back();
        return true;
    }
    bool start_array(std::size_t /*size*/) {
        open_.push_back({Place(Json::value_t::array), {}, nullptr});
        return true;
    }
    bool end_array() {
        open_.pop_back();
        return true;
    }

    template <typename Exception>
    bool parse_error(std::size_t /*position*/, const std::string& /*token*/,
                     const Exception& error) {
        throw error;
    }

private:
    static constexpr std::size_t kIndexFrom = 16;
    using Index = std::unordered_map<std::string, std::size_t>;

    using Member = std::pair<std::string, Json>;
    struct Open {
        Json* value;
        std::vector<Member> members;   // an object's, until it ends
        std::unique_ptr<Index> index;  // of those members' keys, once there are many
    };

    template <typename Value>
    bool Add(Value&& value) {
        Place(std::forward<Value>(value));
        return true;
    }

    template <typename Value>
    Json* Place(Value&& value) {
        if (open_.empty()) {
            root_ = Json(std::forward<Value>(value));
            return &root_;
        }
        Json& container = *open_.back().value;
        if (container.is_array()) {
            container.get_ref<Json::array_t&>().emplace_back(std::forward<Value>(value));
            return &container.get_ref<Json::array_t&>().back();
        }
        *member_ = Json(std::forward<Value>(value));
        return member_;
    }

    Json& root_;
    std::vector<Open> open_;
    Json* member_ = nullptr;
};

}  // namespace

Json ParseOrderedJson(std::string_view text) {
    Json document;
    DocumentBuilder builder(document);
    Json::sax_parse(text, &builder);
    return document;
}

}  // namespace rakor::Sandbox
