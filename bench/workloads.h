// The inputs the benchmarks measure on: the tool outputs, release texts,
// version pieces and log the system applies its patterns to.
#pragma once

#include <string>
#include <vector>

namespace bench {

// A 64-instance QLogic query report, five lines per instance.
std::vector<std::string> qlogicReportLines();
extern const char* const kQLogicPatterns[3];

// 256 Emulex kit query lines, most matching the line pattern, some not.
std::vector<std::string> emulexQueryLines();
extern const char* const kEmulexPattern;

// The release texts of the platform detection examples, and its patterns.
std::vector<std::string> releaseTexts();
extern const char* const kReleasePatterns[5];

// Version pieces as the version rules split them, and the same as narrow
// text.
std::vector<std::wstring> versionPieces();
std::vector<std::string> narrowVersionPieces();

// About 1 MB of component log, and the short pattern searched in it.
std::string componentLog();
extern const char* const kLogPattern;

// About 1 MB of query reports, and the dotted version number searched in
// them: most digits start no match.
std::string queryReportText();
extern const char* const kVersionPattern;

}  // namespace bench
