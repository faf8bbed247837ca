#include "LspCommand.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>

#include <fmt/format.h>

#include "loader/Version.h"
#include "review/Completion.h"
#include "review/DatabaseSource.h"
#include "review/Hover.h"
#include "review/NameParts.h"
#include "review/PackNames.h"
#include "review/PackSession.h"
#include "review/TextLines.h"
#include "review/WordClasses.h"
#include "sandbox/Database.h"
#include "tools/lsp/Connection.h"
#include "tools/lsp/Dispatcher.h"
#include "tools/lsp/FileUri.h"
#include "tools/lsp/ResponseError.h"

namespace vxmod {
namespace fs = std::filesystem;
using lsp::Json;

namespace {

constexpr const char* kScriptFolderName = "AttribMods";
// The snapshot of the game's own database, which the loader writes when the
// modder asks for it: the best database there is for the game's scripts.
const fs::path kSnapshotDatabase = fs::path("VexaAttribLoader") / "snapshot" / "before.json";

// The kinds of words an editor is told to colour, in WordClass's order:
// the command, a class, a collection, a new collection (a collection
// declared), a field, a member, a number, a text, a comment.
const Json kTokenTypes = {"keyword",    "class",  "namespace", "property",
                          "enumMember", "number", "string",    "comment"};
constexpr int kTokenTypeOf[] = {0, 1, 2, 2, 3, 4, 5, 6, 7};

// The protocol's numbers for kinds of completions and symbols.
int CompletionKindOf(CompletionItem::Kind kind) {
    switch (kind) {
        case CompletionItem::Kind::Command:
            return 14;  // Keyword
        case CompletionItem::Kind::Class:
            return 7;  // Class
        case CompletionItem::Kind::Collection:
            return 9;  // Module
        case CompletionItem::Kind::Field:
            return 5;  // Field
        case CompletionItem::Kind::Member:
            return 20;  // EnumMember
        case CompletionItem::Kind::Subscript:
            return 21;  // Constant
        case CompletionItem::Kind::Value:
            break;
    }
    return 12;  // Value
}
constexpr int kSymbolStruct = 23;
constexpr int kSymbolField = 8;

// The severities as the protocol numbers them; a note is information.
int SeverityOf(Diagnostic::Severity severity) {
    switch (severity) {
        case Diagnostic::Severity::Error:
            return 1;
        case Diagnostic::Severity::Warning:
            return 2;
        case Diagnostic::Severity::Note:
            break;
    }
    return 3;
}

// An object put together member by member: a script's diagnostics run to
// thousands, and the braced lists of nlohmann/json copy every member they
// are given (two to three times the time of the whole list).
class JsonObject {
public:
    JsonObject& Add(const char* name, Json value) {
        object_.get_ref<Json::object_t&>().emplace(name, std::move(value));
        return *this;
    }
    Json Take() { return std::move(object_); }

private:
    Json object_ = Json(Json::value_t::object);
};

Json PositionJson(const TextPosition& position) {
    return JsonObject().Add("line", position.line).Add("character", position.column).Take();
}

Json RangeJson(const TextRange& range) {
    return JsonObject()
        .Add("start", PositionJson(range.start))
        .Add("end", PositionJson(range.end))
        .Take();
}

TextPosition PositionOf(const Json& position) {
    return {position.at("line").get<int>(), position.at("character").get<int>()};
}

TextRange RangeOf(const Json& range) {
    return {PositionOf(range.at("start")), PositionOf(range.at("end"))};
}

// The range of a finding's word in the script's text.
TextRange RangeOfFinding(const ScriptFinding& finding, const TextLines& lines) {
    if (finding.line <= 0) {
        return {};
    }
    const auto line = static_cast<std::size_t>(finding.line - 1);
    const std::string_view text = lines.Line(line);
    const int number = finding.line - 1;
    return {{number, ColumnOf(text, finding.word.from)}, {number, ColumnOf(text, finding.word.to)}};
}

bool Overlaps(const TextRange& a, const TextRange& b) {
    return !(a.end < b.start) && !(b.end < a.start);
}

// The messages that change what the pack's scripts hold, or end the session:
// a check under way gives way to them.
bool ChangesScripts(const Json& message) {
    static const std::set<std::string, std::less<>> methods = {"textDocument/didOpen",
                                                               "textDocument/didChange",
                                                               "textDocument/didClose",
                                                               "textDocument/didSave",
                                                               "workspace/didChangeWatchedFiles",
                                                               "shutdown",
                                                               "exit"};
    const auto method = message.find("method");
    return method != message.end() && method->is_string() &&
           methods.contains(method->get<std::string>());
}

class LanguageServer {
public:
    LanguageServer(const LspOptions& options, std::FILE* input, std::FILE* output)
        : options_(options), connection_(input, output), dispatcher_(connection_) {
        dispatcher_.OnRequest("initialize", [this](const Json& params, const lsp::RequestContext&) {
            return Initialize(params);
        });
        dispatcher_.OnNotification("initialized", [this](const Json&) { Initialized(); });
        dispatcher_.OnRequest(
            "shutdown", [](const Json&, const lsp::RequestContext&) { return Json(nullptr); });
        dispatcher_.OnNotification("textDocument/didOpen",
                                   [this](const Json& params) { DidOpen(params); });
        dispatcher_.OnNotification("textDocument/didChange",
                                   [this](const Json& params) { DidChange(params); });
        dispatcher_.OnNotification("textDocument/didClose",
                                   [this](const Json& params) { DidClose(params); });
        dispatcher_.OnNotification("textDocument/didSave", [this](const Json&) { Relist(); });
        dispatcher_.OnNotification("workspace/didChangeWatchedFiles",
                                   [this](const Json&) { Relist(); });
        dispatcher_.OnNotification("workspace/didChangeConfiguration", [](const Json&) {});
        const auto request = [this](const char* method, auto member) {
            dispatcher_.OnRequest(
                method, [this, member](const Json& params, const lsp::RequestContext& context) {
                    return (this->*member)(params, context);
                });
        };
        request("textDocument/completion", &LanguageServer::Completion);
        request("textDocument/hover", &LanguageServer::Hover);
        request("textDocument/definition", &LanguageServer::Definition);
        request("textDocument/references", &LanguageServer::References);
        request("textDocument/documentSymbol", &LanguageServer::DocumentSymbols);
        request("textDocument/semanticTokens/full", &LanguageServer::SemanticTokens);
        dispatcher_.OnRequest("textDocument/codeAction",
                              [this](const Json& params, const lsp::RequestContext& context) {
                                  return CodeActions(params, context);
                              });
    }

