// One Fibre Channel port of an adapter, as the HBA API reports it.
#pragma once

#include <array>
#include <string>

#include "fchba/hbaapi_types.h"

class FcHbaPort {
 public:
  static constexpr std::size_t kCounters = 15;
  using Statistics = std::array<HBA_INT64, kCounters>;

  void fillFrom(const HBA_PORTATTRIBUTES& attributes, HBA_UINT32 portIndex);
  // A counter reported as -1 is one the library does not keep: the stored
  // value stays as it was.
  void updateStatistics(const HBA_PORTSTATISTICS& statistics);
  std::string portWwnText() const;

  // The rest of the port's interface: its display texts and plain read
  // accessors. The run reads none of them; they complete the port for a
  // reader of the model.
  static std::string speedText(HBA_UINT32 speed);
  std::string stateText() const;
  std::string typeText() const;
  std::string fabricNameText() const;

  const HBA_WWN& portWwn() const { return portWwn_; }
  HBA_UINT32 portFcId() const { return portFcId_; }
  HBA_UINT32 portType() const { return portType_; }
  HBA_UINT32 portState() const { return portState_; }
  const std::string& symbolicName() const { return symbolicName_; }
  const std::string& osDeviceName() const { return osDeviceName_; }
  HBA_UINT32 supportedSpeed() const { return supportedSpeed_; }
  HBA_UINT32 speed() const { return speed_; }
  HBA_UINT32 maxFrameSize() const { return maxFrameSize_; }
  const HBA_WWN& fabricName() const { return fabricName_; }
  HBA_UINT32 portIndex() const { return portIndex_; }
  const HBA_FC4TYPES& activeFc4Types() const { return activeFc4Types_; }
  const HBA_FC4TYPES& supportedFc4Types() const { return supportedFc4Types_; }
  const Statistics& statistics() const { return statistics_; }

 private:
  HBA_WWN portWwn_{};
  HBA_UINT32 portFcId_ = 0;
  HBA_UINT32 portType_ = 1;
  HBA_UINT32 portState_ = 1;
  std::string symbolicName_ = "Undefined";
  std::string osDeviceName_ = "Undefined";
  HBA_UINT32 supportedSpeed_ = 0;
  HBA_UINT32 speed_ = 0;
  HBA_UINT32 maxFrameSize_ = 0;
  HBA_WWN fabricName_{};
  HBA_UINT32 portIndex_ = 0;
  HBA_FC4TYPES activeFc4Types_{};
  HBA_FC4TYPES supportedFc4Types_{};
  Statistics statistics_{};
};
