// The Emulex component: base behaviour until its inventory and flash land.
#pragma once

#include "framework/base_component.h"

namespace EmulexComp {

class CComponent : public CBaseCmp {
 public:
  ~CComponent() override = default;
};

}  // namespace EmulexComp
