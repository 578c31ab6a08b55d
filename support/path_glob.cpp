// Globs through glob(3), which matches as the shell does.
#include "support/path_glob.h"

#include <glob.h>

std::vector<std::string> expandGlob(const std::string& pattern) {
  std::vector<std::string> paths;
  glob_t found{};
  if (glob(pattern.c_str(), 0, nullptr, &found) == 0) {
    for (std::size_t i = 0; i < found.gl_pathc; ++i) paths.push_back(found.gl_pathv[i]);
  }
  globfree(&found);
  return paths;
}
