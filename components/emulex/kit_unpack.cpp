// The kit's unpacking, step by step, each step able to refuse it.
#include "components/emulex/kit_unpack.h"

#include <vector>

#include "components/emulex/kit_files.h"
#include "components/emulex/kit_listing.h"
#include "components/emulex/zip_listing.h"
#include "framework/tool_trust.h"
#include "support/command_runner.h"
#include "support/path_glob.h"
#include "support/tree_modes.h"

namespace EmulexComp {

namespace {

const char kAmbiguousKit[] =
    "ERROR! : Exactly one Emulex Kit archive and only its own folder must be present; no kit was run.\n";

std::string notWhole(const std::string& reason) {
  return "ERROR! : The Emulex Kit did not unpack whole (" + reason + "); no kit was run.\n";
}

// How unzip failed, or empty when it ended with 0 or 1 (warnings only).
std::string unzipFailure(const CommandResult& unzip) {
  if (!unzip.started) return "unzip could not be started";
  if (unzip.status.signalled)
    return "unzip was ended by signal " + std::to_string(unzip.status.exitCode - 128);
  if (unzip.status.exitCode > 1) return "unzip ended with " + std::to_string(unzip.status.exitCode);
  return "";
}

std::vector<std::string> namesOf(const std::vector<ZipEntry>& listing) {
  std::vector<std::string> names;
  names.reserve(listing.size());
  for (const ZipEntry& entry : listing) names.push_back(entry.name);
  return names;
}

// The first refusal of a walk over each of the kit's tops; a closing walk
// closes every top, whatever it found in an earlier one.
std::string walkTops(const std::vector<std::string>& tops, TreeWalk how) {
  std::string refusal;
  for (const std::string& top : tops) {
    const std::string found = trustRefusal(walkTree(top, how));
    if (refusal.empty()) refusal = found;
    if (!refusal.empty() && how == TreeWalk::JudgeOnly) break;
  }
  return refusal;
}

// After unzip: closed to others, whole, one script, the archive's own.
std::string checkUnpacked(const std::vector<std::string>& archives, const std::vector<ZipEntry>& listing,
                          const CommandResult& unzip, const char* scriptGlob) {
  std::string closing = walkTops(listingTops(listing), TreeWalk::CloseThenJudge);
  const std::string mismatch = unpackedMismatch(listing);
  if (!mismatch.empty()) {
    // unzip's failure is the cause, the mismatch what it left.
    const std::string failure = unzipFailure(unzip);
    return notWhole(failure.empty() ? mismatch : failure + "; " + mismatch);
  }
  if (!closing.empty()) return closing;
  const std::vector<std::string> scripts = expandGlob(scriptGlob);
  if (!kitIsUnambiguous(archives, scripts, namesOf(listing))) return kAmbiguousKit;
  return trustRefusal(judgePath(scripts.front()));
}

}  // namespace

std::string unpackKit(const KitGlobs& kit, CommandRecords& commands) {
  const std::vector<std::string> archives = expandGlob(kit.archive);
  if (archives.size() != 1) return kAmbiguousKit;
  std::string refusal = trustRefusal(judgePath(archives.front()));
  if (!refusal.empty()) return refusal;
  std::vector<ZipEntry> listing;
  if (!readZipListingFile(archives.front(), listing)) return notWhole("the archive's listing cannot be read");
  const std::string listed = listingRefusal(listing);
  if (!listed.empty()) return notWhole(listed);
  // A kit folder already there is unzip's to write into: it must be closed
  // to others before, not only after.
  refusal = walkTops(listingTops(listing), TreeWalk::JudgeOnly);
  if (!refusal.empty()) return refusal;
  const std::string command = std::string("unzip -o ") + kit.archive;
  const CommandResult unzip = runCaptured(command);
  commands.add(commandRecord(command, unzip));
  return checkUnpacked(archives, listing, unzip, kit.script);
}

}  // namespace EmulexComp
