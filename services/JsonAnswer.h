#pragma once

#include <nlohmann/json.hpp>

#include <string>

// A service's JSON answer, parsed with a bound on its nesting: values
// nested deeper than maxJsonDepth are never built, so no answer can make a
// copy, a comparison or the freeing of the value recurse without bound.
// Discarded (is_discarded()) when the text is not JSON or nests deeper.
nlohmann::json ParseJsonAnswer(const std::string& text);

// Far beyond any answer of the services (the deepest nests four levels).
constexpr int maxJsonDepth = 64;
