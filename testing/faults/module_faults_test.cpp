// The fleet module fc_firmware against what a host may give it: hostile
// arguments files, component logs that are no regular file or are huge, and a
// process the component leaves behind. Every call answers with exactly one
// JSON object on standard output, exits as the module does (1 for a failure,
// 0 otherwise), and ends within seconds.
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <nlohmann/json.hpp>
#include <tuple>

#include "testing/faults/fault_checks.h"
#include "testing/faults/fault_inputs.h"
#include "testing/faults/fault_server.h"

namespace faults {
namespace {

using nlohmann::json;

// A call that takes longer than this is counted as hung.
Limits moduleLimits() {
  Limits limits = ordinaryLimits();
  if (!underValgrind()) limits.seconds = 10;
  return limits;
}

Outcome runModule(const std::string& work, const std::string& argsFile) {
  Invocation call;
  call.work = work;
  call.root = work;
  call.executable = "fc_firmware";
  call.args = {argsFile};
  return runBounded(call, moduleLimits());
}

// One line, holding one JSON object with every return key of the module.
::testing::AssertionResult oneAnswer(const Outcome& outcome, json& answer) {
  const std::string& out = outcome.out;
  if (out.empty() || out.find('\n') != out.size() - 1) {
    return ::testing::AssertionFailure() << "not one line: \"" << out.substr(0, 300) << "\"";
  }
  answer = json::parse(out, nullptr, false);
  if (answer.is_discarded() || !answer.is_object()) {
    return ::testing::AssertionFailure() << "not a JSON object: " << out.substr(0, 300);
  }
  for (const char* key : {"changed", "failed", "msg", "rc", "outcome", "pending", "reboot_required",
                          "devices", "stdout_lines", "log"}) {
    if (!answer.contains(key)) return ::testing::AssertionFailure() << "no \"" << key << "\": " << out;
  }
  const bool failed = answer["failed"] == true;
  if (outcome.exitCode != (failed ? 1 : 0)) {
    return ::testing::AssertionFailure() << "exit code " << outcome.exitCode << " for failed " << failed;
  }
  return ::testing::AssertionSuccess();
}

std::string nested(int levels, bool mappings, const std::string& inside) {
  std::string text;
  for (int i = 0; i < levels; ++i) text += mappings ? "{\"a\": " : "[";
  text += inside;
  for (int i = 0; i < levels; ++i) text += mappings ? "}" : "]";
  return text;
}

const char kTooDeep[] = "the arguments file nests lists and mappings more than 64 levels deep";
const char kNoObject[] = "the arguments file does not hold a JSON object";

class ModuleArgumentFaults : public ::testing::Test {
 protected:
  std::string args() const { return dir_ / "args"; }
  std::string absent() const { return dir_ / "absent"; }
  // A call whose options are all well formed fails for want of a package.
  std::string noPackage() const { return "package_dir " + absent() + " is not a directory"; }
  std::string withOption(const std::string& name, const std::string& value) const {
    return "{\"package_dir\": \"" + absent() + "\", \"" + name + "\": " + value + "}";
  }
  // The answer to a call with argsFile, which must be a failure saying msg.
  void expectRefused(const std::string& argsFile, const std::string& msg) const {
    const Outcome outcome = runModule(dir_.path(), argsFile);
    ASSERT_TRUE(withinBounds(outcome, moduleLimits())) << argsFile;
    json answer;
    ASSERT_TRUE(oneAnswer(outcome, answer)) << argsFile;
    EXPECT_EQ(answer["failed"], true);
    EXPECT_EQ(answer["outcome"], "failed");
    EXPECT_TRUE(answer["rc"].is_null()) << "no component ran";
    EXPECT_EQ(answer["msg"], msg) << argsFile;
  }
  void expectRefusedText(const std::string& text, const std::string& msg) const {
    testsupport::writeFile(args(), text);
    expectRefused(args(), msg);
  }

