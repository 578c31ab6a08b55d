// One Fibre Channel adapter: its attributes and ports as read through the
// HBA API, and the PCI location the vendor extension adds.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "fchba/fc_port.h"
#include "fchba/hbaapi_types.h"

class FcHbaAdapter {
 public:
  // A library may report any number of ports; no adapter has more than this.
  static constexpr HBA_UINT32 kMaxPorts = 256;

  explicit FcHbaAdapter(HBA_UINT32 index) : index_(index) {}
  FcHbaAdapter(const FcHbaAdapter&) = delete;
  FcHbaAdapter& operator=(const FcHbaAdapter&) = delete;
  // Unloads the HBA API library set (harmless when it is already unloaded).
  ~FcHbaAdapter();

  // Reads name, attributes and ports; 0 when everything was read, 1 otherwise.
  int refresh();
  void setPciLocation(HBA_UINT32 subsystemWord, HBA_UINT8 bus, HBA_UINT8 function, HBA_UINT8 domain);
  std::string nodeWwnText() const;

  // Why reading the adapter went wrong, in order: each HBA API call of the
  // last refresh that failed, with its status, and whatever the discovery
  // adds (the vendor extension's status text).
  const std::vector<std::string>& problems() const { return problems_; }
  void addProblem(const std::string& problem) { problems_.push_back(problem); }

  HBA_UINT32 index() const { return index_; }
  const std::vector<FcHbaPort>& ports() const { return ports_; }
  const std::string& name() const { return name_; }
  const std::string& serialNumber() const { return serialNumber_; }
  const std::string& model() const { return model_; }
  const HBA_WWN& nodeWwn() const { return nodeWwn_; }
  const std::string& driverVersion() const { return driverVersion_; }
  const std::string& optionRomVersion() const { return optionRomVersion_; }
  const std::string& firmwareVersion() const { return firmwareVersion_; }
  HBA_UINT32 subsystemWord() const { return subsystemWord_; }
  HBA_UINT8 pciBus() const { return pciBus_; }
  HBA_UINT8 pciFunction() const { return pciFunction_; }
  HBA_UINT8 pciDomain() const { return pciDomain_; }
  // The rest of the adapter's attributes: read and kept with the others, but
  // nothing the run decides or records depends on them.
  const std::string& manufacturer() const { return manufacturer_; }
  const std::string& modelDescription() const { return modelDescription_; }
  const std::string& nodeSymbolicName() const { return nodeSymbolicName_; }
  const std::string& hardwareVersion() const { return hardwareVersion_; }
  HBA_UINT32 numberOfPorts() const { return numberOfPorts_; }
  const std::string& driverName() const { return driverName_; }

 private:
  int readOpenAdapter(HBA_HANDLE handle);
  void takeAttributes(const HBA_ADAPTERATTRIBUTES& attributes);
  int readPort(HBA_HANDLE handle, HBA_UINT32 portIndex);
  int failed(const std::string& call, HBA_STATUS status);

  HBA_UINT32 index_;
  std::vector<FcHbaPort> ports_;
  std::string name_ = "Undefined";
  std::string manufacturer_ = "Undefined";
  std::string serialNumber_ = "Undefined";
  std::string model_ = "Undefined";
  std::string modelDescription_ = "Undefined";
  HBA_WWN nodeWwn_{};
  std::string nodeSymbolicName_ = "Undefined";
  std::string hardwareVersion_ = "Undefined";
  std::string driverVersion_ = "Undefined";
  std::string optionRomVersion_ = "Undefined";
  std::string firmwareVersion_ = "Undefined";
  HBA_UINT32 numberOfPorts_ = 0;
  std::string driverName_ = "Undefined";
  HBA_UINT32 subsystemWord_ = 0;
  HBA_UINT8 pciBus_ = 0;
  HBA_UINT8 pciFunction_ = 0;
  HBA_UINT8 pciDomain_ = 0;
  std::vector<std::string> problems_;
  // Held for the length of a refresh. The run has one thread and refreshes
  // each adapter once, so nothing ever waits on it.
  std::mutex lock_;
};
