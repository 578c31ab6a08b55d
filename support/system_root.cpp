// Host paths below FCUPDATE_ROOT.
#include "support/system_root.h"

#include <cstdlib>

std::string hostPath(const std::string& fixedPath) {
  const char* root = std::getenv("FCUPDATE_ROOT");
  if (root == nullptr || *root == '\0') return fixedPath;
  std::string base(root);
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  if (base == "/") return fixedPath;
  return base + fixedPath;
}