  testsupport::TempDir dir_;
};

// At the limit the value is whole and the call goes on; one level more, and
// sixty thousand (which once overflowed the stack), are refused by name.
TEST_F(ModuleArgumentFaults, NestingAtTheLimitAndPast) {
  for (const bool mappings : {false, true}) {
    SCOPED_TRACE(mappings ? "mappings" : "lists");
    expectRefusedText(withOption("_ansible_x", nested(63, mappings, "1")), noPackage());
    expectRefusedText(withOption("_ansible_x", nested(64, mappings, "1")), kTooDeep);
    expectRefusedText(withOption("force", nested(60000, mappings, "true")), kTooDeep);
    expectRefusedText(nested(60000, mappings, ""), kTooDeep);
  }
}

TEST_F(ModuleArgumentFaults, ArgumentsFilesThatAreNoRegularFile) {
  const std::string fifo = dir_ / "fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string toFifo = dir_ / "to-fifo";
  ASSERT_EQ(symlink(fifo.c_str(), toFifo.c_str()), 0);
  for (const std::string& path : {fifo, toFifo, std::string("/dev/zero"), dir_.path()}) {
    expectRefused(path, "the arguments file " + path + " is not a regular file");
  }
}

TEST_F(ModuleArgumentFaults, HugeArgumentsFiles) {
  const std::string large = "the arguments file " + args() + " is larger than 1 MB";
  expectRefusedText(withOption("force", "\"" + std::string(2 * kMegabyte, 'y') + "\""), large);
  // A sparse gigabyte is judged by its size, never read.
  testsupport::writeFile(args(), "");
  ASSERT_EQ(truncate(args().c_str(), 1LL << 30), 0);
  expectRefused(args(), large);
}

TEST_F(ModuleArgumentFaults, TextThatIsNoJsonObject) {
  const std::string options = withOption("force", "true");
  expectRefusedText(options.substr(0, 5) + "\xff\xfe" + options.substr(5), kNoObject);
  expectRefusedText(withOption("state", "\"report\xc3\""), kNoObject);
  expectRefusedText(options.substr(0, 5) + std::string(1, '\0') + options.substr(5), kNoObject);
  expectRefusedText(withOption("force", "1e400"), kNoObject);
  expectRefusedText(binaryGarbage(4096, 7), kNoObject);
}

TEST_F(ModuleArgumentFaults, HostileValuesAreNamedInPart) {
  expectRefusedText(withOption("system_root", "\"/srv\\u0000/other\""),
                    "argument 'system_root' holds a NUL character, which no path can hold");
  const std::string notBool =
      " is not a valid boolean; valid booleans are yes, no, true, false, on, off, y, n, t, f, 1, 0";
  expectRefusedText(
      withOption("force", "1" + std::string(40, '0')),
      "argument 'force' is of type float and we were unable to convert to bool: 1e+40" + notBool);
  expectRefusedText(withOption("force", "\"" + std::string(900000, 'n') + "\""),
                    "argument 'force' is of type str and we were unable to convert to bool: \"" +
                        std::string(199, 'n') + "..." + notBool);
}

// What stands in the component log's place for a call.
enum class LogKind { Fifo, LinkToFifo, LinkToDevZero, DeviceNode, Huge };

const char* logKindName(LogKind kind) {
  static const char* names[] = {"Fifo", "LinkToFifo", "LinkToDevZero", "DeviceNode", "Huge"};
  return names[static_cast<int>(kind)];
}

void PrintTo(LogKind kind, std::ostream* out) { *out << logKindName(kind); }

// False when the machine does not let this run make it (a device node).
bool placeLog(const FaultServer& server, LogKind kind) {
  const std::string log = server.logPath();
  const std::string fifo = server.root("var/fifo");
  (void)unlink(log.c_str());
  switch (kind) {
    case LogKind::Fifo:
      return mkfifo(log.c_str(), 0600) == 0;
    case LogKind::LinkToFifo:
      return mkfifo(fifo.c_str(), 0600) == 0 && symlink(fifo.c_str(), log.c_str()) == 0;
    case LogKind::LinkToDevZero:
      return symlink("/dev/zero", log.c_str()) == 0;
    case LogKind::DeviceNode:
      return mknod(log.c_str(), S_IFCHR | 0600, makedev(1, 5)) == 0;
    case LogKind::Huge:
      testsupport::writeFile(log,
                             kEarlierLog + repeated("an earlier line of a long history\n", 100 * kMegabyte));
      return true;
  }
  return false;
}

class ModuleLogFaults : public ::testing::TestWithParam<std::tuple<LogKind, bool>> {};

INSTANTIATE_TEST_SUITE_P(Faults, ModuleLogFaults,
                         ::testing::Combine(::testing::Values(LogKind::Fifo, LogKind::LinkToFifo,
                                                              LogKind::LinkToDevZero, LogKind::DeviceNode,
                                                              LogKind::Huge),
                                            ::testing::Bool()),
                         [](const auto& info) {
                           return std::string(logKindName(std::get<0>(info.param))) +
                                  (std::get<1>(info.param) ? "Flash" : "Report");
                         });

// The component refuses a log that is no regular file, and goes on; the
// module reads none of it and says so in a warning. A huge log is read only
// past the size it had before the call.
TEST_P(ModuleLogFaults, TheCallIsAnsweredWithThisCallsLinesOrAWarning) {
  const LogKind kind = std::get<0>(GetParam());
  const bool flash = std::get<1>(GetParam());
  if (kind == LogKind::Huge && underValgrind()) GTEST_SKIP() << "a bound case; valgrind cannot judge bounds";
  FaultServer server(Component::QLogic);
  server.build();
  if (!placeLog(server, kind)) GTEST_SKIP() << "cannot make a device node here: " << std::strerror(errno);
  struct stat info {};
  const off_t before = lstat(server.logPath().c_str(), &info) == 0 ? info.st_size : 0;
  testsupport::writeFile(server.work("args"), json{{"package_dir", server.box().work()},
                                                   {"system_root", server.box().root()},
                                                   {"executable", testsupport::binDir() + "/fcupdate"},
                                                   {"state", flash ? "updated" : "reported"}}
                                                  .dump());
  const Outcome outcome = runModule(server.box().work(), server.work("args"));
  ASSERT_TRUE(withinBounds(outcome, moduleLimits()));
  json answer;
  ASSERT_TRUE(oneAnswer(outcome, answer));
  EXPECT_EQ(answer["outcome"], flash ? "applied" : "reported") << answer["msg"];
  EXPECT_EQ(answer["rc"], flash ? 1 : 3);
  ASSERT_EQ(answer["devices"].size(), 1u);
  if (kind == LogKind::Huge) {
    std::vector<std::string> lines;
    const std::string added = server.log().substr(static_cast<size_t>(before));
    for (size_t at = 0, end; at < added.size(); at = end + 1) {
      end = added.find('\n', at);
      lines.push_back(added.substr(at, end - at));
    }
    EXPECT_EQ(answer["log"], json(lines));
    EXPECT_FALSE(answer.contains("warnings"));
    return;
  }
  EXPECT_EQ(answer["log"], json::array());
  const std::string refused = "the component log " + server.logPath() + " is not a regular file";
  ASSERT_EQ(answer["warnings"].size(), 1u) << answer;
  const std::string warning = answer["warnings"][0];
  // A device node the machine does not let anyone open is refused at the open.
  if (kind == LogKind::DeviceNode && warning.find("cannot be opened: ") != std::string::npos) return;
  EXPECT_EQ(warning, refused + "; the lines of this call are left out");
}

// The stand-ins below keep no run history: the module says so, and answers by
// the exit code.
constexpr char kNoRecord[] =
    " (the run history holds no record of the run; the outcome follows the exit code alone)";

// A component that writes far more than the module keeps: the newest bytes,
// after a line that says how many were left out.
TEST(ModuleLogBound, AHundredMegabytesOfThisCallsLog) {
  if (underValgrind()) GTEST_SKIP() << "a bound case; valgrind cannot judge bounds";
  const testsupport::TempDir work;
  testsupport::writeFile(work / "chatty",
                         "#!/bin/sh\n"
                         "log=\"$FCUPDATE_ROOT/var/vlx/Component.log\"\n"
                         "mkdir -p \"$FCUPDATE_ROOT/var/vlx\"\n"
                         "yes 'a line of a chatty component' | head -n 3620000 >> \"$log\"\n"
                         "echo 'ERROR! : the last word' >> \"$log\"\n"
                         "exit 7\n");
  ASSERT_EQ(chmod((work / "chatty").c_str(), 0755), 0);
  testsupport::writeFile(
      work / "args",
      json{{"package_dir", work.path()}, {"system_root", work / "root"}, {"executable", "chatty"}}.dump());
  const Outcome outcome = runModule(work.path(), work / "args");
  ASSERT_TRUE(withinBounds(outcome, moduleLimits()));
  json answer;
  ASSERT_TRUE(oneAnswer(outcome, answer));
  EXPECT_EQ(answer["msg"],
            "the report run failed (exit code 7): ERROR! : the last word" + std::string(kNoRecord));
  const json& log = answer["log"];
  ASSERT_GT(log.size(), 2u);
  EXPECT_EQ(log.back(), "ERROR! : the last word");
  EXPECT_EQ(log[1], "a line of a chatty component");
  const std::string first = log[0];
  EXPECT_EQ(first.rfind('[', 0), 0u) << first;
  EXPECT_NE(first.find(" earlier bytes of this call left out]"), std::string::npos) << first;
}

// A full run history (16 MiB and its older 16 MiB, every record a flash of
// another package) is read a piece at a time, within the module's bounds, and
// still holds nothing against this package.
TEST(ModuleHistoryBound, AFullHistoryAndItsOlderFile) {
  if (underValgrind()) GTEST_SKIP() << "a bound case; valgrind cannot judge bounds";
  FaultServer server(Component::QLogic);
  server.build();
  const std::string history = server.box().root() + "/var/vlx/fcupdate-history.jsonl";
  testsupport::makeDirs(server.box().root() + "/var/vlx");
  const std::string filler(4000, 'x');
  std::string text;
  for (int n = 0; text.size() < (16u << 20) - 8192; ++n) {
    text += R"({"phase":"ended","mode":"flash","run_id":"T-1-)" + std::to_string(n) +
            R"(","catalogue":{"sha256":"other"},"package":"other","engine":{"exit_code":2},)"
            R"("outcome":{"word":"failed","exit_code":7},"reason":")" +
            filler + "\"}\n";
  }
  testsupport::writeFile(history + ".1", text);
  testsupport::writeFile(history, text);
  testsupport::writeFile(server.work("args"), json{{"package_dir", server.box().work()},
                                                   {"system_root", server.box().root()},
                                                   {"executable", testsupport::binDir() + "/fcupdate"},
                                                   {"state", "reported"}}
                                                  .dump());
  const Outcome outcome = runModule(server.box().work(), server.work("args"));
  ASSERT_TRUE(withinBounds(outcome, moduleLimits()));
  json answer;
  ASSERT_TRUE(oneAnswer(outcome, answer));
  EXPECT_EQ(answer["outcome"], "reported") << answer["msg"];
  EXPECT_EQ(answer["held"], false);
  EXPECT_EQ(answer["runs"].size(), 1u);
}

