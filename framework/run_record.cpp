// Building the started and ended records of a run.
#include "framework/run_record.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>

#include "framework/run_outcome.h"
#include "framework/run_signals.h"
#include "support/run_identity.h"
#include "support/utc_time.h"
#include "support/wide_text.h"

namespace {

// A package file larger than this is not hashed: no kit comes near it.
constexpr std::uint64_t kDigestBound = std::uint64_t{1} << 30;
const char kCatalogueFile[] = "reference.xml";

HistoryRecord textOrNull(const std::string& text) {
  return text.empty() ? HistoryRecord() : HistoryRecord(text);
}

// Wide texts of the catalogue and inventory as UTF-8; a character below
// zero is a byte widened with its sign and goes back as that byte.
std::string utf8(const std::wstring& text) {
  std::string bytes;
  for (const wchar_t wide : text) {
    const auto c = static_cast<std::uint32_t>(std::char_traits<wchar_t>::to_int_type(wide));
    if (c >= 0xffffff80u) {
      bytes += static_cast<char>(c & 0xffu);
    } else if (c < 0x80) {
      bytes += static_cast<char>(c);
    } else if (c < 0x800) {
      bytes += static_cast<char>(0xc0u | (c >> 6));
      bytes += static_cast<char>(0x80u | (c & 0x3fu));
    } else if (c < 0x10000) {
      bytes += static_cast<char>(0xe0u | (c >> 12));
      bytes += static_cast<char>(0x80u | ((c >> 6) & 0x3fu));
      bytes += static_cast<char>(0x80u | (c & 0x3fu));
    } else {
      bytes += "\xef\xbf\xbd";  // beyond what the run's texts carry: U+FFFD
    }
  }
  return bytes;
}

HistoryRecord texts(const std::vector<std::string>& list) {
  HistoryRecord array = HistoryRecord::array();
  for (const std::string& text : list) array.push_back(text);
  return array;
}

HistoryRecord digestOrNull(const FileDigest& digest) { return textOrNull(digest.hex); }

const char* modeWord(const CBaseCmp& c, const RunStory& story) {
  if (story.parseFailed) return "parse_error";
  return c.reportMode() ? "report" : "flash";
}

HistoryRecord catalogueRecord(const CBaseCmp& c, const RunStory& story, bool ended) {
  const CatalogueFacts& facts = c.facts.catalogue;
  HistoryRecord record;
  struct stat info;
  const bool found = ::lstat(kCatalogueFile, &info) == 0;
  record["loaded"] = ended ? HistoryRecord(facts.loaded) : HistoryRecord();
  record["entries"] = ended && facts.loaded ? HistoryRecord(facts.entries) : HistoryRecord();
  record["bytes"] = found ? HistoryRecord(static_cast<long long>(info.st_size)) : HistoryRecord();
  record["mtime"] = found ? HistoryRecord(static_cast<long long>(info.st_mtime)) : HistoryRecord();
  record["sha256"] = digestOrNull(story.catalogueDigest);
  record["error"] = ended ? textOrNull(facts.error) : HistoryRecord();
  return record;
}

HistoryRecord libraryRecords(const DiscoveryFacts& discovery) {
  HistoryRecord list = HistoryRecord::array();
  for (const LibraryFacts& library : discovery.libraries) {
    list.push_back({{"name", library.name},
                    {"path", library.path},
                    {"loaded", library.loaded},
                    {"error", textOrNull(library.error)},
                    {"adapters", library.adapters}});
  }
  return list;
}

// The folder's last name: "0000:05:00.0".
HistoryRecord pciLocation(const AdapterFacts& adapter) {
  const std::size_t slash = adapter.sysfsDevice.rfind('/');
  if (adapter.sysfsDevice.empty()) return HistoryRecord();
  return adapter.sysfsDevice.substr(slash == std::string::npos ? 0 : slash + 1);
}

HistoryRecord adapterRecord(CBaseCmp& c, std::size_t i) {
  const AdapterFacts& a = c.facts.discovery.adapters[i];
  std::string key = a.key;
  if (key.empty() && i < c.adapters.size()) key = utf8(c.pciIdText(i));
  std::vector<std::string> problems = a.problems.kept;
  if (a.problems.dropped > 0) problems.push_back(std::to_string(a.problems.dropped) + " more problems");
  HistoryRecord record;
  record["index"] = a.index;
  record["key"] = key;
  record["pci_location"] = pciLocation(a);
  record["node_wwn"] = textOrNull(a.nodeWwn);
  record["port_wwns"] = texts(a.portWwns);
  record["model"] = textOrNull(a.model);
  record["serial"] = textOrNull(a.serialNumber);
  record["driver_version"] = textOrNull(a.driverVersion);
  record["firmware_version"] = textOrNull(a.firmwareVersion);
  record["option_rom_version"] = textOrNull(a.optionRomVersion);
  record["library"] = textOrNull(a.library);
  record["catalogued"] = !key.empty() && c.catalogueEntry(widenBytes(key)) != nullptr;
  record["problems"] = texts(problems);
  return record;
}

HistoryRecord adapterRecords(CBaseCmp& c) {
  HistoryRecord list = HistoryRecord::array();
  for (std::size_t i = 0; i < c.facts.discovery.adapters.size(); ++i) list.push_back(adapterRecord(c, i));
  return list;
}

HistoryRecord deviceRecords(const CBaseCmp& c) {
  HistoryRecord list = HistoryRecord::array();
  for (std::size_t k = 0; k < c.report.devices.size(); ++k) {
    const DiscoveredDevice& device = c.report.devices[k];
    HistoryRecord items = HistoryRecord::array();
    for (const FirmwareItem& item : device.fw_items) {
      items.push_back({{"type", utf8(item.type)},
                       {"version", utf8(item.version)},
                       {"active_version", utf8(item.active_version)},
                       {"action", utf8(item.action)}});
    }
    const bool known = k < c.facts.deviceAdapters.size();
    list.push_back({{"device_id", utf8(device.device_id)},
                    {"product_id", utf8(device.product_id)},
                    {"adapter", known ? HistoryRecord(c.facts.deviceAdapters[k]) : HistoryRecord()},
                    {"items", std::move(items)}});
  }
  return list;
}

void endingOf(const CommandRecord& command, HistoryRecord& record) {
  const bool ended = command.started && !command.status.signalled;
  record["exit_code"] = ended ? HistoryRecord(command.status.exitCode) : HistoryRecord();
  record["signal"] =
      command.status.signalled ? HistoryRecord(command.status.signalNumber()) : HistoryRecord();
}

HistoryRecord commandRecords(const CommandRecords& commands) {
  HistoryRecord list = HistoryRecord::array();
  for (const CommandRecord& command : commands.kept) {
    HistoryRecord record;
    record["text"] = command.text;
    record["started"] = command.started ? HistoryRecord(isoUtc(command.startedAt)) : HistoryRecord();
    endingOf(command, record);
    record["output_bytes"] = command.outputBytes;
    record["cut_at_bound"] = command.cutAtBound;
    record["ms"] = command.milliseconds;
    list.push_back(std::move(record));
  }
  return list;
}

HistoryRecord engineRecord(const CBaseCmp& c, std::vector<std::string>& warnings) {
  const CommandRecord& engine = c.facts.engine;
  HistoryRecord record;
  const bool ran = !engine.text.empty();
  record["command"] = textOrNull(engine.text);
  record["started"] = ran && engine.started ? HistoryRecord(isoUtc(engine.startedAt)) : HistoryRecord();
  if (ran) {
    endingOf(engine, record);
  } else {
    record["exit_code"] = nullptr;
    record["signal"] = nullptr;
  }
  record["ms"] = ran ? HistoryRecord(engine.milliseconds) : HistoryRecord();
  std::string warning;
  record["output_tail"] = ran ? engineOutputTail(c.log.path, engine, warning) : std::string();
  if (!warning.empty()) warnings.push_back(warning);
  return record;
}

bool rebootRequired(const CBaseCmp& c) {
  const CommandRecord& engine = c.facts.engine;
  if (engine.text.empty() || !engine.started || engine.status.signalled) return false;
  return c.engineWroteFirmware(engine.status.exitCode);
}

// The words the command line took without using them.
std::vector<std::string> ignoredArguments(const std::vector<std::string>& arguments) {
  static const char* const kUsed[] = {"/s", "-s", "/f", "-f", "/e", "-e", "/g", "-g", "/d", "-d"};
  std::vector<std::string> ignored;
  bool afterReportSwitch = false;
  for (const std::string& word : arguments) {
    bool used = afterReportSwitch;
    afterReportSwitch = false;
    for (const char* known : kUsed) {
      if (word != known) continue;
      used = true;
      afterReportSwitch = word == "/d" || word == "-d";
    }
    if (!used) ignored.push_back(word);
  }
  return ignored;
}

std::string workingDirectory() {
  char path[PATH_MAX + 1];
  return ::getcwd(path, sizeof path) == nullptr ? std::string() : std::string(path);
}

void identity(HistoryRecord& record, const RunStory& story, const char* phase) {
  record["schema"] = 1;
  record["phase"] = phase;
  record["run_id"] = story.runId;
  record["started"] = isoUtc(story.startedMs);
}

void outcomeOf(CBaseCmp& c, const RunStory& story, HistoryRecord& record) {
  const RunOutcome outcome = runOutcome(c, story);
  record["outcome"] = {{"exit_code", story.exitCode},
                       {"word", outcome.word},
                       {"cause", outcome.cause},
                       {"reason", outcome.reason}};
}

}  // namespace

