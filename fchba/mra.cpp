// The adapter walker over the HBA API libraries.
#include "fchba/mra.h"

#include "fchba/hba_dispatch.h"
#include "fchba/vendor_extension.h"

FcHbaMRA::FcHbaMRA() {
  librariesLoaded_ = HBA_LoadLibrary() == HBA_STATUS_OK;
  adapterCount_ = librariesLoaded_ ? HBA_GetNumberOfAdapters() : 0;
}

std::unique_ptr<FcHbaAdapter> FcHbaMRA::firstAdapter(int& status) {
  status = 0;
  if (adapterCount_ == 0) return nullptr;
  return createAdapter(0, status);
}

std::unique_ptr<FcHbaAdapter> FcHbaMRA::nextAdapter(const FcHbaAdapter& previous, int& status) {
  const HBA_UINT32 index = previous.index() + 1;
  if (index >= adapterCount_ || index == 0) return nullptr;
  return createAdapter(index, status);
}

std::unique_ptr<FcHbaAdapter> FcHbaMRA::createAdapter(HBA_UINT32 index, int& status) {
  auto adapter = std::make_unique<FcHbaAdapter>(index);
  status = adapter->refresh();
  const PciLocation location = resolvePciLocation(*adapter);
  if (!location.located) adapter->addProblem("vendor extension: " + location.statusText);
  return adapter;
}
