// The Brocade component: a boot BIOS inventory from each adapter's option
// ROM version, and one run of the boot update tool over all adapters.
#pragma once

#include <string>

#include "framework/base_component.h"

namespace BrocadeComp {

class CComponent : public CBaseCmp {
 public:
  // Refuses (false, after saying why) a boot update tool, boot image or
  // package folder that another user could change; otherwise the base
  // discovery.
  bool discover() override;
  // One device with one "Boot BIOS ROM" item per catalogued adapter.
  void buildInventory() override;
  // Applied when the tool succeeded, otherwise failed.
  int flash() override;
  // The boot image.
  std::string packageFile() const override;

  // The last four-part dotted number in the text, or the text unchanged.
  static std::wstring cleanVersionText(const std::wstring& text);
};

}  // namespace BrocadeComp
