#include "tools/lsp/language_server.h"

#include "script/parser.h"
#include "tools/lsp/file_uri.h"
#include "tools/lsp/language_features.h"
#include "tools/lsp/server_json.h"
#include "vfs/file_name.h"

#include <algorithm>
#include <cstdio>

using nlohmann::json;

namespace {

// The protocol's error codes.
const int kParseError = -32700;
const int kInvalidRequest = -32600;
const int kMethodNotFound = -32601;
const int kInvalidParams = -32602;
const int kServerNotInitialized = -32002;

const int kMessageError = 1; // window/logMessage types
const int kMessageWarning = 2;

} // namespace

LanguageServer::LanguageServer(std::function<void(const std::string&)> send, ServerLimits limits)
    : send_(std::move(send)), limits_(limits) {
    SetScriptTextLookup(&LanguageServer::Lend, this);
}

LanguageServer::~LanguageServer() {
    SetScriptTextLookup(nullptr);
}

bool LanguageServer::Lend(const char* path, const void** bytes, size_t* size, void* context) {
    for (const auto& [uri, document] : static_cast<LanguageServer*>(context)->documents_) {
        if (vfsamepath(document.path.c_str(), path)) {
            *bytes = document.bytes.data();
            *size = document.bytes.size();
            return true;
        }
    }
    return false;
}

void LanguageServer::Send(const json& message) {
    // Bytes that are no UTF-8 (a file name from the disk) are sent as U+FFFD.
    send_(message.dump(-1, ' ', false, json::error_handler_t::replace));
}

void LanguageServer::Answer(const json& id, json result) {
    Send(json{{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}});
}

void LanguageServer::Refuse(const json& id, int code, const std::string& message) {
    Send(json{{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}});
}

void LanguageServer::Tell(int type, const std::string& message) {
    Send(json{{"jsonrpc", "2.0"},
              {"method", "window/logMessage"},
              {"params", {{"type", type}, {"message", message}}}});
}

void LanguageServer::Malformed(MessageReader::Result result) {
    Refuse(nullptr, kInvalidRequest,
           result == MessageReader::kTooLong
               ? "message longer than " + std::to_string(limits_.mostMessageBytes) +
                     " bytes: skipped"
               : "message header without a Content-Length: skipped");
}

bool LanguageServer::Handle(const std::string& body) {
    json message = json::parse(body, nullptr, false);
    if (message.is_discarded()) {
        Refuse(nullptr, kParseError, "the message is not JSON");
        return true;
    }
    bool hasId = message.is_object() && message.contains("id") &&
                 (message["id"].is_number_integer() || message["id"].is_string());
    if (!message.is_object() || !message.contains("method") || !message["method"].is_string()) {
        // An answer to a request of ours carries no method; the server sends none.
        if (!(message.is_object() && hasId && !message.contains("method"))) {
            Refuse(hasId ? message["id"] : json(nullptr), kInvalidRequest,
                   "a message must be an object with a method");
        }
        return true;
    }
    if (message["method"] == "exit") {
        return false;
    }
    if (!message.contains("params")) {
        message["params"] = json::object();
    }
    if (message.contains("id") && !hasId) {
        Refuse(nullptr, kInvalidRequest, "a request's id must be a number or a string");
        return true;
    }
    try {
        if (hasId) {
            Request(message);
        } else {
            Notification(message);
        }
    } catch (const json::exception& error) {
        std::string what =
            "bad parameters of " + message["method"].get<std::string>() + ": " + error.what();
        if (hasId) {
            Refuse(message["id"], kInvalidParams, what);
        } else {
            Tell(kMessageError, what);
        }
    }
    return true;
}

void LanguageServer::Request(const json& message) {
    const json& id = message["id"];
    const std::string method = message["method"];
    if (shutDown_) {
        Refuse(id, kInvalidRequest, "the server is shut down: only exit may follow");
    } else if (method == "initialize") {
        if (initialized_) {
            Refuse(id, kInvalidRequest, "initialize was sent already");
            return;
        }
        json result = Initialize(message["params"]);
        if (result.is_string()) {
            Refuse(id, kInvalidParams, result.get<std::string>());
            return;
        }
        initialized_ = true;
        Answer(id, result);
    } else if (!initialized_) {
        Refuse(id, kServerNotInitialized, "initialize must come first");
    } else if (method == "shutdown") {
        shutDown_ = true;
        Answer(id, nullptr);
    } else if (method == "textDocument/hover" || method == "textDocument/definition" ||
               method == "textDocument/references" || method == "textDocument/documentSymbol" ||
               method == "textDocument/completion") {
        Feature(id, method, message["params"]);
    } else if (method == "textDocument/formatting" || method == "textDocument/rangeFormatting") {
        json edits = Format(method, message["params"]);
        if (edits.is_null()) {
            std::string uri = message["params"].at("textDocument").at("uri");
            Refuse(id, kInvalidParams, "document not open: " + uri);
        } else {
            Answer(id, edits);
        }
    } else {
        Refuse(id, kMethodNotFound, "no such method: " + method);
    }
}

