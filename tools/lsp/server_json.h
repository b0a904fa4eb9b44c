// The protocol's positions as JSON, read and written.
#pragma once

#include "tools/lsp/text_document.h"

#include <nlohmann/json.hpp>

inline nlohmann::json PositionJson(const TextPosition& position) {
    return {{"line", position.line}, {"character", position.character}};
}

// Throws nlohmann::json's exceptions where the position is malformed.
inline TextPosition PositionFromJson(const nlohmann::json& position) {
    TextPosition at;
    at.line = position.at("line").get<long>();
    at.character = position.at("character").get<long>();
    return at;
}
