// Ansible's coercions: the values a playbook may write for a bool or a path.
#include "ansible/module/ansible_types.h"

#include <gtest/gtest.h>

#include "testing/test_support.h"

namespace fleet {
namespace {

using nlohmann::json;

TEST(AnsibleBool, AcceptsEveryFormAnsibleAccepts) {
  const struct {
    json value;
    bool expected;
  } cases[] = {
      {true, true},   {false, false}, {"yes", true},  {"no", false},    {"YES", true},
      {" On ", true}, {"off", false}, {"True", true}, {"false", false}, {"y", true},
      {"n", false},   {"t", true},    {"F", false},   {"1", true},      {"0", false},
      {1, true},      {0, false},     {1.0, true},    {0.0, false},
  };
  for (const auto& c : cases) {
    bool result = !c.expected;
    EXPECT_TRUE(ansibleBool(c.value, result)) << c.value.dump();
    EXPECT_EQ(result, c.expected) << c.value.dump();
  }
}

TEST(AnsibleBool, RefusesWhatIsNoBool) {
  for (const json& value : {json("maybe"), json(""), json(2), json(-1), json(0.5), json::array({true}),
                            json::object({{"a", 1}}), json(nullptr)}) {
    bool result = false;
    EXPECT_FALSE(ansibleBool(value, result)) << value.dump();
  }
}

TEST(AnsibleText, ConvertsScalarsAsPythonPrintsThem) {
  std::string text;
  ASSERT_TRUE(ansibleText(json("/opt/fw"), text));
  EXPECT_EQ(text, "/opt/fw");
  ASSERT_TRUE(ansibleText(json(42), text));
  EXPECT_EQ(text, "42");
  ASSERT_TRUE(ansibleText(json(true), text));
  EXPECT_EQ(text, "True");
  EXPECT_FALSE(ansibleText(json::array({"a"}), text));
  EXPECT_FALSE(ansibleText(json::object(), text));
  EXPECT_FALSE(ansibleText(json(nullptr), text));
}

TEST(ExpandPath, VariablesThenHome) {
  const testsupport::ScopedEnv home("HOME", "/home/admin");
  const testsupport::ScopedEnv pkg("FC_PKG", "fw-2024");
  const struct {
    const char* path;
    const char* expected;
  } cases[] = {
      {"/opt/$FC_PKG", "/opt/fw-2024"},
      {"/opt/${FC_PKG}/x", "/opt/fw-2024/x"},
      {"/opt/$FC_UNSET_NAME", "/opt/$FC_UNSET_NAME"},
      {"/opt/${FC_PKG", "/opt/${FC_PKG"},
      {"/opt/$", "/opt/$"},
      {"~", "/home/admin"},
      {"~/fw", "/home/admin/fw"},
      {"~root/fw", "/root/fw"},
      {"~no-such-user-here/fw", "~no-such-user-here/fw"},
      {"/a/~/b", "/a/~/b"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(expandPath(c.path), c.expected) << c.path;
}

// A message shows a value whole up to the bound, and never a broken character.
TEST(Excerpt, BoundedAndWholeCharacters) {
  EXPECT_EQ(textExcerpt("maybe"), "maybe");
  const std::string atBound(kExcerptBound, 'x');
  EXPECT_EQ(textExcerpt(atBound), atBound);
  EXPECT_EQ(textExcerpt(atBound + "y"), atBound + "...");
  // A two-byte character straddling the bound goes whole.
  const std::string straddling = std::string(kExcerptBound - 1, 'x') + "\xc3\xa9" + "tail";
  EXPECT_EQ(textExcerpt(straddling), std::string(kExcerptBound - 1, 'x') + "...");
  EXPECT_EQ(valueExcerpt(json::array({true})), "[true]");
  EXPECT_EQ(valueExcerpt(json("maybe")), "\"maybe\"");
  const std::string long1 = valueExcerpt(json(std::string(1 << 20, 'z')));
  EXPECT_EQ(long1, "\"" + std::string(kExcerptBound - 1, 'z') + "...");
}

}  // namespace
}  // namespace fleet
