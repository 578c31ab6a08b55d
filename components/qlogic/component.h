// The QLogic component: inventory from the flash engine's query report,
// loose catalogue matching, and flashing with the engine's exit codes mapped.
#pragma once

#include <string>

#include "framework/base_component.h"

namespace QLogicComp {

class CComponent : public CBaseCmp {
 public:
  // Refuses (false, after saying why) a flash engine or package folder that
  // another user could change; otherwise the base discovery.
  bool discover() override;
  void buildInventory() override;
  int flash() override;
  int findCatalogueIndex(const std::wstring& name) override;
  std::string packageFile() const override;

  // The text up to its first space, without the first "v."; the inventory
  // takes the engine's versions as they are and does not call it.
  static std::wstring cleanVersionText(const std::wstring& text);
};

// The component's exit code for the flash engine's own.
int exitCodeForEngine(int engineExitCode);

}  // namespace QLogicComp