void takePackageDigests(const CBaseCmp& c, RunStory& story) {
  story.digestsTaken = true;
  story.catalogueDigest = sha256OfFile(kCatalogueFile, kDigestBound);
  story.packagePath = c.packageFile();
  if (!story.packagePath.empty()) story.packageDigest = sha256OfFile(story.packagePath, kDigestBound);
}

HistoryRecord startedRecord(const CBaseCmp& c, const RunStory& story) {
  HistoryRecord record;
  identity(record, story, "started");
  record["program"] = story.program;
  record["component"] = story.component;
  record["mode"] = modeWord(c, story);
  record["boot_id"] = story.bootId;
  record["catalogue"] = catalogueRecord(c, story, false);
  record["package"] = digestOrNull(story.packageDigest);
  return record;
}

HistoryRecord endedRecord(CBaseCmp& c, const RunStory& story) {
  HistoryRecord record;
  identity(record, story, "ended");
  record["ended"] = isoUtc(nowMilliseconds());
  record["program"] = story.program;
  record["component"] = story.component;
  record["version"] = story.version;
  record["pid"] = static_cast<long>(::getpid());
  record["uid"] = static_cast<long>(::geteuid());
  record["host"] = hostName();
  record["boot_id"] = story.bootId;
  const long long boot = bootTime();
  record["boot_time"] = boot < 0 ? HistoryRecord() : HistoryRecord(boot);
  record["working_directory"] = textOrNull(workingDirectory());
  record["arguments"] = texts(story.arguments);
  record["ignored_arguments"] =
      texts(story.parseFailed ? std::vector<std::string>() : ignoredArguments(story.arguments));
  record["mode"] = modeWord(c, story);
  record["force"] = c.options.force;
  record["silent"] = c.options.silent;
  record["report_path"] = c.reportMode() ? HistoryRecord(c.options.reportPath) : HistoryRecord();
  record["catalogue"] = catalogueRecord(c, story, true);
  record["package"] = digestOrNull(story.packageDigest);
  record["package_file"] = textOrNull(story.packagePath);
  record["release"] = textOrNull(utf8(c.report.platformName));
  record["libraries"] = libraryRecords(c.facts.discovery);
  record["sysfs_fc_functions"] =
      c.facts.sysfsFcFunctions < 0 ? HistoryRecord() : HistoryRecord(c.facts.sysfsFcFunctions);
  record["adapters"] = adapterRecords(c);
  record["devices"] = deviceRecords(c);
  record["decision"] = {{"upgrade_pending", c.updateDecision() == UpdateDecision::Upgrade},
                        {"forced", c.options.force}};
  record["commands"] = commandRecords(c.facts.commands);
  record["commands_not_kept"] = c.facts.commands.dropped;
  std::vector<std::string> warnings = c.log.logOnlyLines.kept;
  record["engine"] = engineRecord(c, warnings);
  for (const std::string& warning : story.warnings.kept) warnings.push_back(warning);
  // The signal that ended a wait for the lock came before the run's own
  // handlers were in place, and so is counted here.
  std::vector<std::string> signals = receivedRunSignals();
  if (!story.lockSignal.empty()) signals.insert(signals.begin(), story.lockSignal);
  record["signals"] = texts(signals);
  record["warnings"] = texts(warnings);
  record["lock_wait_ms"] = story.lockWaitMs;
  outcomeOf(c, story, record);
  record["reboot_required"] = rebootRequired(c);
  return record;
}

std::string engineOutputTail(const std::string& logPath, const CommandRecord& engine, std::string& warning) {
  if (engine.appendedFrom < 0 || engine.appendedTo < engine.appendedFrom) {
    warning = "the flash engine's output could not be placed in the component log";
    return std::string();
  }
  const int fd = ::open(logPath.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  struct stat info;
  if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < engine.appendedTo) {
    if (fd >= 0) (void)::close(fd);
    warning = "the flash engine's output could not be read back from the component log";
    return std::string();
  }
  const long long from = std::max(engine.appendedFrom, engine.appendedTo - kEngineTailBytes);
  std::string tail(static_cast<std::size_t>(engine.appendedTo - from), '\0');
  const ssize_t got = tail.empty() ? 0 : ::pread(fd, &tail[0], tail.size(), static_cast<off_t>(from));
  (void)::close(fd);
  tail.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
  return tail;
}
