// The component base: owns everything a run needs and gives the run sequence
// the virtual operations through which it reaches vendor behaviour.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "fchba/adapter_record.h"
#include "framework/catalogue.h"
#include "framework/component_log.h"
#include "framework/inventory.h"

// What the items of a run add up to; the values are those the run has always used.
enum class UpdateDecision { None = 0, Upgrade = 1, Rewrite = 2, Downgrade = 4 };

class CBaseCmp {
 public:
  CBaseCmp() = default;
  virtual ~CBaseCmp() = default;
  CBaseCmp(const CBaseCmp&) = delete;
  CBaseCmp& operator=(const CBaseCmp&) = delete;

  // Fills adapters, sets the report header and builds the inventory; false
  // (after the warning) when no adapter is installed.
  virtual bool discover();
  virtual std::wstring cleanVersionText(const std::wstring& text);
  virtual void buildInventory();
  virtual bool prepareKit();
  virtual int flash();
  virtual bool writeDiscoveryReport();
  // Index into catalogue.devices of the entry for an adapter key, or -1.
  virtual int findCatalogueIndex(const std::wstring& name);

  // Records the host's release code in report.platformName; always 0.
  int detectPlatform();
  // Upgrade when any item says "upgrade", else Downgrade, else Rewrite, else None.
  UpdateDecision updateDecision() const;
  bool hasDiscoveredDevices() const;

  // The dotted catalogue key of the adapter record at index.
  std::wstring pciIdText(std::size_t index) const;
  static std::vector<std::wstring> splitVersion(const std::wstring& text, wchar_t separator);
  // -1 when a is older than b, 0 when equal, 1 when newer.
  static int compareVersions(const std::wstring& a, const std::wstring& b);
  static std::wstring toUpperWide(const std::wstring& text);

  ComponentLog log;
  bool silent = false;
  bool discovery = false;
  bool force = false;
  FcAdapterRecordList adapters;
  ReferenceCatalogue catalogue;
  DiscoveryReport report;
  std::string reportPath;
};