    int Serve() {
        return dispatcher_.Run([this] { CheckWhatChanged(); });
    }

private:
    Json Initialize(const Json& params) {
        std::optional<fs::path> root;
        if (params.contains("rootUri") && params["rootUri"].is_string()) {
            root = lsp::PathOfUri(params["rootUri"].get<std::string>());
        } else if (params.contains("workspaceFolders") && params["workspaceFolders"].is_array() &&
                   !params["workspaceFolders"].empty()) {
            root = lsp::PathOfUri(params["workspaceFolders"][0].at("uri").get<std::string>());
        } else if (params.contains("rootPath") && params["rootPath"].is_string()) {
            root = fs::path(params["rootPath"].get<std::string>());
        }
        std::optional<fs::path> requested = options_.database;
        const Json options = params.value("initializationOptions", Json::object());
        if (!requested && options.is_object() && options.contains("database") &&
            options["database"].is_string() && !options["database"].get<std::string>().empty()) {
            requested = fs::path(options["database"].get<std::string>());
            if (requested->is_relative() && root) {
                requested = *root / *requested;
            }
        }
        if (requested) {
            requested = fs::absolute(*requested);
        }
        std::optional<fs::path> scriptFolder;
        std::optional<fs::path> gameFolder;
        if (root) {
            const bool isScriptFolder = root->filename() == kScriptFolderName;
            gameFolder = isScriptFolder ? root->parent_path() : *root;
            scriptFolder = isScriptFolder ? *root : *root / kScriptFolderName;
        }
        if (!requested && gameFolder && fs::is_regular_file(*gameFolder / kSnapshotDatabase)) {
            requested = *gameFolder / kSnapshotDatabase;
        }
        LoadDatabase(requested, gameFolder);
        source_ = "vxmod: " + label_;
        // The hash list is read from the game's folder, as the game and vxmod
        // run read it; the server reads every other file by its full path.
        std::error_code ignored;
        if (gameFolder && fs::is_directory(*gameFolder, ignored)) {
            fs::current_path(*gameFolder, ignored);
        }
        session_ = std::make_unique<PackSession>(*database_, example_);
        std::error_code error;
        if (scriptFolder && fs::is_directory(*scriptFolder, error)) {
            session_->SetScriptFolder(*scriptFolder);
        }
        const Json completion = params.value("capabilities", Json::object())
                                    .value("textDocument", Json::object())
                                    .value("completion", Json::object())
                                    .value("completionItem", Json::object());
        snippets_ = completion.value("snippetSupport", false);
        return {{"capabilities",
                 {{"positionEncoding", "utf-16"},
                  {"textDocumentSync",
                   {{"openClose", true}, {"change", 2}, {"save", {{"includeText", false}}}}},
                  {"codeActionProvider", {{"codeActionKinds", Json::array({"quickfix"})}}},
                  {"completionProvider", {{"triggerCharacters", Json::array({" ", "["})}}},
                  {"hoverProvider", true},
                  {"definitionProvider", true},
                  {"referencesProvider", true},
                  {"documentSymbolProvider", true},
                  {"semanticTokensProvider",
                   {{"legend", {{"tokenTypes", kTokenTypes}, {"tokenModifiers", {"declaration"}}}},
                    {"full", true}}}}},
                {"serverInfo", {{"name", "vxmod"}, {"version", rakor::kProductVersion}}}};
    }