void LanguageServer::Notification(const json& message) {
    const std::string method = message["method"];
    const json& params = message["params"];
    if (!initialized_ || shutDown_) {
        return; // notifications before initialize, or after shutdown, are dropped
    }
    if (method == "textDocument/didOpen") {
        Open(params);
    } else if (method == "textDocument/didChange") {
        Change(params);
    } else if (method == "textDocument/didClose") {
        Close(params);
    }
}

json LanguageServer::Initialize(const json& params) {
    const json* options =
        params.contains("initializationOptions") ? &params["initializationOptions"] : nullptr;
    if (options && options->is_object() && options->contains("codePage")) {
        const json& page = (*options)["codePage"];
        if (!page.is_string() || !CodePageNamed(page.get<std::string>(), &codePage_)) {
            // The client's value is not written back: it may nest deeper than a dump may go.
            std::string given =
                page.is_string() ? "'" + page.get<std::string>() + "'" : "(no string)";
            return "unknown codePage " + given + ": windows-1252 (the default) or iso-8859-1";
        }
    }
    const json* diagnostics = nullptr;
    if (params.contains("capabilities") && params["capabilities"].is_object()) {
        const json& capabilities = params["capabilities"];
        auto path = json::json_pointer("/textDocument/publishDiagnostics/relatedInformation");
        diagnostics = capabilities.contains(path) ? &capabilities[path] : nullptr;
    }
    relatedInformation_ = diagnostics && diagnostics->is_boolean() && diagnostics->get<bool>();
    return {
        {"capabilities",
         {{"positionEncoding", "utf-16"},
          {"textDocumentSync", {{"openClose", true}, {"change", 2}}},
          {"hoverProvider", true},
          {"definitionProvider", true},
          {"referencesProvider", true},
          {"documentSymbolProvider", true},
          {"documentFormattingProvider", true},
          {"documentRangeFormattingProvider", true},
          {"completionProvider", {{"triggerCharacters", {"(", ","}}}}}},
        {"serverInfo", {{"name", "ferrox-script"}, {"version", FERROX_VERSION}}},
    };
}

LanguageServer::Document* LanguageServer::Find(const json& params, bool complain) {
    std::string uri = params.at("textDocument").at("uri");
    auto found = documents_.find(uri);
    if (found == documents_.end()) {
        if (complain) {
            Tell(kMessageError, "document not open: " + uri);
        }
        return nullptr;
    }
    return &found->second;
}

void LanguageServer::Feature(const json& id, const std::string& method, const json& params) {
    std::string uri = params.at("textDocument").at("uri");
    Document* document = Find(params, false);
    if (!document) {
        Refuse(id, kInvalidParams, "document not open: " + uri);
        return;
    }
    RefreshBytes();
    std::string path;
    const ScriptIndex& index = IndexFor(uri, &path);
    size_t offset = params.contains("position")
                        ? document->text.IndexOf(PositionFromJson(params["position"]))
                        : 0;
    std::map<std::string, TextDocument> read;
    FeatureContext context{
        index,
        path,
        document->bytes,
        uint32_t(offset),
        [&](const IndexSpot& spot) { return Location(spot, read); },
        [this](const std::string& bytes) { return MessageAsUtf8(bytes, codePage_); }};
    if (method == "textDocument/hover") {
        Answer(id, Hover(context));
    } else if (method == "textDocument/definition") {
        Answer(id, Definition(context));
    } else if (method == "textDocument/references") {
        bool declaration =
            params.contains("context") && params["context"].value("includeDeclaration", false);
        Answer(id, References(context, declaration));
    } else if (method == "textDocument/documentSymbol") {
        Answer(id, DocumentSymbols(context));
    } else {
        Answer(id, Completion(context));
    }
}

