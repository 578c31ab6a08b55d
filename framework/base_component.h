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
#include "framework/run_facts.h"
#include "framework/version_rules.h"

// What the items of a run add up to; the values are those the run has always used.
enum class UpdateDecision { None = 0, Upgrade = 1, Rewrite = 2, Downgrade = 4 };

// The text the report records a catalogued adapter under: QLogic writes the
// catalogue entry's device_id (an entry may list a longer identity than the
// adapter's key), Brocade the adapter's key itself.
enum class DeviceIdSource { CatalogueEntry, AdapterKey };

// An installed adapter that the catalogue lists.
struct CataloguedAdapter {
  std::size_t adapter;           // index into CBaseCmp::adapters
  const ReferenceDevice* entry;  // in CBaseCmp::catalogue.devices
  std::wstring deviceId;         // as DeviceIdSource chose
};

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

  // The entry findCatalogueIndex finds for the key, or nullptr; an index it
  // returns outside the catalogue counts as none.
  const ReferenceDevice* catalogueEntry(const std::wstring& key);
  // The adapters the catalogue lists, in adapter order.
  std::vector<CataloguedAdapter> cataloguedAdapters(DeviceIdSource source);

  // Records the host's release code in report.platformName, and in facts
  // how many Fibre Channel functions its PCI bus lists.
  void detectPlatform();
  // Upgrade when any item says "upgrade", else Downgrade, else Rewrite, else None.
  UpdateDecision updateDecision() const;
  bool hasDiscoveredDevices() const;

  // The version rules, under the names every vendor component uses.
  std::wstring pciIdText(std::size_t index) const { return catalogueKey(adapters[index]); }
  static std::vector<std::wstring> splitVersion(const std::wstring& text, wchar_t separator) {
    return ::splitVersion(text, separator);
  }
  static int compareVersions(const std::wstring& a, const std::wstring& b) { return ::compareVersions(a, b); }
  static std::wstring toUpperWide(const std::wstring& text) { return ::toUpperWide(text); }

  ComponentLog log;
  bool silent = false;
  bool discovery = false;
  bool force = false;
  FcAdapterRecordList adapters;
  ReferenceCatalogue catalogue;
  DiscoveryReport report;
  std::string reportPath;
  RunFacts facts;
};
