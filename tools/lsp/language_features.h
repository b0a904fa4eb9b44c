// The answers to an editor's questions about a place in a document, from the index of its
// parse: hover, go to definition, find references, document symbols and completion.
#pragma once

#include "tools/lsp/script_index.h"

#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>

struct FeatureContext {
    const ScriptIndex& index;
    const std::string& path;  // the document's file, as the parse named it
    const std::string& bytes; // its text, as the parse read it
    uint32_t offset;          // the byte at the cursor
    // The protocol's Location of a spot in a file of the parse.
    std::function<nlohmann::json(const IndexSpot& spot)> location;
    // Words of the files (code page bytes) as UTF-8.
    std::function<std::string(const std::string& bytes)> utf8;
};

nlohmann::json Hover(const FeatureContext& context);
nlohmann::json Definition(const FeatureContext& context);
nlohmann::json References(const FeatureContext& context, bool withDeclaration);
nlohmann::json DocumentSymbols(const FeatureContext& context);
nlohmann::json Completion(const FeatureContext& context);
