// Ansible's coercions of option values.
#include "ansible/module/ansible_types.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace fleet {

namespace {

bool isNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }

// $NAME or ${NAME} at text[at]; false when it is not a known variable.
bool expandVariable(const std::string& text, size_t& at, std::string& out) {
  const bool braced = at + 1 < text.size() && text[at + 1] == '{';
  const size_t nameStart = at + (braced ? 2 : 1);
  size_t nameEnd = nameStart;
  while (nameEnd < text.size() && isNameChar(text[nameEnd])) ++nameEnd;
  if (nameEnd == nameStart) return false;
  if (braced && (nameEnd >= text.size() || text[nameEnd] != '}')) return false;
  const char* value = std::getenv(text.substr(nameStart, nameEnd - nameStart).c_str());
  if (value == nullptr) return false;
  out += value;
  at = nameEnd + (braced ? 1 : 0);
  return true;
}

std::string expandVariables(const std::string& text) {
  std::string out;
  size_t at = 0;
  while (at < text.size()) {
    if (text[at] == '$' && expandVariable(text, at, out)) continue;
    out += text[at++];
  }
  return out;
}

std::string expandUser(const std::string& path) {
  if (path.empty() || path[0] != '~') return path;
  const size_t slash = path.find('/');
  const std::string user = path.substr(1, slash == std::string::npos ? std::string::npos : slash - 1);
  const char* home = nullptr;
  if (user.empty()) {
    home = std::getenv("HOME");
    if (home == nullptr) {
      const passwd* entry = getpwuid(getuid());
      if (entry != nullptr) home = entry->pw_dir;
    }
  } else {
    const passwd* entry = getpwnam(user.c_str());
    if (entry != nullptr) home = entry->pw_dir;
  }
  if (home == nullptr) return path;
  std::string result = home;
  if (slash != std::string::npos) {
    // "~/x" with HOME "/" gives "/x", not "//x".
    if (!result.empty() && result.back() == '/') result.pop_back();
    result += path.substr(slash);
  }
  return result.empty() ? "/" : result;
}

}  // namespace

bool ansibleBool(const nlohmann::json& value, bool& result) {
  if (value.is_boolean()) {
    result = value.get<bool>();
    return true;
  }
  if (value.is_number()) {
    const double number = value.get<double>();
    if (number != 1.0 && number != 0.0) return false;
    result = number == 1.0;
    return true;
  }
  if (!value.is_string()) return false;
  std::string text = value.get<std::string>();
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  const size_t first = text.find_first_not_of(" \t\n\r\f\v");
  const size_t last = text.find_last_not_of(" \t\n\r\f\v");
  text = first == std::string::npos ? "" : text.substr(first, last - first + 1);
  for (const char* word : {"y", "yes", "on", "1", "true", "t"}) {
    if (text == word) {
      result = true;
      return true;
    }
  }
  for (const char* word : {"n", "no", "off", "0", "false", "f"}) {
    if (text == word) {
      result = false;
      return true;
    }
  }
  return false;
}

bool ansibleText(const nlohmann::json& value, std::string& result) {
  if (value.is_string()) {
    result = value.get<std::string>();
    return true;
  }
  if (value.is_boolean()) {
    result = value.get<bool>() ? "True" : "False";
    return true;
  }
  if (value.is_number()) {
    result = value.dump();
    return true;
  }
  return false;
}

std::string expandPath(const std::string& path) { return expandUser(expandVariables(path)); }

std::string typeName(const nlohmann::json& value) {
  if (value.is_string()) return "str";
  if (value.is_boolean()) return "bool";
  if (value.is_number_float()) return "float";
  if (value.is_number()) return "int";
  if (value.is_array()) return "list";
  if (value.is_object()) return "dict";
  return "NoneType";
}

std::string textExcerpt(const std::string& text) {
  if (text.size() <= kExcerptBound) return text;
  std::size_t cut = kExcerptBound;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return text.substr(0, cut) + "...";
}

// The value's depth is bounded by the parser, so its printing is too.
std::string valueExcerpt(const nlohmann::json& value) {
  return textExcerpt(value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

}  // namespace fleet
