// The model-name rules of the Emulex version handling.
#include "components/emulex/model_rules.h"

#include <algorithm>

#include "framework/base_component.h"

namespace EmulexComp {

const wchar_t kFixedFirmwareVersion[] = L"14.0.499.25";

namespace {

bool contains(const std::string& text, const char* piece) { return text.find(piece) != std::string::npos; }

bool isOneConnectModel(const std::string& model) { return contains(model, "OCe"); }

// A text too short to lose its two leading characters has nothing left.
std::string withoutFirstTwo(const std::string& text) {
  return text.size() > 2 ? text.substr(2) : std::string();
}

struct MajorAndRest {
  std::wstring major;
  std::wstring rest;
};

MajorAndRest splitMajorAndRest(const std::wstring& text) {
  const std::size_t cut = text.find_first_not_of(L"0123456789");
  if (cut == std::wstring::npos) return {text, std::wstring()};
  return {text.substr(0, cut), text.substr(cut + 1)};
}

}  // namespace

bool isFixedVersionModel(const std::string& model) {
  for (const char* fixed : {"LPe160", "LPe320", "LPe310", "LPe350", "LPe360"}) {
    if (contains(model, fixed)) return true;
  }
  return false;
}

std::string installedFirmwareText(const std::string& model, const std::string& firmware) {
  if (isFixedVersionModel(model) || isOneConnectModel(model)) return firmware;
  return withoutFirstTwo(firmware);
}

std::string installedBootCodeText(const std::string& model, const std::string& bootCode) {
  return isOneConnectModel(model) ? bootCode : withoutFirstTwo(bootCode);
}

std::wstring availableFirmwareVersion(const std::string& model, const std::wstring& catalogueFirmware) {
  return isFixedVersionModel(model) ? std::wstring(kFixedFirmwareVersion) : catalogueFirmware;
}

std::string firmwareTextForComparison(const std::string& model, const std::wstring& catalogueFirmware,
                                      const std::string& installed) {
  if (isFixedVersionModel(model) || catalogueFirmware.find(L'.') != std::wstring::npos) return installed;
  std::string undotted = installed;
  undotted.erase(std::remove(undotted.begin(), undotted.end(), '.'), undotted.end());
  return undotted;
}

bool comparesFirmwareByMajorAndRest(const std::string& model) {
  return contains(model, "LPe120") || contains(model, "LPe110");
}

int compareMajorAndRest(const std::wstring& available, const std::wstring& installed) {
  const MajorAndRest a = splitMajorAndRest(available);
  const MajorAndRest b = splitMajorAndRest(installed);
  const int majors = CBaseCmp::compareVersions(a.major, b.major);
  return majors != 0 ? majors : CBaseCmp::compareVersions(a.rest, b.rest);
}

}  // namespace EmulexComp
