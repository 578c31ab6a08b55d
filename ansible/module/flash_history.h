// What the host's run history says before a flash: whether the last flash
// of the same package failed (the update is then held until a person looks),
// and whether an applied update still waits for its reboot.
#pragma once

#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace fleet {

// A package is its catalogue and its engine file, kit archive or boot image,
// each by SHA-256 as the record holds them (null where absent).
struct PackageIdentity {
  nlohmann::json catalogue;
  nlohmann::json package;
};

PackageIdentity packageOf(const nlohmann::json& record);

struct FailedFlash {
  bool found = false;
  std::string runId;
  std::string when;      // the run's end, or its start when it never ended
  std::string exitCode;  // as a number, or why there is none
  std::string reason;
};

struct HostHistory {
  FailedFlash lastFlashFailed;  // found: the last flash of the package failed
  bool rebootPending = false;   // an applied update's record has this boot's id
};

// Reads the history's lines one at a time, oldest first, keeping a few
// facts of each flash run only: a full history is 32 MiB. A flash counts
// when its engine ran (a refusal or a lock timeout that ran none does not),
// or when only its started record exists (killed, crashed, power lost).
class FlashHistoryJudge {
 public:
  FlashHistoryJudge(PackageIdentity package, std::string bootId)
      : package_(std::move(package)), bootId_(std::move(bootId)) {}
  void line(const std::string& text);
  HostHistory verdict() const;

 private:
  struct Run {
    bool samePackage = false;
    bool ended = false;
    bool engineRan = false;
    bool failed = false;
    FailedFlash failure;
  };
  void started(const nlohmann::json& record, Run& run) const;
  void ended(const nlohmann::json& record, Run& run);

  PackageIdentity package_;
  std::string bootId_;
  std::vector<Run> runs_;  // in the order of their first record
  std::map<std::string, size_t> byId_;
  bool rebootPending_ = false;
};

// The same over lines already read (for tests).
HostHistory judgeHostHistory(const std::vector<std::string>& lines, const PackageIdentity& package,
                             const std::string& bootId);

}  // namespace fleet
