// Access to the HBA API management libraries and the walk over the adapters
// they report, one adapter object at a time.
#pragma once

#include <memory>

#include "fchba/fc_adapter.h"
#include "fchba/hbaapi_types.h"

class FcHbaMRA {
 public:
  // Loads the HBA API libraries; nothing is unloaded by the destructor (each
  // adapter object unloads the set when it goes).
  FcHbaMRA();
  FcHbaMRA(const FcHbaMRA&) = delete;
  FcHbaMRA& operator=(const FcHbaMRA&) = delete;

  // A new, refreshed adapter with its PCI location, or null at the end;
  // status is the adapter's refresh result (left alone at the end of the walk).
  std::unique_ptr<FcHbaAdapter> firstAdapter(int& status);
  std::unique_ptr<FcHbaAdapter> nextAdapter(const FcHbaAdapter& previous, int& status);

  bool librariesLoaded() const { return librariesLoaded_; }
  HBA_UINT32 adapterCount() const { return adapterCount_; }

 private:
  std::unique_ptr<FcHbaAdapter> createAdapter(HBA_UINT32 index, int& status);

  bool librariesLoaded_ = false;
  HBA_UINT32 adapterCount_ = 0;
};
