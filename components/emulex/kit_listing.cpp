// The listing's names judged, and looked up under the working directory.
#include "components/emulex/kit_listing.h"

#include <sys/stat.h>

#include <algorithm>
#include <set>

#include "support/shown_text.h"

namespace EmulexComp {

namespace {

// A name shown in a reason: enough to recognise it, still one short line.
constexpr std::size_t kShownNameBytes = 200;

// The names of an entry, "." and empty ones left out.
std::vector<std::string> namesOf(const std::string& entry, const char* separators) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start <= entry.size()) {
    std::size_t end = entry.find_first_of(separators, start);
    if (end == std::string::npos) end = entry.size();
    const std::string name = entry.substr(start, end - start);
    if (!name.empty() && name != ".") names.push_back(name);
    start = end + 1;
  }
  return names;
}

bool leavesItsFolder(const std::string& entry) {
  if (entry[0] == '/' || entry[0] == '\\') return true;
  const std::vector<std::string> names = namesOf(entry, "/\\");
  return std::find(names.begin(), names.end(), "..") != names.end();
}

std::string shown(const std::string& name) { return shownText(name, kShownNameBytes); }

// Why the entry is not in place, or empty.
std::string entryMismatch(const ZipEntry& entry) {
  const std::vector<std::string> names = namesOf(entry.name, "/");
  std::string path = ".";
  for (std::size_t i = 0; i < names.size(); ++i) {
    path += "/" + names[i];
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0) return shown(path.substr(2)) + " is missing";
    const bool last = i + 1 == names.size();
    if ((!last || entry.directory) && !S_ISDIR(info.st_mode))
      return shown(path.substr(2)) + " is not a folder";
    if (last && !entry.directory && !S_ISREG(info.st_mode))
      return shown(path.substr(2)) + " is not a regular file";
    if (last && !entry.directory && static_cast<std::uint64_t>(info.st_size) != entry.size) {
      return shown(path.substr(2)) + " has " + std::to_string(info.st_size) + " bytes, not " +
             std::to_string(entry.size);
    }
  }
  return "";
}

}  // namespace

std::string listingRefusal(const std::vector<ZipEntry>& listing) {
  for (const ZipEntry& entry : listing) {
    if (entry.symlink) return "the archive lists a symlink: " + shown(entry.name);
    if (leavesItsFolder(entry.name))
      return "the archive lists a name outside its folder: " + shown(entry.name);
  }
  return "";
}

std::string unpackedMismatch(const std::vector<ZipEntry>& listing) {
  for (const ZipEntry& entry : listing) {
    std::string reason = entryMismatch(entry);
    if (!reason.empty()) return reason;
  }
  return "";
}

std::vector<std::string> listingTops(const std::vector<ZipEntry>& listing) {
  std::vector<std::string> tops;
  std::set<std::string> seen;
  for (const ZipEntry& entry : listing) {
    const std::vector<std::string> names = namesOf(entry.name, "/");
    if (!names.empty() && seen.insert(names.front()).second) tops.push_back(names.front());
  }
  return tops;
}

}  // namespace EmulexComp
