#pragma once

#include <string>
#include <vector>

namespace vxmod {

// Whether the loader reads the text back as this one word.
bool IsWord(const std::string& text);

// A class, collection or field as a script names it: the name, or its key
// when the name is not one word.
std::string NameWord(const std::string& name);

// The script `vxmod diff` writes: its lines, and the changes a script cannot
// make, listed after them as comments.
class DiffScript {
public:
    // A change a script cannot make.
    void Cannot(std::string what) { cannot_.push_back(std::move(what)); }
    void Line(std::string line) { lines_.push_back(std::move(line)); }

    const std::vector<std::string>& CannotList() const { return cannot_; }
    std::string Text(const std::string& before, const std::string& after) const;

private:
    std::vector<std::string> lines_;
    std::vector<std::string> cannot_;
};

}  // namespace vxmod