// A process the component leaves behind holding its output, idle or
// printing without end, does not hold the call past the component's own end.
TEST(ModuleChildFaults, AProcessLeftBehindDoesNotHoldTheCall) {
  for (const char* leftBehind : {"sleep 30", "yes"}) {
    SCOPED_TRACE(leftBehind);
    const testsupport::TempDir work;
    testsupport::writeFile(work / "leaves", std::string("#!/bin/sh\n") + leftBehind +
                                                " &\necho \"left behind: $!\" >&2\nexit 7\n");
    ASSERT_EQ(chmod((work / "leaves").c_str(), 0755), 0);
    testsupport::writeFile(
        work / "args",
        json{{"package_dir", work.path()}, {"system_root", work / "root"}, {"executable", "leaves"}}.dump());
    const Outcome outcome = runModule(work.path(), work / "args");
    ASSERT_TRUE(withinBounds(outcome, moduleLimits()));
    json answer;
    ASSERT_TRUE(oneAnswer(outcome, answer));
    EXPECT_EQ(answer["msg"], "the report run failed (exit code 7)" + std::string(kNoRecord));
    EXPECT_EQ(answer["rc"], 7);
    for (const json& line : answer["stdout_lines"]) {
      const std::string text = line;
      if (text.rfind("left behind: ", 0) == 0) (void)kill(std::stoi(text.substr(13)), SIGKILL);
    }
  }
}

}  // namespace
}  // namespace faults
