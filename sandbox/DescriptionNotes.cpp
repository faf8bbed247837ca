#include "sandbox/DescriptionNotes.h"

#include <cstring>
#include <mutex>

namespace rakor::Sandbox {
namespace {

struct Notes {
    const Database* database = nullptr;
    std::unordered_map<const ClassRecord*, ClassNotes> classes;
    std::vector<std::unique_ptr<char[]>> texts;
};

Notes& LastLoad() {
    static Notes notes;
    return notes;
}

std::mutex& NotesMutex() {
    static std::mutex mutex;
    return mutex;
}

}  // namespace

void BeginNotes(const Database& database) {
    const std::lock_guard lock(NotesMutex());
    LastLoad() = Notes{.database = &database, .classes = {}, .texts = {}};
}

void NoteClass(const ClassRecord* record, ClassNotes notes) {
    const std::lock_guard lock(NotesMutex());
    LastLoad().classes[record] = std::move(notes);
}

const ClassNotes* FindClassNotes(const Database& database, const ClassRecord* record) {
    const std::lock_guard lock(NotesMutex());
    const Notes& notes = LastLoad();
    if (notes.database != &database) {
        return nullptr;
    }
    const auto it = notes.classes.find(record);
    // A record at the same address with another key belongs to a later
    // database that happens to sit where the loaded one was.
    if (it == notes.classes.end() || it->second.classKey != record->key) {
        return nullptr;
    }
    return &it->second;
}

uint32_t OwnText(const std::string& text) {
    auto copy = std::make_unique<char[]>(text.size() + 1);
    std::memcpy(copy.get(), text.c_str(), text.size() + 1);
    const auto word = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(copy.get()));
    const std::lock_guard lock(NotesMutex());
    LastLoad().texts.push_back(std::move(copy));
    return word;
}

}  // namespace rakor::Sandbox
