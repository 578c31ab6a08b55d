// Parsing JSON with a nesting bound, through the parser's callback.
#include "ansible/module/bounded_json.h"

namespace fleet {

JsonParse parseBoundedJson(const std::string& text, int maxDepth, nlohmann::json& value) {
  using nlohmann::json;
  bool tooDeep = false;
  // The callback sees a list or mapping open with the number of those around
  // it; refusing it keeps it and everything inside it out of the value, and
  // the parser itself keeps its own stack on the heap.
  const json::parser_callback_t bound = [&tooDeep, maxDepth](int around, json::parse_event_t event, json&) {
    if (event != json::parse_event_t::object_start && event != json::parse_event_t::array_start) return true;
    if (around < maxDepth) return true;
    tooDeep = true;
    return false;
  };
  value = json::parse(text, bound, false);
  if (tooDeep) {
    value = nullptr;
    return JsonParse::tooDeep;
  }
  return value.is_discarded() ? JsonParse::notJson : JsonParse::parsed;
}

}  // namespace fleet
