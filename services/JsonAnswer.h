#pragma once

#include <nlohmann/json.hpp>

#include <string>

// A service's JSON answer, parsed within bounds: values nested deeper than
// maxJsonDepth, or past the first maxJsonValues, are never built, so no
// answer can make a copy, a comparison or the freeing of the value recurse
// without bound, nor fill memory with millions of small values. Discarded
// (is_discarded()) when the text is not JSON or passes a bound.
nlohmann::json ParseJsonAnswer(const std::string& text);

// Far beyond any answer of the services (the deepest nests four levels; a
// search of 500 hits has some ten thousand values).
constexpr int maxJsonDepth = 64;
constexpr size_t maxJsonValues = 1'000'000;
