// How the adapter's model name steers the Emulex version handling: which
// installed texts are taken whole, which version the package offers, and
// which comparison decides the action.
#pragma once

#include <string>

namespace EmulexComp {

// The firmware every fixed-version model is offered, whatever the catalogue says.
extern const wchar_t kFixedFirmwareVersion[];

// True when the model text contains "LPe160", "LPe320", "LPe310", "LPe350" or "LPe360".
bool isFixedVersionModel(const std::string& model);

// The kit prints two leading characters before most versions; the
// fixed-version and "OCe" models print the firmware version bare.
std::string installedFirmwareText(const std::string& model, const std::string& firmware);
// Only the "OCe" models print the boot code version bare.
std::string installedBootCodeText(const std::string& model, const std::string& bootCode);

std::wstring availableFirmwareVersion(const std::string& model, const std::wstring& catalogueFirmware);

// A catalogue that writes the firmware version without dots is compared
// against the installed version with its dots removed (not for the
// fixed-version models, which are offered a dotted version).
std::string firmwareTextForComparison(const std::string& model, const std::wstring& catalogueFirmware,
                                      const std::string& installed);

// "LPe120" and "LPe110" firmware is compared by major part and rest.
bool comparesFirmwareByMajorAndRest(const std::string& model);

// The major part is the text before the first character that is not a
// decimal digit, the rest the text after it (that character belongs to
// neither); a text of digits only is all major part. The majors decide
// unless equal, then the rests. -1, 0 or 1, as compareVersions.
int compareMajorAndRest(const std::wstring& available, const std::wstring& installed);

}  // namespace EmulexComp
