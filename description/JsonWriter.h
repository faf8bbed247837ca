#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A JSON document written as it is made, into a string that its owner empties
// whenever it likes (into a file, say): the description of a game's database
// can be tens of megabytes, which must never be held as one document or one
// string inside the game's 32-bit process. The text is laid out as
// nlohmann::json's dump(2) lays it out (two blanks a level, one member or
// item a line, "{}" and "[]" when empty), so that a description written here
// reads like one that vxmod dumps.
//
// The writer trusts its caller: keys and texts must be UTF-8, and members and
// items must come where an object or a list expects them.
namespace rakor::Description {

class JsonWriter {
public:
    // Appends to `out`, which it never empties. `depth`: the level the
    // first value is written at, for a part of a document written apart
    // (one collection, then put in its place). An object or a list opened
    // at `flatDepth` or deeper is written on one line.
    static constexpr int kNeverFlat = 1 << 30;
    explicit JsonWriter(std::string& out, int depth = 0, int flatDepth = kNeverFlat)
        : out_(out), depth_(depth), flatDepth_(flatDepth) {}

    JsonWriter(const JsonWriter&) = delete;
    JsonWriter& operator=(const JsonWriter&) = delete;

    void BeginObject();
    void EndObject();
    void BeginArray();
    void EndArray();
    // The name of the next member of the object being written.
    void Key(std::string_view name);

    void String(std::string_view text);
    void Int(int64_t value);
    void UInt(uint64_t value);
    void Bool(bool value);
    void Null();
    // The float whose bits these are: the shortest number that reads back as
    // the same float, or the text FloatText gives for what JSON has no number
    // for. Floats travel as their bits: loading a signalling NaN into the
    // x87 registers of a 32-bit build makes it quiet, another NaN.
    void Float(uint32_t bits);
    // A number or a name as text that is JSON already ("1.5", "-0.0").
    void Literal(std::string_view json);
    // A text already written as JSON elsewhere (by a JsonWriter started at
    // the depth this value stands at), put in as it is.
    void Written(std::string_view json);

    // The value about to be written (a member's or an item's) begins here.
    std::string& Out() { return out_; }
    int Depth() const { return depth_; }
    int FlatDepth() const { return flatDepth_; }

    // Appends `text` as a JSON string, quotes included.
    static void AppendString(std::string& out, std::string_view text);
    // A float as JSON, as Float writes it: for what JSON has no number for,
    // a text ("nan", "-nan", "nan:0x7FA00001", "inf", "-inf"); "-0.0" for
    // a negative zero (JSON's -0 is the whole number 0).
    static std::string FloatText(uint32_t bits);
    static constexpr uint32_t kQuietNaN = 0x7FC00000u;  // the NaN the game's compiler makes
    static constexpr uint32_t kSignBit = 0x80000000u;

private:
    void BeforeValue();
    void Separate();
    void Open(char bracket);
    void Close(char bracket);
    void Indent(int depth);

    bool Flat() const { return depth_ > flatDepth_; }

    std::string& out_;
    int depth_;
    int flatDepth_;
    // For each open object or list: how many members or items it has so far.
    std::vector<std::size_t> counts_;
    bool afterKey_ = false;
};

}  // namespace rakor::Description
