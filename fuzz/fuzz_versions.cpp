// Version texts and adapter keys from arbitrary bytes: compareVersions must
// stay antisymmetric and return only -1, 0 or 1; keys never overrun a record.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "framework/base_component.h"

namespace {

// Four bytes a wide character when the input is long enough to be read so,
// else one byte each, so that both ASCII and any 32-bit value are reached.
std::wstring wideFrom(const std::uint8_t* data, std::size_t size) {
  std::wstring text;
  if (size >= 8 && data[0] == 0xff) {
    for (std::size_t i = 1; i + 4 <= size; i += 4) {
      std::uint32_t value;
      std::memcpy(&value, data + i, 4);
      text += static_cast<wchar_t>(value);
    }
    return text;
  }
  for (std::size_t i = 0; i < size; ++i) text += static_cast<wchar_t>(data[i]);
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("FCUPDATE_ROOT", "/tmp/fcupdate-fuzz-root", 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::uint8_t* split = static_cast<const std::uint8_t*>(std::memchr(data, '|', size));
  const std::size_t left = split != nullptr ? static_cast<std::size_t>(split - data) : size / 2;
  const std::size_t rightStart = split != nullptr ? left + 1 : left;
  const std::wstring a = wideFrom(data, left);
  const std::wstring b = wideFrom(data + rightStart, size - rightStart);
  const int ab = CBaseCmp::compareVersions(a, b);
  if (ab < -1 || ab > 1 || ab != -CBaseCmp::compareVersions(b, a)) std::abort();
  if (CBaseCmp::compareVersions(a, a) != 0) std::abort();

  static CBaseCmp component;
  auto record = std::make_unique<FcAdapterRecord>();
  const std::string narrowA(reinterpret_cast<const char*>(data), left);
  const std::string narrowB(reinterpret_cast<const char*>(data + rightStart), size - rightStart);
  copyField(record->pciId, narrowA.c_str());
  copyField(record->subsystemId, narrowB.c_str());
  // One fresh component a run would hold too many records; reuse slot 0.
  if (component.adapters.empty()) component.adapters.append(std::make_unique<FcAdapterRecord>());
  component.adapters[0] = *record;
  (void)component.pciIdText(0);
  return 0;
}
