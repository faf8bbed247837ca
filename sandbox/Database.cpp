#include "sandbox/Database.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <new>
#include <utility>

#include "sandbox/DatabaseState.h"
#include "sandbox/HostOperations.h"

namespace rakor::Sandbox {

namespace {

std::string Quoted(uint32_t key) {
    return "'" + NameOrHex(key) + "'";
}

std::string Hex(const void* address) {
    char text[11];
    std::snprintf(text, sizeof text, "0x%08X",
                  static_cast<unsigned>(reinterpret_cast<uintptr_t>(address)));
    return text;
}

}  // namespace

std::vector<uint8_t> ReadBytes(const void* address, std::size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(address);
    return {bytes, bytes + size};
}

// ---- Database --------------------------------------------------------------

Database::Database() {
    if (Ops::databaseInstance != nullptr) {
        throw SandboxError("a sandbox database already lives; destroy it before making another");
    }
    Ops::databaseInstance = this;
}

Database::~Database() {
    if (Ops::databaseInstance == this) {
        Ops::databaseInstance = nullptr;
    }
    // The array records the library handed over that entries point to now,
    // and what NoteHandedOver saw earlier: the host's, and so freed here.
    // Texts are freed only when noted: a field may point at any text.
    std::unordered_set<void*> arrays = FindHandedOver(/*withTexts=*/false).arrays;
    arrays.merge(noted_.arrays);
    for (void* block : arrays) {
        std::free(block);
    }
    for (void* text : noted_.texts) {
        std::free(text);
    }
    for (void* block : givenCollections_) {
        std::free(block);
    }
    for (void* block : ownedBlocks_) {
        std::free(block);
    }
}

void* Database::AllocateOwned(std::size_t size) {
    // calloc, not new: the library replaces records with malloc and the game's
    // records are plain zeroed memory; one allocator keeps teardown uniform.
    void* block = std::calloc(1, std::max<std::size_t>(size, 1));
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    ownedBlocks_.push_back(block);
    ownedSizes_.push_back(size);
    ownedSet_.insert(block);
    return block;
}

ArrayHeader* Database::AllocateArray(const ArraySpec& contents) {
    const uint32_t elementSize = contents.elementSize == 0 ? 4u : contents.elementSize;
    if (contents.elements.size() % elementSize != 0) {
        throw SandboxError("array elements are " + std::to_string(contents.elements.size()) +
                           " bytes, not a multiple of the element size " +
                           std::to_string(elementSize));
    }
    const std::size_t count = contents.elements.size() / elementSize;
    const std::size_t capacity = contents.capacity == 0 ? count : contents.capacity;
    if (count > 0xFFFF || capacity < count) {
        throw SandboxError("array of " + std::to_string(count) +
                           " elements does not fit capacity " + std::to_string(capacity));
    }
    auto* header =
        static_cast<ArrayHeader*>(AllocateOwned(sizeof(ArrayHeader) + capacity * elementSize));
    header->capacity = static_cast<uint16_t>(capacity);
    header->count = static_cast<uint16_t>(count);
    header->elementSize = contents.elementSize;
    header->opaque = contents.opaque;
    std::copy(contents.elements.begin(), contents.elements.end(), header->Elements());
    return header;
}

CollectionState& Database::Construct(CollectionRecord* record, ClassState& owner,
                                     CollectionRecord* parent, uint32_t key, bool byLibrary) {
    auto state = std::make_unique<CollectionState>();
    state->record = record;
    state->owner = &owner;
    state->byLibrary = byLibrary;

    record->entries = nullptr;
    record->entryCount = 0;
    record->key = key;
    record->parent = parent;
    record->classObject = owner.record;
    record->layoutBlock = nullptr;
    const uint32_t layoutSize = owner.record->layoutSize;
    if (layoutSize != 0) {
        record->layoutBlock = static_cast<uint8_t*>(AllocateOwned(layoutSize));
        // A child starts with its parent's layout values; the root, and a
        // child of a collection of another class (whose block is laid out
        // otherwise), with zeros.
        if (parent != nullptr && parent->classObject == owner.record) {
            std::memcpy(record->layoutBlock, parent->layoutBlock, layoutSize);
        }
    }
    owner.lookup[key] = record;
    owner.collections.push_back(record);
    CollectionState& result = *state;
    collections_.emplace(record, std::move(state));
    return result;
}

ClassState* Database::ClassOfRecord(const void* classObject) const {
    if (classObject == lastClass_.record && classObject != nullptr) {
        return lastClass_.state;
    }
    ClassState* const* owner = classByRecord_.lookup(classObject);
    if (owner == nullptr) {
        return nullptr;
    }
    lastClass_ = {.key = (*owner)->record->key, .record = (*owner)->record, .state = *owner};
    return *owner;
}

std::optional<Collection> Database::CollectionAt(const void* record) const {
    if (const CollectionState* state = StateOf(record)) {
        return Collection(const_cast<Database*>(this), state->record);
    }
    return std::nullopt;
}

CollectionState* Database::StateOf(const void* collection) const {
    const std::unique_ptr<CollectionState>* state = collections_.lookup(collection);
    return state == nullptr ? nullptr : state->get();
}

void Database::Complain(std::string message) {
    complaints_.push_back(std::move(message));
}

Class Database::AddClass(Key name, uint32_t layoutSize) {
    if (classByKey_.contains(name.Value())) {
        throw SandboxError("class " + Quoted(name.Value()) + " exists already");
    }
    auto state = std::make_unique<ClassState>();
    state->record = static_cast<ClassRecord*>(AllocateOwned(sizeof(ClassRecord)));
    state->record->collectionTable = state.get();
    state->record->key = name.Value();
    state->record->layoutSize = layoutSize;
    ClassState& added = *state;
    classes_.push_back(std::move(state));
    classByKey_.emplace(name.Value(), &added);
    classByRecord_.emplace(added.record, &added);
    classTables_.insert(&added);
    return Class(this, added.record);
}

std::optional<Class> Database::FindClass(Key name) const {
    const auto it = classByKey_.find(name.Value());
    if (it == classByKey_.end()) {
        return std::nullopt;
    }
    return Class(const_cast<Database*>(this), it->second->record);
}

Class Database::GetClass(Key name) const {
    if (auto found = FindClass(name)) {
        return *found;
    }
    throw SandboxError("no class " + Quoted(name.Value()));
}

std::vector<Class> Database::Classes() const {
    std::vector<Class> result;
    for (const auto& state : classes_) {
        result.push_back(Class(const_cast<Database*>(this), state->record));
    }
    return result;
}

char* Database::CopyText(std::string_view text) {
    // An owned block is zeroed, so the copy ends with its NUL already.
    auto* copy = static_cast<char*>(AllocateOwned(text.size() + 1));
    std::copy(text.begin(), text.end(), copy);
    return copy;
}

// ---- the host's side -------------------------------------------------------

ClassRecord* Database::HostGetClass(uint32_t classKey) {
    if (classKey == lastClass_.key && lastClass_.state != nullptr) {
        return lastClass_.record;
    }
    ClassState* const* state = classByKey_.lookup(classKey);
    if (state == nullptr) {
        return nullptr;
    }
    lastClass_ = {.key = classKey, .record = (*state)->record, .state = *state};
    return (*state)->record;
}

CollectionRecord* Database::HostGetCollection(void* collectionTable, uint32_t collectionKey) {
    if ((collectionTable == lastClass_.state && collectionTable != nullptr) ||
        classTables_.contains(collectionTable)) {
        const ClassState& state = *static_cast<const ClassState*>(collectionTable);
        CollectionRecord* const* record = state.lookup.lookup(collectionKey);
        return record == nullptr ? nullptr : *record;
    }
    Complain("GetCollection: " + Hex(collectionTable) +
             " is not the first word of any class (was the class itself passed?)");
    return nullptr;
}

FieldDefinition* Database::HostGetFieldDefinition(void* classObject, uint32_t fieldKey) {
    ClassState* owner = ClassOfRecord(classObject);
    if (owner == nullptr) {
        Complain("GetFieldDefinition: " + Hex(classObject) + " is not a class");
        return nullptr;
    }
    FieldDefinition* const* definition = owner->definitionOf.lookup(fieldKey);
    return definition == nullptr ? nullptr : *definition;
}

void Database::HostConstructCollection(void* memory, void* classObject, void* parent, uint32_t key,
                                       uint32_t zero) {
    if (memory == nullptr) {
        Complain("ConstructCollection: no memory");
        return;
    }
    if (collections_.contains(memory) || ownedSet_.contains(memory) || givenSet_.contains(memory)) {
        Complain("ConstructCollection: memory at " + Hex(memory) + " was handed over before");
        return;
    }
    // The memory is the host's from now on, whatever else is wrong.
    givenCollections_.push_back(memory);
    givenSet_.insert(memory);

    const auto* bytes = static_cast<const uint8_t*>(memory);
    if (std::any_of(bytes, bytes + sizeof(CollectionRecord), [](uint8_t b) { return b != 0; })) {
        Complain("ConstructCollection: the memory for " + Quoted(key) + " is not zeroed");
    }
    if (zero != 0) {
        Complain("ConstructCollection: fourth argument is " + std::to_string(zero) + ", not 0");
    }
    ClassState* owner = ClassOfRecord(classObject);
    if (owner == nullptr) {
        Complain("ConstructCollection: " + Hex(classObject) + " is not a class");
        return;
    }
    auto* parentRecord = static_cast<CollectionRecord*>(parent);
    if (parent != nullptr) {
        const CollectionState* parentState = StateOf(parent);
        if (parentState == nullptr || parentState->owner != owner) {
            Complain("ConstructCollection: the parent of " + Quoted(key) +
                     " is not a collection of class " + Quoted(owner->record->key));
            return;
        }
    }
    // A key the class already has: the new collection takes the key over in
    // lookups; the old one lives on (its children still point at it) and is
    // still listed by Collections().
    Construct(static_cast<CollectionRecord*>(memory), *owner, parentRecord, key, true);
}

// ---- Class -----------------------------------------------------------------

ClassState& Class::State() const {
    return *record_->collectionTable;
}

Class& Class::Define(Key field, Key type) {
    State().Learn(field.Value());
    auto& slot = State().definitions[field.Value()];
    if (!slot) {
        slot = std::make_unique<FieldDefinition>();
        slot->key = field.Value();
        State().definitionOf.insert_or_assign(field.Value(), slot.get());
    }
    slot->typeKey = type.Value();
    return *this;
}

Class& Class::AddLayoutEntry(Key field, uint32_t offset, FieldShape shape) {
    if (offset >= record_->layoutSize) {
        throw SandboxError("layout offset " + std::to_string(offset) + " of " +
                           Quoted(field.Value()) + " is outside the " +
                           std::to_string(record_->layoutSize) + "-byte layout block of " +
                           Quoted(record_->key));
    }
    LayoutEntry entry{};
    entry.key = field.Value();
    entry.offset = offset;
    entry.flags = shape == FieldShape::Array ? kArrayFlag : 0;
    ClassState& state = State();
    state.Learn(field.Value());
    state.layout.push_back(entry);
    record_->layout = state.layout.data();
    record_->layoutCount = static_cast<uint32_t>(state.layout.size());
    return *this;
}

Class& Class::AddLayoutField(Key field, Key type, uint32_t offset, FieldShape shape) {
    return Define(field, type).AddLayoutEntry(field, offset, shape);
}

Collection Class::AddCollection(Key name) {
    return AddCollectionUnder(name, nullptr);
}

Collection Class::AddCollection(Key name, const Collection& parent) {
    if (parent.database_ != database_) {
        throw SandboxError("parent of " + Quoted(name.Value()) + " is not in this database");
    }
    return AddCollectionUnder(name, parent.Record());
}

Collection Class::AddCollectionUnder(Key name, CollectionRecord* parent) {
    ClassState& state = State();
    if (state.lookup.contains(name.Value())) {
        throw SandboxError("collection " + Quoted(record_->key) + "->" + Quoted(name.Value()) +
                           " exists already");
    }
    auto* record =
        static_cast<CollectionRecord*>(database_->AllocateOwned(sizeof(CollectionRecord)));
    database_->Construct(record, state, parent, name.Value(), false);
    return Collection(database_, record);
}

std::optional<Collection> Class::FindCollection(Key name) const {
    const ClassState& state = State();
    const auto it = state.lookup.find(name.Value());
    if (it == state.lookup.end()) {
        return std::nullopt;
    }
    return Collection(database_, it->second);
}

Collection Class::GetCollection(Key name) const {
    if (auto found = FindCollection(name)) {
        return *found;
    }
    throw SandboxError("no collection " + Quoted(record_->key) + "->" + Quoted(name.Value()));
}

std::vector<Collection> Class::Collections() const {
    std::vector<Collection> result;
    for (CollectionRecord* record : State().collections) {
        result.push_back(Collection(database_, record));
    }
    return result;
}

std::size_t Class::CollectionCount() const {
    return State().collections.size();
}

std::span<const LayoutEntry> Class::LayoutFields() const {
    return State().layout;
}

std::vector<FieldDefinition> Class::Definitions() const {
    std::vector<FieldDefinition> result;
    for (const auto& [key, definition] : State().definitions) {
        result.push_back(*definition);
    }
    return result;
}

Class& Class::NoteField(Key field, const FieldFacts& facts) {
    State().Learn(field.Value());
    State().facts.insert_or_assign(field.Value(), facts);
    return *this;
}

const FieldFacts* Class::FindFieldFacts(Key field) const {
    const ClassState& state = State();
    const auto it = state.facts.find(field.Value());
    return it == state.facts.end() ? nullptr : &it->second;
}

std::vector<uint32_t> Class::Fields() const {
    return State().fields;
}

// ---- Collection ------------------------------------------------------------

CollectionState& Collection::State() const {
    return *database_->StateOf(record_);
}

uint32_t Collection::GetKey() const {
    return record_->key;
}

Class Collection::GetClass() const {
    return Class(database_, record_->classObject);
}

std::optional<Collection> Collection::Parent() const {
    if (record_->parent == nullptr) {
        return std::nullopt;
    }
    return Collection(database_, record_->parent);
}

bool Collection::ConstructedByLibrary() const {
    return State().byLibrary;
}

Collection& Collection::SetEntry(Key field, uint32_t valueWord, uint8_t flags) {
    CollectionState& state = State();
    auto it = std::find_if(state.entries.begin(), state.entries.end(),
                           [&](const OwnEntry& e) { return e.key == field.Value(); });
    if (it == state.entries.end()) {
        state.entries.push_back(OwnEntry{});
        it = state.entries.end() - 1;
    }
    *it = OwnEntry{};
    it->key = field.Value();
    it->value = valueWord;
    it->flags = flags;
    state.SyncEntries();
    return *this;
}

Collection& Collection::SetOutOfLine(Key field, std::span<const uint8_t> bytes) {
    void* block = database_->AllocateOwned(bytes.size());
    std::copy(bytes.begin(), bytes.end(), static_cast<uint8_t*>(block));
    return SetEntry(field, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(block)));
}

