// Ansible's coercions of option values, so that the module accepts what an
// Ansible module written in Python would accept.
#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>

namespace fleet {

// yes/no, true/false, on/off, y/n, t/f, 1/0 as text in any case, the numbers
// 1 and 0, or a JSON bool.
bool ansibleBool(const nlohmann::json& value, bool& result);

// A JSON string as it is; a number or bool as Python would print it. A list,
// a mapping or null is not text.
bool ansibleText(const nlohmann::json& value, std::string& result);

// Python's os.path.expanduser(os.path.expandvars(path)): $NAME and ${NAME}
// from the environment (unknown names stay as written), then a leading ~ or
// ~user.
std::string expandPath(const std::string& path);

// A JSON value's type in Ansible's words, for messages.
std::string typeName(const nlohmann::json& value);

// What a message shows of a value: its JSON text, or of a longer one the
// first kExcerptBound bytes (never a part of a character) and "...".
constexpr std::size_t kExcerptBound = 200;
std::string valueExcerpt(const nlohmann::json& value);
std::string textExcerpt(const std::string& text);

}  // namespace fleet
