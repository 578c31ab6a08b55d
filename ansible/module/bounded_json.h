// JSON text parsed with a bound on how deep lists and mappings nest. The
// library prints, compares and copies a value by recursion, so a value that
// nests without a bound could overflow the stack; past the bound the value is
// never built.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace fleet {

enum class JsonParse { parsed, notJson, tooDeep };

// maxDepth counts the outermost list or mapping as 1; a scalar is 0 deep.
JsonParse parseBoundedJson(const std::string& text, int maxDepth, nlohmann::json& value);

}  // namespace fleet
