// The nesting bound: values at the bound parse whole, one level more is
// refused however deep it goes, and other faults stay parse errors.
#include "ansible/module/bounded_json.h"

#include <gtest/gtest.h>

namespace fleet {
namespace {

using nlohmann::json;

// levels lists or mappings, each the only thing in the one around it.
std::string nested(int levels, bool mappings, const std::string& inside = "1") {
  std::string text;
  for (int i = 0; i < levels; ++i) text += mappings ? "{\"a\":" : "[";
  text += inside;
  for (int i = 0; i < levels; ++i) text += mappings ? "}" : "]";
  return text;
}

TEST(BoundedJson, AtTheBoundAndOnePast) {
  for (const bool mappings : {false, true}) {
    json value;
    const std::string atBound = nested(64, mappings);
    ASSERT_EQ(parseBoundedJson(atBound, 64, value), JsonParse::parsed) << mappings;
    EXPECT_EQ(value.dump(), atBound);
    EXPECT_EQ(parseBoundedJson(nested(65, mappings), 64, value), JsonParse::tooDeep) << mappings;
    EXPECT_TRUE(value.is_null()) << "nothing of a refused value is kept";
  }
}

TEST(BoundedJson, DepthCountsListsAndMappingsTogether) {
  const struct {
    const char* text;
    int maxDepth;
    JsonParse expected;
  } cases[] = {
      {"3", 0, JsonParse::parsed},
      {"[]", 0, JsonParse::tooDeep},
      {"{\"a\":1,\"b\":\"[[[\"}", 1, JsonParse::parsed},
      {"{\"a\":[]}", 1, JsonParse::tooDeep},
      {"{\"a\":{}}", 2, JsonParse::parsed},
      {"[{\"a\":[1]}]", 2, JsonParse::tooDeep},
      {"[{\"a\":[1]}]", 3, JsonParse::parsed},
      {"{\"a\":[],\"b\":{\"c\":[[]]}}", 3, JsonParse::tooDeep},
  };
  for (const auto& c : cases) {
    json value;
    EXPECT_EQ(parseBoundedJson(c.text, c.maxDepth, value), c.expected) << c.text;
  }
}

// Sixty thousand levels are what once overflowed the stack when printed.
TEST(BoundedJson, FarTooDeepIsRefusedWithoutBuildingIt) {
  for (const bool mappings : {false, true}) {
    json value;
    EXPECT_EQ(parseBoundedJson("{\"x\":" + nested(60000, mappings) + "}", 64, value), JsonParse::tooDeep);
    EXPECT_EQ(parseBoundedJson(nested(60000, mappings, "") + "]", 64, value), JsonParse::tooDeep)
        << "the bound is reached before the text is found broken";
  }
}

TEST(BoundedJson, OtherFaultsAreNoJson) {
  for (const std::string& text :
       {std::string(""), std::string("{\"a\":"), std::string("{\"a\":\"\xff\"}"),
        std::string("{\"a\":\"x\0y\"}", 11), std::string("{\"a\":1e400}"), std::string("{\"a\":1} x")}) {
    json value;
    EXPECT_EQ(parseBoundedJson(text, 64, value), JsonParse::notJson) << text;
  }
}

}  // namespace
}  // namespace fleet
