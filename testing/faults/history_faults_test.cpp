// The run history and the system log line of whole runs: what each run
// records, that a history which cannot be written changes nothing of the
// run, and what --history prints.
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <thread>

#include "support/sha256.h"
#include "testing/faults/fault_checks.h"
#include "testing/faults/fault_server.h"

namespace faults {
namespace {

using Json = nlohmann::json;

std::string historyFile(const FaultServer& server) { return server.root("var/vlx/fcupdate-history.jsonl"); }

std::vector<Json> records(const FaultServer& server) {
  std::vector<Json> found;
  const std::string text = testsupport::readFile(historyFile(server));
  std::size_t start = 0;
  for (std::size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
    found.push_back(Json::parse(text.substr(start, end - start), nullptr, false));
    start = end + 1;
  }
  return found;
}

// The last ended record; a null record when there is none.
Json ended(const FaultServer& server) {
  const std::vector<Json> all = records(server);
  for (auto it = all.rbegin(); it != all.rend(); ++it) {
    if ((*it)["phase"] == "ended") return *it;
  }
  return Json();
}

std::string outcomeOf(const Json& record) {
  const Json& o = record["outcome"];
  return o["word"].get<std::string>() + "/" + o["cause"].get<std::string>() + "/" + o["exit_code"].dump();
}

bool waitFor(const std::string& path) {
  for (int i = 0; i < 1000; ++i) {
    if (access(path.c_str(), F_OK) == 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// The QLogic engine whose query or flash leaves a marker and then waits.
void slowEngine(const FaultServer& server, const std::string& query, const std::string& flash) {
  testsupport::writeFile(
      server.toolPath(),
      "#!/bin/sh\nif [ \"$1\" = /q ]; then\n  " + query +
          "\n  exit 0\nfi\necho $$ > engine.pid\necho flashing now\ntouch flash.started\n" + flash + "\n");
  ASSERT_EQ(chmod(server.toolPath().c_str(), 0755), 0);
}

// The engine's group is killed too, once the run has been, so that
// nothing outlives the case.
Outcome signalledRun(const FaultServer& server, const std::string& marker, int signal) {
  StartedRun started = startBounded(server.invocation({}));
  EXPECT_TRUE(waitFor(server.work(marker)));
  kill(started.pid, signal);
  if (signal == SIGKILL) {
    int status = 0;
    (void)waitpid(started.pid, &status, 0);
    // The engine script is not its group's leader: the shell the component
    // started it through is, so the group is asked of the script.
    const pid_t engine = std::atoi(testsupport::readFile(server.work("engine.pid")).c_str());
    const pid_t group = engine > 0 ? getpgid(engine) : -1;
    if (group > 1 && group != getpgrp()) kill(-group, SIGKILL);
    Outcome outcome;
    outcome.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    close(started.out);
    return outcome;
  }
  return finishBounded(started, ordinaryLimits());
}

// Every run the cases below make: the same run twice on two fresh servers
// must give the same exit code, console and log, whatever its history.
struct Case {
  const char* name;
  Component component;
  std::vector<std::string> args;
  int toolExit;
  const char* outcome;  // word/cause/exit
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

const Case kCases[] = {
    {"QLogicReport", Component::QLogic, {"/d", "report.xml"}, 0, "report_written/none/3"},
    {"QLogicApplied", Component::QLogic, {}, 0, "applied/none/1"},
    {"QLogicEngineFailed", Component::QLogic, {}, 9, "failed/engine_failed/7"},
    {"QLogicEngineExit", Component::QLogic, {}, 42, "engine_exit/engine_exit/42"},
    {"EmulexReport", Component::Emulex, {"/d", "report.xml"}, 0, "report_written/none/3"},
    {"EmulexSkippedCnas", Component::Emulex, {}, 11, "failed/engine_failed/7"},
    {"BrocadeApplied", Component::Brocade, {}, 0, "applied/none/1"},
    {"BrocadeFailed", Component::Brocade, {}, 2, "failed/engine_failed/7"},
};

class HistoryRuns : public ::testing::TestWithParam<Case> {};
INSTANTIATE_TEST_SUITE_P(Faults, HistoryRuns, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Both records, the outcome, the inventory tied to its adapter, the
// package's digests, and the engine with the tail of its output.
TEST_P(HistoryRuns, BothRecordsTellTheRun) {
  FaultServer server(GetParam().component);
  server.build();
  server.setToolExit(GetParam().toolExit);
  // The Brocade package's file is its boot image, which the stand-in lacks.
  const bool brocade = GetParam().component == Component::Brocade;
  const std::string package = brocade ? server.work("bfa_boot_fw") : server.toolPath();
  if (brocade) testsupport::writeFile(package, "boot image\n");
  const Outcome run = server.run(GetParam().args);
  const std::vector<Json> all = records(server);
  ASSERT_EQ(all.size(), 2u) << testsupport::readFile(historyFile(server));
  const Json& started = all[0];
  const Json& end = all[1];
  EXPECT_EQ(started["phase"], "started");
  EXPECT_EQ(end["phase"], "ended");
  EXPECT_EQ(started["run_id"], end["run_id"]);
  EXPECT_EQ(outcomeOf(end), GetParam().outcome) << end.dump();
  EXPECT_EQ(end["outcome"]["exit_code"], run.exitCode);
  EXPECT_EQ(end["catalogue"]["sha256"], sha256Hex(testsupport::readFile(server.work("reference.xml"))));
  EXPECT_EQ(started["catalogue"]["sha256"], end["catalogue"]["sha256"]);
  EXPECT_EQ(end["catalogue"]["loaded"], true);
  EXPECT_EQ(end["package"], sha256Hex(testsupport::readFile(package)));
  EXPECT_EQ(started["package"], end["package"]);
  ASSERT_EQ(end["devices"].size(), 1u) << end.dump();
  const bool emulex = GetParam().component == Component::Emulex;
  EXPECT_EQ(end["devices"][0]["adapter"], emulex ? Json() : Json(0));
  ASSERT_EQ(end["adapters"].size(), 1u);
  EXPECT_EQ(end["adapters"][0]["catalogued"], true);
  const bool report = !GetParam().args.empty();
  EXPECT_EQ(end["mode"], report ? "report" : "flash");
  if (report) {
    EXPECT_TRUE(end["engine"]["command"].is_null());
    EXPECT_EQ(end["reboot_required"], false);
    return;
  }
  EXPECT_EQ(end["engine"]["exit_code"], GetParam().toolExit);
  const bool wrote = GetParam().toolExit == 0 || (emulex && GetParam().toolExit == 11);
  EXPECT_EQ(end["reboot_required"], wrote);
  if (GetParam().component == Component::QLogic) {
    EXPECT_EQ(end["engine"]["output_tail"],
              "qlafwupdate: flashing adapters\nqlafwupdate: progress on stderr\n");
    EXPECT_EQ(end["outcome"]["reason"].get<std::string>().find("the flash engine ended with " +
                                                               std::to_string(GetParam().toolExit)),
              0u);
  }
}

// The texts with the server's own folders named alike, so that two
// servers' runs compare.
std::string withoutRoot(std::string text, const FaultServer& server) {
  for (const std::string& folder : {server.box().root(), server.box().work()}) {
    for (std::size_t at = text.find(folder); at != std::string::npos; at = text.find(folder, at)) {
      text.replace(at, folder.size(), "<folder>");
    }
  }
  return text;
}

enum class Blocker { Symlink, Fifo, Folder, ShortWrite };
const char* const kBlockerNames[] = {"Symlink", "Fifo", "Folder", "ShortWrite"};

// A history that cannot be written: the run's exit code, console and log
// are those of the same run with a history that can.
class BlockedHistory : public ::testing::TestWithParam<std::tuple<Case, Blocker>> {};
INSTANTIATE_TEST_SUITE_P(Faults, BlockedHistory,
                         ::testing::Combine(::testing::Values(kCases[0], kCases[1], kCases[5], kCases[7]),
                                            ::testing::Values(Blocker::Symlink, Blocker::Fifo,
                                                              Blocker::Folder, Blocker::ShortWrite)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) +
                                  kBlockerNames[static_cast<int>(std::get<1>(info.param))];
                         });

TEST_P(BlockedHistory, ChangesNothingOfTheRun) {
  const Case& c = std::get<0>(GetParam());
  FaultServer plain(c.component);
  plain.build();
  plain.setToolExit(c.toolExit);
  const Outcome expected = plain.run(c.args);
  FaultServer blocked(c.component);
  blocked.build();
  blocked.setToolExit(c.toolExit);
  const std::string path = historyFile(blocked);
  const std::string elsewhere = blocked.work("elsewhere.jsonl");
  const std::string earlier = "{\"schema\":1,\"phase\":\"ended\",\"run_id\":\"earlier\"}\n";
  Invocation call = blocked.invocation(c.args);
  switch (std::get<1>(GetParam())) {
    case Blocker::Symlink:
      testsupport::writeFile(elsewhere, "");
      ASSERT_EQ(symlink(elsewhere.c_str(), path.c_str()), 0);
      break;
    case Blocker::Fifo:
      ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
      break;
    case Blocker::Folder:
      testsupport::makeDirs(path);
      break;
    case Blocker::ShortWrite:
      // The disk takes a few bytes of each record and no more; the log and
      // the report stay far below the bound.
      testsupport::writeFile(path, earlier + std::string(8000, '\n'));
      call.beforeExec = [] {
        const rlim_t bound = 8000 + 100;
        const struct rlimit limit { bound, bound };
        (void)setrlimit(RLIMIT_FSIZE, &limit);
      };
      break;
  }
  const Outcome run = runBounded(call, ordinaryLimits());
  EXPECT_EQ(run.exitCode, expected.exitCode) << describe(run);
  EXPECT_EQ(withoutRoot(run.out, blocked), withoutRoot(expected.out, plain));
  EXPECT_EQ(withoutRoot(blocked.log(), blocked), withoutRoot(plain.log(), plain));
  switch (std::get<1>(GetParam())) {
    case Blocker::Symlink:
      EXPECT_EQ(testsupport::readFile(elsewhere), "");
      break;
    case Blocker::ShortWrite:
      // Each record the disk took in part was cut off again.
      EXPECT_EQ(testsupport::readFile(path), earlier + std::string(8000, '\n'));
      break;
    default:
      break;
  }
}

TEST(HistoryCatalogue, MissingAndBrokenAreToldApart) {
  struct Broken {
    const char* content;  // nullptr: no file
    const char* cause;
    const char* reasonStart;
  };
  const Broken cases[] = {
      {nullptr, "catalogue_missing", "reference.xml is missing"},
      {"<maplu_fchba_reference>\n<device", "catalogue_invalid", "reference.xml is not well-formed: line "},
  };
  for (const Broken& broken : cases) {
    for (const auto& args : {std::vector<std::string>{}, std::vector<std::string>{"/d", "r.xml"}}) {
      FaultServer server(Component::QLogic);
      server.build();
      if (broken.content == nullptr) {
        ASSERT_EQ(unlink(server.work("reference.xml").c_str()), 0);
      } else {
        testsupport::writeFile(server.work("reference.xml"), broken.content);
      }
      const Outcome run = server.run(args);
      EXPECT_EQ(run.exitCode, 7);
      const Json end = ended(server);
      EXPECT_EQ(outcomeOf(end), std::string("failed/") + broken.cause + "/7");
      EXPECT_EQ(end["outcome"]["reason"].get<std::string>().rfind(broken.reasonStart, 0), 0u) << end.dump();
      EXPECT_EQ(end["catalogue"]["loaded"], false);
      EXPECT_EQ(end["catalogue"]["sha256"].is_null(), broken.content == nullptr);
      EXPECT_EQ(server.toolCalls(), "");
    }
  }
}

// A library that does not load, an adapter without a PCI identity, and a
// host with no adapter and no Fibre Channel function.
TEST(HistoryDiscovery, SaysWhyAdaptersWereNotSeen) {
  {
    FaultServer server(Component::QLogic);
    testsupport::writeFile(server.work("not-a-library.so"), "not an ELF file\n");
    server.box().setLibrarySource(server.work("not-a-library.so"));
    server.build();
    EXPECT_EQ(server.run({}).exitCode, 7);
    const Json end = ended(server);
    EXPECT_EQ(outcomeOf(end), "failed/library_failed/7") << end.dump();
    ASSERT_FALSE(end["libraries"].empty());
    EXPECT_EQ(end["libraries"][0]["loaded"], false);
    EXPECT_FALSE(end["libraries"][0]["error"].get<std::string>().empty());
    EXPECT_EQ(end["sysfs_fc_functions"], 1);
  }
  {
    FaultServer server(Component::QLogic);
    server.adapter().inSysfs = false;
    server.build();
    server.run({"/d", "r.xml"});
    const Json end = ended(server);
    ASSERT_EQ(end["adapters"].size(), 1u) << end.dump();
    EXPECT_FALSE(end["adapters"][0]["problems"].empty()) << end.dump();
    EXPECT_TRUE(end["adapters"][0]["pci_location"].is_null());
  }
  {
    testsupport::Sandbox box;
    box.build();
    testsupport::makeDirs(box.root() + "/sys/bus/pci/devices");
    const Outcome run =
        runBounded({box.work(), box.root(), "fcupdate", {}, false, {}, nullptr}, ordinaryLimits());
    EXPECT_EQ(run.exitCode, 7);
    const std::string text = testsupport::readFile(box.root() + "/var/vlx/fcupdate-history.jsonl");
    const Json end = Json::parse(text.substr(text.rfind('\n', text.size() - 2) + 1));
    EXPECT_EQ(outcomeOf(end), "failed/no_adapters/7") << end.dump();
    EXPECT_EQ(end["sysfs_fc_functions"], 0);
    EXPECT_TRUE(end["adapters"].empty());
  }
}

TEST(HistoryCommandLine, AParseFailureLeavesOneRecord) {
  FaultServer server(Component::Emulex);
  server.build();
  const Outcome run = server.run({"/s", "/d"});
  EXPECT_EQ(run.exitCode, 7);
  const std::vector<Json> all = records(server);
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0]["phase"], "ended");
  EXPECT_EQ(all[0]["mode"], "parse_error");
  EXPECT_EQ(outcomeOf(all[0]), "parse_error/parse_error/7");
  EXPECT_EQ(all[0]["arguments"], Json({"/s", "/d"}));
  EXPECT_EQ(all[0]["component"], "emulex");
}

// The package's digests are taken before any trust check: an engine or a
// catalogue that is a FIFO or a link is not opened to be read, nothing
// blocks, and the record says there is no digest.
TEST(HistoryPackage, AFifoOrALinkIsNeverRead) {
  for (const bool fifo : {true, false}) {
    FaultServer server(Component::QLogic);
    server.build();
    const std::string kind = fifo ? "FIFO" : "link";
    const std::string real = server.work("real-engine");
    ASSERT_EQ(rename(server.toolPath().c_str(), real.c_str()), 0);
    if (fifo) {
      ASSERT_EQ(mkfifo(server.toolPath().c_str(), 0755), 0);
    } else {
      ASSERT_EQ(symlink(real.c_str(), server.toolPath().c_str()), 0);
      const std::string catalogue = server.work("reference.xml");
      ASSERT_EQ(rename(catalogue.c_str(), server.work("real-reference.xml").c_str()), 0);
      ASSERT_EQ(symlink(server.work("real-reference.xml").c_str(), catalogue.c_str()), 0);
    }
    const Outcome run = runBounded(server.invocation({"/d", "report.xml"}), ordinaryLimits());
    EXPECT_TRUE(withinBounds(run, ordinaryLimits())) << kind;
    const std::vector<Json> all = records(server);
    ASSERT_EQ(all.size(), 2u) << kind;
    for (const Json& record : all) {
      EXPECT_TRUE(record["package"].is_null()) << kind << ": " << record["package"];
      if (!fifo) {
        EXPECT_TRUE(record["catalogue"]["sha256"].is_null()) << record["catalogue"];
      }
    }
  }
}

TEST(HistorySignals, ASignalBeforeTheFlashEndsThroughTheRecord) {
  for (const auto& [signal, name] : std::vector<std::pair<int, std::string>>{
           {SIGTERM, "SIGTERM"}, {SIGINT, "SIGINT"}, {SIGHUP, "SIGHUP"}}) {
    FaultServer server(Component::QLogic);
    server.build();
    slowEngine(server, "touch query.started; sleep 30", "exit 0");
    const Outcome run = signalledRun(server, "query.started", signal);
    EXPECT_EQ(run.exitCode, 7) << name << ": " << describe(run);
    const std::vector<Json> all = records(server);
    ASSERT_EQ(all.size(), 2u) << name;
    EXPECT_EQ(outcomeOf(all[1]), "failed/signal/7") << name;
    EXPECT_EQ(all[1]["signals"], Json({name}));
    EXPECT_EQ(all[1]["outcome"]["reason"], name + " stopped the run before the flash");
    // Nothing after the notice: the log ends as it always did.
    const std::string notice = "ERROR! : " + name + " received; the run is stopped.\n";
    const std::string log = server.log();
    ASSERT_GE(log.size(), notice.size()) << name;
    EXPECT_EQ(log.substr(log.size() - notice.size()), notice) << name;
  }
}

TEST(HistorySignals, SigkillMidFlashLeavesTheStartedRecordOnly) {
  FaultServer server(Component::QLogic);
  server.build();
  slowEngine(server, "echo 'HBA Instance: 0'", "sleep 30");
  const Outcome run = signalledRun(server, "flash.started", SIGKILL);
  EXPECT_EQ(run.signal, SIGKILL);
  const std::vector<Json> all = records(server);
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0]["phase"], "started");
  EXPECT_EQ(all[0]["mode"], "flash");
  const Outcome shown = server.run({"--history"});
  EXPECT_EQ(shown.exitCode, 3);
  EXPECT_NE(shown.out.find("unknown"), std::string::npos) << shown.out;
}

TEST(HistoryOrder, TwoRunsOneAfterTheOther) {
  FaultServer server(Component::Brocade);
  server.build();
  server.run({"/d", "a.xml"});
  server.run({"/d", "b.xml"});
  const std::vector<Json> all = records(server);
  ASSERT_EQ(all.size(), 4u);
  EXPECT_EQ(all[0]["run_id"], all[1]["run_id"]);
  EXPECT_EQ(all[2]["run_id"], all[3]["run_id"]);
  EXPECT_NE(all[0]["run_id"], all[2]["run_id"]);
  EXPECT_EQ(all[1]["report_path"], "a.xml");
  EXPECT_EQ(all[3]["report_path"], "b.xml");
  EXPECT_LE(all[1]["ended"].get<std::string>(), all[2]["started"].get<std::string>());
}

// Tool output that is not UTF-8 is stored with U+FFFD, and a record past
// 1 MiB (a command line of a hundred kilobyte words) is cut and marked.
TEST(HistoryTexts, BadBytesAndHugeRecordsStillMakeOneLine) {
  FaultServer server(Component::QLogic);
  server.build();
  slowEngine(server, "echo 'HBA Instance: 0'", "printf 'bad \\377\\376 bytes\\n'; exit 0");
  std::vector<std::string> args(12, std::string(100000, 'x'));
  const Outcome run = server.run(args);
  EXPECT_EQ(run.exitCode, 1);
  const std::string text = testsupport::readFile(historyFile(server));
  const std::size_t second = text.find('\n') + 1;
  const std::string line = text.substr(second, text.size() - second - 1);
  EXPECT_LE(line.size(), std::size_t{1} << 20);
  const Json end = Json::parse(line);
  EXPECT_EQ(end["truncated"], true);
  EXPECT_LT(end["arguments"].size(), 12u);
  EXPECT_NE(end["engine"]["output_tail"].get<std::string>().find("bad \xef\xbf\xbd\xef\xbf\xbd bytes\n"),
            std::string::npos);
  EXPECT_EQ(outcomeOf(end), "applied/none/1");
}

TEST(HistoryRename, PastSixteenMegabytesTheFileMovesAside) {
  FaultServer server(Component::QLogic);
  server.build();
  const std::string old = std::string(16 << 20, ' ') + "\n";
  testsupport::writeFile(historyFile(server), old);
  testsupport::writeFile(historyFile(server) + ".1", "older\n");
  server.run({"/d", "r.xml"});
  EXPECT_EQ(testsupport::readFile(historyFile(server) + ".1"), old);
  EXPECT_EQ(records(server).size(), 2u);
}

TEST(HistorySystemLog, OneLineAtDevLog) {
  for (const bool fails : {false, true}) {
    FaultServer server(Component::QLogic);
    server.build();
    if (fails) server.setToolExit(9);
    testsupport::makeDirs(server.root("dev"));
    const int fd = socket(AF_UNIX, SOCK_DGRAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = server.root("dev/log");
    ASSERT_LT(path.size(), sizeof address.sun_path);
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const Outcome run = server.run({});
    char line[2048];
    const ssize_t got = recv(fd, line, sizeof line, MSG_DONTWAIT);
    close(fd);
    ASSERT_GT(got, 0);
    const std::string text(line, static_cast<std::size_t>(got));
    EXPECT_EQ(text.substr(0, 4), fails ? "<11>" : "<13>");
    EXPECT_NE(text.find(" fcupdate["), std::string::npos) << text;
    const std::string fields =
        "component=qlogic outcome=" +
        std::string(fails ? "failed cause=engine_failed exit=7" : "applied cause=none exit=1") +
        " adapters=1 updates=1 reason=the flash engine ended with " + (fails ? "9" : "0");
    EXPECT_NE(text.find(fields), std::string::npos) << text;
    EXPECT_NE(text.find("run=" + ended(server)["run_id"].get<std::string>()), std::string::npos);
    EXPECT_EQ(run.exitCode, fails ? 7 : 1);
  }
}

TEST(HistoryReading, HistoryPrintsAndNeverFlashesOrWrites) {
  FaultServer server(Component::QLogic);
  server.build();
  server.setToolExit(9);
  server.run({});
  const std::string stored = testsupport::readFile(historyFile(server));
  const std::string calls = server.toolCalls();
  const Outcome text = server.run({"/f", "--history"});
  EXPECT_EQ(text.exitCode, 7);
  EXPECT_NE(text.out.find("ERROR! : Failed to parse command line\n"), std::string::npos);
  const Outcome shown = server.run({"--history"});
  EXPECT_EQ(shown.exitCode, 3);
  EXPECT_NE(shown.out.find("failed (engine_failed), exit code 7"), std::string::npos) << shown.out;
  EXPECT_NE(shown.out.find("the flash engine ended with 9"), std::string::npos) << shown.out;
  EXPECT_NE(shown.out.find("| qlafwupdate: flashing adapters"), std::string::npos) << shown.out;
  const Outcome json = server.run({"--json", "--history", "1"});
  EXPECT_EQ(json.exitCode, 3);
  EXPECT_EQ(json.out, stored);
  EXPECT_EQ(testsupport::readFile(historyFile(server)), stored);
  EXPECT_EQ(server.toolCalls(), calls);
}

}  // namespace
}  // namespace faults
