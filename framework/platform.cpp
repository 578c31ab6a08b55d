// The release patterns and the reading of the host's release file.
#include "framework/platform.h"

#include <sys/stat.h>

#include "regex/pattern.h"
#include "support/command_stream.h"
#include "support/shell_quote.h"
#include "support/system_root.h"

namespace {

struct ReleaseRule {
  const char* pattern;
  const wchar_t* code;
};

const ReleaseRule kRedHat[] = {
    {"Red Hat Enterprise Linux.*release 4.*", L"rhel4"},
    {"Red Hat Enterprise Linux.*release 5.*", L"rhel5"},
    {"Red Hat Enterprise Linux.*release 6.*", L"rhel6"},
};

const ReleaseRule kSuse[] = {
    {"SUSE Linux Enterprise Server 10.*", L"sles10"},
    {"SUSE Linux Enterprise Server 11.*", L"sles11"},
};

// A release file is a line or two: past these bounds it is not one, and a
// device or FIFO in its place must not be read without end.
constexpr std::size_t kReleaseLineBound = std::size_t{64} * 1024;
constexpr std::size_t kReleaseBound = std::size_t{1024} * 1024;

bool exists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

template <std::size_t N>
std::wstring classify(const std::string& releaseFile, const ReleaseRule (&rules)[N],
                      CommandRecords& commands) {
  CommandStream release("cat " + shellQuote(releaseFile), kReleaseLineBound, kReleaseBound);
  std::string text;
  std::string line;
  while (release.readLine(line)) text += line + "\n";
  commands.add(release.finish());
  for (const ReleaseRule& rule : rules) {
    if (Pattern::textMatches(rule.pattern, text, Pattern::DOT_ALL | Pattern::MULTI_LINE)) return rule.code;
  }
  return std::wstring();
}

}  // namespace

std::wstring detectReleaseCode(CommandRecords& commands) {
  const std::string redHat = hostPath("/etc/redhat-release");
  const std::string suse = hostPath("/etc/SuSE-release");
  if (exists(redHat)) return classify(redHat, kRedHat, commands);
  if (exists(suse)) return classify(suse, kSuse, commands);
  return std::wstring();
}