Collection& Collection::SetArray(Key field, const ArraySpec& contents) {
    ArrayHeader* array = database_->AllocateArray(contents);
    return SetEntry(field, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(array)), kArrayFlag);
}

Collection& Collection::SetArrayRecord(Key field, std::span<const uint8_t> record) {
    if (record.size() < sizeof(ArrayHeader)) {
        throw SandboxError("an array record of " + std::to_string(record.size()) +
                           " bytes has no room for its header");
    }
    const auto header = ReadAs<ArrayHeader>(record.data());
    if (header.count > header.capacity ||
        record.size() != sizeof(ArrayHeader) + header.capacity * header.ElementSize()) {
        throw SandboxError("an array record of " + std::to_string(record.size()) +
                           " bytes does not hold its header's " + std::to_string(header.capacity) +
                           " slots of " + std::to_string(header.ElementSize()) + " bytes");
    }
    void* block = database_->AllocateOwned(record.size());
    std::copy(record.begin(), record.end(), static_cast<uint8_t*>(block));
    return SetEntry(field, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(block)), kArrayFlag);
}

Collection& Collection::WriteLayout(uint32_t offset, std::span<const uint8_t> bytes) {
    const std::span<uint8_t> block = LayoutBytes();
    if (offset > block.size() || bytes.size() > block.size() - offset) {
        throw SandboxError(std::to_string(bytes.size()) + " bytes at offset " +
                           std::to_string(offset) + " do not fit the " +
                           std::to_string(block.size()) + "-byte layout block of " +
                           Quoted(record_->key));
    }
    std::copy(bytes.begin(), bytes.end(), block.begin() + offset);
    return *this;
}