    // The database named, else the example; a database that cannot be used
    // is said so, and the example stands in.
    void LoadDatabase(const std::optional<fs::path>& file, const std::optional<fs::path>& game) {
        database_.reset();
        if (file) {
            database_.emplace();
            std::ostringstream why;
            if (vxmod::LoadDatabase(*database_, file, why)) {
                std::error_code error;
                const fs::path relative = game ? fs::relative(*file, *game, error) : fs::path();
                const fs::path shown =
                    !relative.empty() && !error && *relative.begin() != ".." ? relative : *file;
                label_ = fmt::format("'{}'", rakor::ScriptRunner::DisplayPath(shown));
                example_ = false;
                return;
            }
            problem_ = why.str();
            while (!problem_.empty() && problem_.back() == '\n') {
                problem_.pop_back();
            }
            database_.reset();
        }
        database_.emplace();
        std::ostringstream why;
        vxmod::LoadDatabase(*database_, std::nullopt, why);
        label_ = "the example database built into vxmod";
        example_ = true;
    }

    void Initialized() {
        if (!problem_.empty()) {
            ShowMessage(lsp::MessageType::Error,
                        problem_ + "; checking against the example database built into vxmod");
        }
        ShowMessage(lsp::MessageType::Info,
                    fmt::format("vxmod checks the scripts against {}{}.", label_,
                                example_ ? " (--db FILE, or the setting for the database file, "
                                           "names another)"
                                         : ""));
    }

    void ShowMessage(lsp::MessageType type, const std::string& text) {
        connection_.Notify("window/showMessage",
                           {{"type", static_cast<int>(type)}, {"message", text}});
    }

    std::optional<fs::path> DocumentPath(const Json& params) {
        const std::string uri = params.at("textDocument").at("uri").get<std::string>();
        std::optional<fs::path> path = lsp::PathOfUri(uri);
        if (!path) {
            connection_.Log(lsp::MessageType::Warning,
                            fmt::format("'{}' is no file: only files are checked", uri));
            return std::nullopt;
        }
        path = path->lexically_normal();
        uris_[*path] = uri;
        return path;
    }

    void DidOpen(const Json& params) {
        const std::optional<fs::path> path = DocumentPath(params);
        if (!path) {
            return;
        }
        // Without a workspace, the AttribMods folder the script lies in is the pack.
        if (!session_->ScriptFolder()) {
            for (fs::path folder = path->parent_path(); folder.has_relative_path();
                 folder = folder.parent_path()) {
                if (folder.filename() == kScriptFolderName) {
                    session_->SetScriptFolder(folder);
                    break;
                }
            }
        }
        const Json& document = params.at("textDocument");
        versions_[*path] = document.value("version", 0);
        session_->SetEditorText(*path, document.at("text").get<std::string>());
    }

