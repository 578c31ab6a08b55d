// The Emulex component: discovers adapters through the standalone flash
// kit's own query instead of the HBA libraries, and flashes with the kit.
#pragma once

#include <string>

#include "framework/base_component.h"

namespace EmulexComp {

class CComponent : public CBaseCmp {
 public:
  // Unpacks the kit, queries it and records every catalogued adapter; true
  // even when nothing was recorded.
  bool discover() override;
  int flash() override;
  std::string packageFile() const override;
  // 0, and 11 and 14: the kit updated what it could and skipped the CNAs.
  bool engineWroteFirmware(int engineExitCode) const override;

  // Unpacks the kit, closes it to other users and makes its script
  // executable; true (after saying why) when it may not run: not exactly one
  // archive whose own script the glob finds, not unpacked whole, or open to
  // another user's changes.
  bool prepareKit();
  // The text up to the first space; the kit's versions are taken as they
  // are, so nothing calls it.
  static std::wstring cleanVersionText(const std::wstring& text);

  // Zeros in front up to four characters; a longer text is unchanged.
  static std::string padId(const std::string& text);

 private:
  void logGaveUp(const std::string& text);
};

}  // namespace EmulexComp
