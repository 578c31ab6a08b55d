// The refusal lines of untrusted vendor files.
#include "framework/tool_trust.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "support/shell_quote.h"
#include "support/shown_text.h"

namespace {

// Enough for any path a package holds; a longer one is cut and marked.
constexpr std::size_t kShownPathBytes = 300;

std::string octalMode(mode_t mode) {
  char text[8];
  (void)std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
  return text;
}

std::string owners() {
  const uid_t self = ::geteuid();
  return self == 0 ? "root" : "root or uid " + std::to_string(self);
}

}  // namespace

std::string trustRefusal(const TrustVerdict& verdict) {
  const std::string path = shownText(verdict.path, kShownPathBytes);
  const char* const notRun = "; no vendor tool was run.";
  switch (verdict.finding) {
    case TrustVerdict::Finding::Trusted:
      return "";
    case TrustVerdict::Finding::ForeignOwner:
      return "ERROR! : " + path + " is owned by uid " + std::to_string(verdict.owner) + ", not by " +
             owners() + notRun + " Run: chown root " + shellQuote(path) + "\n";
    case TrustVerdict::Finding::OpenToOthers:
      // A shared folder such as /tmp must stay open: the package must leave it.
      if ((verdict.mode & S_ISVTX) != 0 && path[0] == '/') {
        return "ERROR! : " + path + " is a shared folder, writable by group or others (mode " +
               octalMode(verdict.mode) + ")" + notRun + " Keep the package's files out of it.\n";
      }
      return "ERROR! : " + path + " is writable by group or others (mode " + octalMode(verdict.mode) + ")" +
             notRun + " Run: chmod go-w " + shellQuote(path) + "\n";
    case TrustVerdict::Finding::Symlink:
      return "ERROR! : " + path + " is a symlink in a kit folder" + notRun + " Run: rm " + shellQuote(path) +
             "\n";
    case TrustVerdict::Finding::Unchecked:
      break;
  }
  return "ERROR! : " + path + " could not be checked for other users' access" + notRun + "\n";
}

bool vendorFilesTrusted(ComponentLog& log, const std::vector<std::string>& paths, std::string* why) {
  for (const std::string& path : paths) {
    const std::string refusal = trustRefusal(judgePath(path));
    if (!refusal.empty()) {
      log.write(refusal);
      if (why != nullptr) *why = refusal;
      return false;
    }
  }
  return true;
}