    void DidChange(const Json& params) {
        const std::optional<fs::path> path = DocumentPath(params);
        if (!path) {
            return;
        }
        const PackSession::Script* script = session_->Find(*path);
        if (script == nullptr || !script->editorText) {
            connection_.Log(lsp::MessageType::Warning,
                            fmt::format("a change of '{}', which is not open: ignored",
                                        rakor::ScriptRunner::DisplayPath(*path)));
            return;
        }
        std::string text = *script->editorText;
        for (const Json& change : params.at("contentChanges")) {
            const std::string with = change.at("text").get<std::string>();
            if (change.contains("range")) {
                ReplaceRange(text, RangeOf(change["range"]), with);
            } else {
                text = with;
            }
        }
        versions_[*path] = params.at("textDocument").value("version", 0);
        session_->SetEditorText(*path, std::move(text));
    }

    void DidClose(const Json& params) {
        if (const std::optional<fs::path> path = DocumentPath(params)) {
            versions_.erase(*path);
            session_->DropEditorText(*path);
        }
    }

    void Relist() {
        if (session_ && session_->ScriptFolder()) {
            session_->Relist();
        }
    }

    void CheckWhatChanged() {
        if (session_) {
            CheckAndPublish([this] { return connection_.AnyWaiting(ChangesScripts); });
        }
    }

    // What a request answers from the findings waits for their check; a
    // cancellation meanwhile answers it as cancelled.
    void CheckFor(const lsp::RequestContext& context) {
        CheckAndPublish(
            [&] { return context.Cancelled() || connection_.AnyWaiting(ChangesScripts); });
        context.ThrowIfCancelled();
    }

    void CheckAndPublish(const std::function<bool()>& stop) {
        if (!session_->Check(stop)) {
            return;  // newer edits first
        }
        for (const fs::path& gone : session_->TakeRemoved()) {
            Publish(gone, Json::array(), std::nullopt);
        }
        for (const PackSession::Script* script : session_->TakeChanged()) {
            Json diagnostics = Json::array();
            auto& list = diagnostics.get_ref<Json::array_t&>();
            list.reserve(script->shown.size());
            const TextLines lines(script->text ? std::string_view(*script->text) : "");
            for (const ScriptFinding& finding : script->shown) {
                list.push_back(DiagnosticJson(finding, lines));
            }
            const auto version = versions_.find(script->path);
            Publish(
                script->path, std::move(diagnostics),
                version != versions_.end() ? std::optional<int>(version->second) : std::nullopt);
        }
    }

    Json DiagnosticJson(const ScriptFinding& finding, const TextLines& lines) const {
        return JsonObject()
            .Add("range", RangeJson(RangeOfFinding(finding, lines)))
            .Add("severity", SeverityOf(finding.severity))
            .Add("source", source_)
            .Add("message", finding.message)
            .Take();
    }

    std::string UriOf(const fs::path& path) const {
        const auto known = uris_.find(path);
        return known != uris_.end() ? known->second : lsp::UriOfPath(path);
    }

    void Publish(const fs::path& path, Json diagnostics, std::optional<int> version) {
        Json params = {{"uri", UriOf(path)}, {"diagnostics", std::move(diagnostics)}};
        if (version) {
            params["version"] = *version;
        }
        connection_.Notify("textDocument/publishDiagnostics", std::move(params));
    }

    // The script a request is about, and the place in it as bytes of a line.
    struct Place {
        const PackSession::Script* script = nullptr;
        std::size_t line = 0;
        std::size_t at = 0;
    };
    std::optional<Place> PlaceOf(const Json& params) {
        const std::optional<fs::path> path = DocumentPath(params);
        const PackSession::Script* script = path ? session_->Find(*path) : nullptr;
        if (script == nullptr || !script->text) {
            return std::nullopt;
        }
        const TextPosition position = PositionOf(params.at("position"));
        if (position.line < 0) {
            return std::nullopt;
        }
        const TextLines lines(*script->text);
        const auto line = static_cast<std::size_t>(position.line);
        return Place{script, line, ByteOfColumn(lines.Line(line), position.column)};
    }