Collection& Collection::SetLayoutArray(Key field, const ArraySpec& contents) {
    // Built as a record of the database first, so that the checks and the
    // header are the same as for own-entry arrays, then copied into place.
    const ArrayHeader* array = database_->AllocateArray(contents);
    const std::size_t size = sizeof(ArrayHeader) + array->capacity * array->ElementSize();
    return WriteLayout(LayoutOffset(field),
                       std::span(reinterpret_cast<const uint8_t*>(array), size));
}

std::span<OwnEntry> Collection::OwnEntries() const {
    return State().entries;
}

OwnEntry* Collection::FindOwnEntry(Key field) const {
    for (OwnEntry& entry : OwnEntries()) {
        if (entry.key == field.Value()) {
            return &entry;
        }
    }
    return nullptr;
}

OwnEntry& Collection::GetOwnEntry(Key field) const {
    if (OwnEntry* entry = FindOwnEntry(field)) {
        return *entry;
    }
    throw SandboxError("collection " + Quoted(record_->key) + " has no own entry " +
                       Quoted(field.Value()));
}

void* Collection::EntryTarget(Key field) const {
    return reinterpret_cast<void*>(static_cast<uintptr_t>(GetOwnEntry(field).value));
}

std::span<uint8_t> Collection::LayoutBytes() const {
    return {record_->layoutBlock, record_->layoutBlock == nullptr ? 0u : GetClass().LayoutSize()};
}

uint32_t Collection::LayoutOffset(Key field) const {
    for (const LayoutEntry& entry : GetClass().LayoutFields()) {
        if (entry.key == field.Value()) {
            return entry.offset;
        }
    }
    throw SandboxError("class " + Quoted(record_->classObject->key) + " has no layout field " +
                       Quoted(field.Value()));
}

}  // namespace rakor::Sandbox
