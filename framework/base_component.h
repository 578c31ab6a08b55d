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

// What the command line asked for: set once, before the run, and only read
// during it. The log's console echo (log.quiet) goes off with silent.
struct RunOptions {
  bool silent = false;     // "/s": the QLogic flash engine is told to be silent too
  bool discovery = false;  // "/d": report mode, nothing is flashed
  bool force = false;      // "/f", "/e", "/g": flash whatever the versions
  std::string reportPath;  // the path after "/d"
};

class CBaseCmp {
 public:
  CBaseCmp() = default;
  virtual ~CBaseCmp() = default;
  CBaseCmp(const CBaseCmp&) = delete;
  CBaseCmp& operator=(const CBaseCmp&) = delete;

  // The hooks: what the run sequence, and discover itself, call. A vendor
  // overrides those its rules change.

  // Fills adapters, sets the report header and builds the inventory; false
  // (after the warning) when no adapter is installed.
  virtual bool discover();
  // Appends to report.devices what the adapters and the vendor's tool say;
  // the base discover calls it once.
  virtual void buildInventory();
  // Flash mode, when the decision allows it; the process exit code.
  virtual int flash();
  // Report mode; false when the report could not be written.
  virtual bool writeDiscoveryReport();
  // Index into catalogue.devices of the entry for an adapter key, or -1.
  virtual int findCatalogueIndex(const std::wstring& name);
  // The file of the package that the flash writes from (the flash engine,
  // the kit archive, the boot image), relative to the working directory;
  // empty when there is none or it cannot be told. Its digest identifies
  // the package in the run history.
  virtual std::string packageFile() const { return std::string(); }
  // Whether the flash engine's exit code says it wrote firmware, so that
  // the host needs a reboot for it to take effect.
  virtual bool engineWroteFirmware(int engineExitCode) const { return engineExitCode == 0; }

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

  // The run options, and the ways the run reads them.
  RunOptions options;
  bool reportMode() const { return options.discovery; }
  // "/s": the options and the log's console echo together.
  void setSilent() {
    options.silent = true;
    log.quiet = true;
  }

  // The working state of the run: the log, what discovery found and the
  // inventory it built.
  ComponentLog log;
  FcAdapterRecordList adapters;
  ReferenceCatalogue catalogue;
  DiscoveryReport report;
  RunFacts facts;
};