    static TextRange RangeOfWord(const TextLines& lines, std::size_t line, const WordSpan& word) {
        const std::string_view text = lines.Line(line);
        const int number = static_cast<int>(line);
        return {{number, ColumnOf(text, word.from)}, {number, ColumnOf(text, word.to)}};
    }

    Json Completion(const Json& params, const lsp::RequestContext&) {
        const std::optional<Place> place = PlaceOf(params);
        if (!place) {
            return nullptr;
        }
        const Completions completions =
            CompleteAt(*session_, *place->script, place->line, place->at);
        const TextRange replaced =
            RangeOfWord(TextLines(*place->script->text), place->line, completions.replaced);
        Json items = Json::array();
        for (const CompletionItem& item : completions.items) {
            // A command with its arguments to fill in, where the editor takes snippets.
            std::string text = item.label;
            const bool snippet = snippets_ && !item.arguments.empty();
            for (std::size_t i = 0; snippet && i < item.arguments.size(); ++i) {
                text += fmt::format(" ${{{}:{}}}", i + 1, item.arguments[i]);
            }
            Json json = {{"label", item.label},
                         {"kind", CompletionKindOf(item.kind)},
                         {"detail", item.detail},
                         {"textEdit", {{"range", RangeJson(replaced)}, {"newText", text}}},
                         {"insertTextFormat", snippet ? 2 : 1}};
            if (!item.documentation.empty()) {
                json["documentation"] = {{"kind", "markdown"}, {"value", item.documentation}};
            }
            items.push_back(std::move(json));
        }
        return {{"isIncomplete", false}, {"items", std::move(items)}};
    }

    Json Hover(const Json& params, const lsp::RequestContext&) {
        const std::optional<Place> place = PlaceOf(params);
        if (!place) {
            return nullptr;
        }
        const std::optional<HoverText> hover =
            HoverAt(*session_, *place->script, place->line, place->at);
        if (!hover) {
            return nullptr;
        }
        return {{"contents", {{"kind", "markdown"}, {"value", hover->markdown}}},
                {"range", RangeJson(RangeOfWord(TextLines(*place->script->text), place->line,
                                                hover->word))}};
    }

    Json Locations(const std::vector<NamePlace>& places) const {
        Json locations = Json::array();
        for (const NamePlace& place : places) {
            locations.push_back({{"uri", UriOf(place.script->path)},
                                 {"range", RangeJson(RangeOfWord(TextLines(*place.script->text),
                                                                 place.line, place.word))}});
        }
        return locations;
    }

    std::optional<WrittenName> NameAtPlace(const Json& params) {
        const std::optional<Place> place = PlaceOf(params);
        if (!place) {
            return std::nullopt;
        }
        const TextLines lines(*place->script->text);
        const auto name = NameAt(lines.Line(place->line), place->at);
        return name ? std::optional<WrittenName>(name->first) : std::nullopt;
    }

    // Where add_node or copy_node makes the collection, in any script.
    Json Definition(const Json& params, const lsp::RequestContext&) {
        const std::optional<WrittenName> name = NameAtPlace(params);
        if (!name || name->kind != WrittenName::Kind::Collection) {
            return nullptr;
        }
        return Locations(PlacesOf(*session_, *name, /*madeOnly=*/true));
    }

    Json References(const Json& params, const lsp::RequestContext&) {
        const std::optional<WrittenName> name = NameAtPlace(params);
        if (!name) {
            return nullptr;
        }
        return Locations(PlacesOf(*session_, *name, /*madeOnly=*/false));
    }

