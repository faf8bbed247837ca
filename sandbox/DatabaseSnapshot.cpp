#include <algorithm>
#include <cstdlib>
#include <memory>
#include <unordered_set>
#include <utility>
#include <vector>

#include "sandbox/Database.h"
#include "sandbox/DatabaseState.h"

// Snapshots of a database and the memory the library handed over to it: what
// a fuzzer needs to put the database back before every input, and what the
// database frees with itself that the game would keep.
namespace rakor::Sandbox {

namespace {

// Which fields hold the address of a text in their value: a Text value is that
// address, a StringKey keeps it in its last word.
enum class TextKind : uint8_t { None, Text, StringKey };
constexpr uint32_t kStringKeyTextOffset = 12;

TextKind TextKindOf(const ClassState& owner, uint32_t fieldKey) {
    static const uint32_t textType = Crc32("KQ::Reflection::Text");
    static const uint32_t stringKeyType = Crc32("Attrib::StringKey");
    const auto it = owner.definitions.find(fieldKey);
    if (it == owner.definitions.end()) {
        return TextKind::None;
    }
    return it->second->typeKey == textType        ? TextKind::Text
           : it->second->typeKey == stringKeyType ? TextKind::StringKey
                                                  : TextKind::None;
}

// Calls `word` with the address of each word of the value that holds a text.
template <typename F>
void TextWordsOfValue(TextKind kind, uint8_t* value, F& word) {
    if (kind == TextKind::Text) {
        word(value);
    } else if (kind == TextKind::StringKey) {
        word(value + kStringKeyTextOffset);
    }
}

template <typename F>
void TextWordsOfArray(TextKind kind, uint8_t* record, F& word) {
    const auto header = ReadAs<ArrayHeader>(record);
    const uint32_t needed = kind == TextKind::StringKey ? kStringKeyTextOffset + 4 : 4;
    if (kind == TextKind::None || header.ElementSize() < needed) {
        return;
    }
    for (uint32_t i = 0; i < header.count; ++i) {
        TextWordsOfValue(kind, record + sizeof(ArrayHeader) + i * header.ElementSize(), word);
    }
}

}  // namespace

Database::HandedOver Database::FindHandedOver(bool withTexts) const {
    HandedOver found;
    const auto text = [&](const uint8_t* word) {
        void* const address = ReadAs<void*>(word);
        if (address != nullptr && !ownedSet_.contains(address)) {
            found.texts.insert(address);
        }
    };
    for (const auto& [address, state] : collections_) {
        for (const OwnEntry& entry : state->entries) {
            void* const target = reinterpret_cast<void*>(static_cast<uintptr_t>(entry.value));
            if ((entry.flags & kArrayFlag) != 0 && target != nullptr &&
                !ownedSet_.contains(target)) {
                found.arrays.insert(target);
            }
        }
        if (!withTexts) {
            continue;
        }
        // Texts are found by following the values of text fields, which
        // must therefore be real: a test may put any word into an entry.
        const ClassState& owner = *state->owner;
        uint8_t* const block = state->record->layoutBlock;
        for (const LayoutEntry& field : owner.layout) {
            const TextKind kind = TextKindOf(owner, field.key);
            if ((field.flags & kArrayFlag) != 0) {
                TextWordsOfArray(kind, block + field.offset, text);
            } else {
                TextWordsOfValue(kind, block + field.offset, text);
            }
        }
        for (OwnEntry& entry : state->entries) {
            auto* const target = reinterpret_cast<uint8_t*>(static_cast<uintptr_t>(entry.value));
            const TextKind kind = TextKindOf(owner, entry.key);
            if ((entry.flags & kArrayFlag) != 0) {
                if (target != nullptr) {
                    TextWordsOfArray(kind, target, text);
                }
            } else if (kind == TextKind::Text) {
                text(reinterpret_cast<const uint8_t*>(&entry.value));
            } else if (target != nullptr) {
                TextWordsOfValue(kind, target, text);
            }
        }
    }
    return found;
}

void Database::NoteHandedOver() {
    HandedOver found = FindHandedOver(/*withTexts=*/true);
    noted_.arrays.merge(found.arrays);
    noted_.texts.merge(found.texts);
}

// ---- snapshots -------------------------------------------------------------

struct DatabaseSnapshot {
    std::size_t classes = 0;
    std::vector<std::size_t> collectionsPerClass;  // in the order of classes_
    std::size_t givenCollections = 0;
    std::vector<std::vector<uint8_t>> blocks;  // the bytes of ownedBlocks_, in order
    std::vector<std::pair<const void*, std::vector<OwnEntry>>> entries;
    Database::HandedOver handedOver;  // what the library had handed over by then
    // The bytes of the array records among them: a later line may set an
    // element of one in place, and a return here must undo that too.
    std::vector<std::pair<void*, std::vector<uint8_t>>> arrayBytes;
    // Taken by NoteAndTakeSnapshot: what it knew to be handed over stays
    // noted after a return here.
    bool noting = false;
    std::size_t complaints = 0;
};

std::shared_ptr<const DatabaseSnapshot> Database::TakeSnapshot() const {
    auto snapshot = std::make_shared<DatabaseSnapshot>();
    snapshot->classes = classes_.size();
    for (const auto& state : classes_) {
        snapshot->collectionsPerClass.push_back(state->collections.size());
    }
    snapshot->givenCollections = givenCollections_.size();
    for (std::size_t i = 0; i < ownedBlocks_.size(); ++i) {
        snapshot->blocks.push_back(ReadBytes(ownedBlocks_[i], ownedSizes_[i]));
    }
    for (const auto& [address, state] : collections_) {
        snapshot->entries.emplace_back(address, state->entries);
    }
    snapshot->handedOver = FindHandedOver(/*withTexts=*/true);
    snapshot->handedOver.arrays.merge(std::unordered_set<void*>(noted_.arrays));
    snapshot->handedOver.texts.merge(std::unordered_set<void*>(noted_.texts));
    for (void* array : snapshot->handedOver.arrays) {
        const auto header = ReadAs<ArrayHeader>(array);
        const std::size_t slots = std::max(header.capacity, header.count);
        snapshot->arrayBytes.emplace_back(
            array, ReadBytes(array, sizeof(ArrayHeader) + slots * header.ElementSize()));
    }
    snapshot->complaints = complaints_.size();
    return snapshot;
}

std::shared_ptr<const DatabaseSnapshot> Database::NoteAndTakeSnapshot() {
    // What the snapshot finds handed over is what NoteHandedOver would note.
    auto snapshot = std::const_pointer_cast<DatabaseSnapshot>(TakeSnapshot());
    snapshot->noting = true;
    noted_ = snapshot->handedOver;
    return snapshot;
}

void Database::Restore(const DatabaseSnapshot& snapshot) {
    // What the library handed over since the snapshot is freed (texts only
    // when noted, as in the destructor), looked for before the collections
    // made since are gone.
    std::unordered_set<void*> arrays = FindHandedOver(/*withTexts=*/false).arrays;
    arrays.merge(noted_.arrays);
    for (void* block : arrays) {
        if (!snapshot.handedOver.arrays.contains(block)) {
            std::free(block);
        }
    }
    for (void* text : noted_.texts) {
        if (!snapshot.handedOver.texts.contains(text)) {
            std::free(text);
        }
    }
    // A noting snapshot's memory stays noted: an earlier snapshot of the
    // same line of snapshots may still need it, and a later return to that
    // one frees it if it does not.
    noted_ = snapshot.noting ? snapshot.handedOver : HandedOver{};

    for (std::size_t c = 0; c < classes_.size(); ++c) {
        ClassState& state = *classes_[c];
        const std::size_t keep = c < snapshot.classes ? snapshot.collectionsPerClass[c] : 0;
        for (std::size_t i = keep; i < state.collections.size(); ++i) {
            collections_.erase(state.collections[i]);
        }
        state.collections.resize(keep);
        state.lookup.clear();
        for (CollectionRecord* record : state.collections) {
            state.lookup[record->key] = record;  // a later collection takes its key over
        }
    }
    for (std::size_t c = snapshot.classes; c < classes_.size(); ++c) {
        classByKey_.erase(classes_[c]->record->key);
        classByRecord_.erase(classes_[c]->record);
        classTables_.erase(classes_[c].get());
    }
    classes_.resize(snapshot.classes);
    lastClass_ = {};

    for (std::size_t i = snapshot.givenCollections; i < givenCollections_.size(); ++i) {
        givenSet_.erase(givenCollections_[i]);
        std::free(givenCollections_[i]);
    }
    givenCollections_.resize(snapshot.givenCollections);
    for (std::size_t i = snapshot.blocks.size(); i < ownedBlocks_.size(); ++i) {
        ownedSet_.erase(ownedBlocks_[i]);
        std::free(ownedBlocks_[i]);
    }
    ownedBlocks_.resize(snapshot.blocks.size());
    ownedSizes_.resize(snapshot.blocks.size());

    for (std::size_t i = 0; i < snapshot.blocks.size(); ++i) {
        std::copy(snapshot.blocks[i].begin(), snapshot.blocks[i].end(),
                  static_cast<uint8_t*>(ownedBlocks_[i]));
    }
    for (const auto& [array, bytes] : snapshot.arrayBytes) {
        std::copy(bytes.begin(), bytes.end(), static_cast<uint8_t*>(array));
    }
    for (const auto& [address, entries] : snapshot.entries) {
        CollectionState& state = *collections_.at(address);
        state.entries = entries;
        state.SyncEntries();
    }
    complaints_.resize(snapshot.complaints);
}

}  // namespace rakor::Sandbox