const ScriptIndex& LanguageServer::IndexFor(const std::string& uri, std::string* path) {
    const Document& document = documents_.at(uri);
    std::set<std::string> includers = Includers(uri);
    std::string top = includers.empty() ? uri : *includers.begin();
    *path = document.path;
    for (const std::string& read : filesRead_[top]) {
        if (vfsamepath(read.c_str(), document.path.c_str())) {
            *path = read; // as the parse names it
            break;
        }
    }
    auto found = indexes_.find(top);
    if (found == indexes_.end()) {
        const Document& parsed = documents_.at(top);
        found = indexes_.emplace(top, ScriptIndex::Build(parsed.path, parsed.bytes)).first;
    }
    return found->second;
}

json LanguageServer::Location(const IndexSpot& spot, std::map<std::string, TextDocument>& read) {
    std::string uri = UriOfPath(spot.path);
    const TextDocument& text = TextOf(uri, read);
    return {{"uri", uri},
            {"range",
             {{"start", PositionJson(text.PositionOfIndex(spot.at))},
              {"end", PositionJson(text.PositionOfIndex(spot.end))}}}};
}

void LanguageServer::Open(const json& params) {
    const json& item = params.at("textDocument");
    std::string uri = item.at("uri"), text = item.at("text"), path;
    if (!PathOfFileUri(uri, &path)) {
        Tell(kMessageWarning, "not a file: URI, not checked: " + uri);
        return;
    }
    if (documents_.count(uri)) {
        Tell(kMessageWarning, "document opened twice, the new text taken: " + uri);
        totalBytes_ -= documents_.at(uri).text.Text().size();
        documents_.erase(uri);
    }
    if (documents_.size() >= limits_.mostDocuments || text.size() > limits_.mostDocumentBytes ||
        totalBytes_ + text.size() > limits_.mostTotalBytes) {
        Tell(kMessageError, "too many documents open, or too large, not checked: " + uri);
        return;
    }
    std::string bytes = FromUtf8(text, codePage_);
    totalBytes_ += text.size();
    long version = item.at("version").get<long>();
    documents_.emplace(uri,
                       Document{TextDocument(std::move(text)), path, std::move(bytes), version});
    Recheck(uri);
}

void LanguageServer::Change(const json& params) {
    Document* document = Find(params, true);
    if (!document) {
        return;
    }
    // Each change rescans the text: a message of many changes to a large text is refused.
    const json& changes = params.at("contentChanges");
    std::string uri = params["textDocument"]["uri"];
    size_t before = document->text.Text().size();
    if (changes.size() * std::max<size_t>(before, 1) > limits_.mostChangeWork) {
        Tell(kMessageError, "too many changes at once to a document this large, closed: " + uri);
        Close(params);
        return;
    }
    for (const json& change : changes) {
        if (change.contains("range")) {
            const json& range = change["range"];
            document->text.Replace(PositionFromJson(range.at("start")),
                                   PositionFromJson(range.at("end")),
                                   change.at("text").get<std::string>());
        } else {
            document->text = TextDocument(change.at("text").get<std::string>());
        }
    }
    document->version = params["textDocument"].at("version").get<long>();
    size_t size = document->text.Text().size();
    if (size > limits_.mostDocumentBytes || totalBytes_ - before + size > limits_.mostTotalBytes) {
        Tell(kMessageError, "document too large, closed: " + uri);
        Close(params);
        return;
    }
    totalBytes_ += size - before;
    document->stale = true; // its bytes are made when a parse needs them
    indexes_.clear();
    // Checked once the edits pause (CheckPending), so that a burst of them costs one parse.
    dirty_.emplace(uri, Clock::now());
}

void LanguageServer::Close(const json& params) {
    if (!Find(params, true)) {
        return;
    }
    std::string uri = params["textDocument"]["uri"];
    std::set<std::string> includers = Includers(uri);
    indexes_.clear();
    dirty_.erase(uri);
    totalBytes_ -= documents_.at(uri).text.Text().size();
    documents_.erase(uri);
    filesRead_.erase(uri);
    std::set<std::string> targets = Forget(uri);
    targets.insert(uri);
    if (includers.empty()) {
        Publish(targets);
    }
    for (const std::string& includer : includers) {
        Check(includer); // which reads it from the disk now, and publishes what it finds
    }
}