    static Json SymbolJson(const ScriptSymbol& symbol, const TextLines& lines) {
        const int first = static_cast<int>(symbol.firstLine);
        const int last = static_cast<int>(symbol.lastLine);
        Json json = {
            {"name", symbol.name},
            {"kind", symbol.collection ? kSymbolStruct : kSymbolField},
            {"range",
             RangeJson(
                 {{first, 0}, {last, ColumnOf(lines.Line(symbol.lastLine), std::string::npos)}})},
            {"selectionRange", RangeJson(RangeOfWord(lines, symbol.firstLine, symbol.word))}};
        if (!symbol.detail.empty()) {
            json["detail"] = symbol.detail;
        }
        if (!symbol.children.empty()) {
            json["children"] = Json::array();
            for (const ScriptSymbol& child : symbol.children) {
                json["children"].push_back(SymbolJson(child, lines));
            }
        }
        return json;
    }

    Json DocumentSymbols(const Json& params, const lsp::RequestContext&) {
        const std::optional<fs::path> path = DocumentPath(params);
        const PackSession::Script* script = path ? session_->Find(*path) : nullptr;
        Json symbols = Json::array();
        if (script == nullptr || !script->text) {
            return symbols;
        }
        const TextLines lines(*script->text);
        for (const ScriptSymbol& symbol : SymbolsOf(*script->text)) {
            symbols.push_back(SymbolJson(symbol, lines));
        }
        return symbols;
    }

    // Each word as five numbers, its place told from the word before.
    Json SemanticTokens(const Json& params, const lsp::RequestContext&) {
        const std::optional<fs::path> path = DocumentPath(params);
        const PackSession::Script* script = path ? session_->Find(*path) : nullptr;
        Json data = Json::array();
        if (script != nullptr && script->text) {
            const TextLines lines(*script->text);
            int lastLine = 0;
            int lastStart = 0;
            for (const ClassifiedWord& word : ClassifyWords(*script->text)) {
                const TextRange range = RangeOfWord(lines, word.line, word.word);
                const int line = range.start.line;
                data.push_back(line - lastLine);
                data.push_back(range.start.column - (line == lastLine ? lastStart : 0));
                data.push_back(range.end.column - range.start.column);
                data.push_back(kTokenTypeOf[static_cast<int>(word.what)]);
                data.push_back(word.what == WordClass::NewCollection ? 1 : 0);
                lastLine = line;
                lastStart = range.start.column;
            }
        }
        return {{"data", std::move(data)}};
    }

    // A quick fix for every name a finding in the range says was probably meant.
    Json CodeActions(const Json& params, const lsp::RequestContext& context) {
        Json actions = Json::array();
        const std::optional<fs::path> path = DocumentPath(params);
        const TextRange asked = RangeOf(params.at("range"));
        CheckFor(context);
        const PackSession::Script* script = path ? session_->Find(*path) : nullptr;
        if (script == nullptr || !script->text) {
            return actions;
        }
        const TextLines lines(*script->text);
        for (const ScriptFinding& finding : script->shown) {
            const TextRange range = RangeOfFinding(finding, lines);
            if (finding.line <= 0 || !Overlaps(range, asked)) {
                continue;
            }
            const std::string_view line = lines.Line(static_cast<std::size_t>(finding.line - 1));
            const std::string_view word =
                line.substr(finding.word.from, finding.word.to - finding.word.from);
            for (const std::string& meant : MeantInMessage(finding.message)) {
                Json edit = {{"range", RangeJson(range)}, {"newText", meant}};
                actions.push_back(
                    {{"title", fmt::format("Replace '{}' with '{}'", word, meant)},
                     {"kind", "quickfix"},
                     {"diagnostics", Json::array({DiagnosticJson(finding, lines)})},
                     {"isPreferred", actions.empty()},
                     {"edit", {{"changes", {{UriOf(script->path), Json::array({edit})}}}}}});
            }
        }
        return actions;
    }

    LspOptions options_;
    lsp::Connection connection_;
    lsp::Dispatcher dispatcher_;
    std::optional<rakor::Sandbox::Database> database_;
    std::string label_;
    // Every diagnostic's source: which database the scripts are checked against.
    Json source_;
    bool example_ = true;
    std::string problem_;
    std::unique_ptr<PackSession> session_;
    std::map<fs::path, std::string> uris_;
    std::map<fs::path, int> versions_;
    bool snippets_ = false;
};

}  // namespace

int RunLspCommand(const LspOptions& options, std::FILE* input, std::FILE* output) {
    LanguageServer server(options, input, output);
    return server.Serve();
}

}  // namespace vxmod
