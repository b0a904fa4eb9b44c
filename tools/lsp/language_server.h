// The language server's session: it takes the protocol's messages one by one, keeps the
// documents the editor opened, and answers through `send` (one JSON body a call). It parses
// each open document as ferrox-script check does and publishes what the check says.
#pragma once

#include "tools/lsp/check_findings.h"
#include "tools/lsp/code_page.h"
#include "tools/lsp/message_reader.h"
#include "tools/lsp/script_index.h"
#include "tools/lsp/text_document.h"

#include <chrono>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

// What one session may hold, whatever its client sends.
struct ServerLimits {
    size_t mostMessageBytes = 80u << 20;
    size_t mostDocuments = 256;
    size_t mostDocumentBytes = 64u << 20; // as the parse reads at most
    size_t mostTotalBytes = 256u << 20;
    size_t mostChangeWork = size_t(1) << 31; // changes in one message times the text's size
};

class LanguageServer {
public:
    LanguageServer(std::function<void(const std::string& body)> send, ServerLimits limits);
    ~LanguageServer();
    LanguageServer(const LanguageServer&) = delete;
    LanguageServer& operator=(const LanguageServer&) = delete;

    // Takes one message's body; false once the client said exit.
    bool Handle(const std::string& body);
    // Documents changed and not checked since.
    bool Pending() const;
    // A document has waited for its check as long as it may, whatever messages come.
    bool Overdue() const;
    // Checks them and publishes what the checks find, document by document; stops where
    // `newerInput` says that a message waits, which may change the text again, and drops the
    // result it was about to publish.
    void CheckPending(const std::function<bool()>& newerInput);
    // Answers what the reader could not make a message of.
    void Malformed(MessageReader::Result result);
    // The status to exit with: 0 after shutdown then exit, 1 otherwise.
    int ExitStatus() const { return shutDown_ ? 0 : 1; }
    const ServerLimits& Limits() const { return limits_; }

private:
    struct Document {
        TextDocument text;
        std::string path;  // of its file, as the parser opens it
        std::string bytes; // the text in the code page, as the parse reads it
        long version = 0;
        bool stale = false; // `bytes` are older than `text`
    };

    void Request(const nlohmann::json& message);
    void Notification(const nlohmann::json& message);
    nlohmann::json Initialize(const nlohmann::json& params);
    // Hover, definition, references, symbols and completion.
    void Feature(const nlohmann::json& id, const std::string& method, const nlohmann::json& params);
    // The index of the parse that reads `uri` as the editor checks it (through an open
    // includer where one reads it), and the name that parse gives its file.
    // The edits of whole-document or range formatting; null when the document is not open.
    nlohmann::json Format(const std::string& method, const nlohmann::json& params);
    const ScriptIndex& IndexFor(const std::string& uri, std::string* path);
    nlohmann::json Location(const IndexSpot& spot, std::map<std::string, TextDocument>& read);
    void Open(const nlohmann::json& params);
    void RefreshBytes(); // of the documents whose text changed
    void Change(const nlohmann::json& params);
    void Close(const nlohmann::json& params);
    // Parses what the change of `uri` concerns: the document, or the open ones that include it.
    // False when `newerInput` said that a message waits, before anything was published.
    bool Recheck(const std::string& uri,
                 const std::function<bool()>& newerInput = std::function<bool()>());
    bool Check(const std::string& uri,
               const std::function<bool()>& newerInput = std::function<bool()>());
    // The open documents whose last check read the document `uri`.
    std::set<std::string> Includers(const std::string& uri) const;
    // Drops the results of the check of `uri`: the files they were about.
    std::set<std::string> Forget(const std::string& uri);
    // Publishes the diagnostics of `targets`, gathered over every checked document.
    void Publish(const std::set<std::string>& targets);
    nlohmann::json Diagnostic(const CheckFinding& finding, const std::string& top,
                              std::map<std::string, TextDocument>& read);
    nlohmann::json Range(const CheckPlace& place, const std::string& uri,
                         std::map<std::string, TextDocument>& read);
    // The URI of a file the parse named; an open document's own where one is that file.
    std::string UriOfPath(const std::string& path) const;
    // The text of a file for placing diagnostics: the editor's, else the disk's.
    const TextDocument& TextOf(const std::string& uri, std::map<std::string, TextDocument>& read);
    Document* Find(const nlohmann::json& params, bool complain);
    void Send(const nlohmann::json& message);
    void Answer(const nlohmann::json& id, nlohmann::json result);
    void Refuse(const nlohmann::json& id, int code, const std::string& message);
    void Tell(int type, const std::string& message); // window/logMessage
    static bool Lend(const char* path, const void** bytes, size_t* size, void* context);

    std::function<void(const std::string&)> send_;
    ServerLimits limits_;
    CodePage codePage_ = CodePage::kWindows1252;
    bool initialized_ = false, shutDown_ = false;
    bool relatedInformation_ = false; // the client shows notes apart from the message
    std::map<std::string, Document> documents_;
    size_t totalBytes_ = 0;
    // Per checked document, the diagnostics of each file its check found faults in.
    std::map<std::string, std::map<std::string, nlohmann::json>> results_;
    // Per checked document, the files its check read, itself first.
    std::map<std::string, std::vector<std::string>> filesRead_;
    // Indexes of the checked documents' parses, made when asked for; any edit drops them.
    std::map<std::string, ScriptIndex> indexes_;
    using Clock = std::chrono::steady_clock;
    // How long the edits of a document may keep its check waiting.
    static constexpr std::chrono::milliseconds kLongestWait{300};
    std::map<std::string, Clock::time_point> dirty_; // changed, since when
};
