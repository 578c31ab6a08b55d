// Realistic, deterministic benchmark inputs.
#include "bench/workloads.h"

#include <cstdio>

namespace bench {

const char* const kQLogicPatterns[3] = {"HBA Instance.*: (.+).*", "Flash Image.*: (.+).*",
                                        "Port Name.*: (.+).*"};

const char* const kEmulexPattern =
    "HBA=(.+),.*PCI "
    "ID=(\\w{1,4}),.*VID=(\\w{1,4}),.*SSID=(\\w{1,4}),.*SVID=(\\w{1,4}),.*Firmware=(.+),.*Boot "
    "Code=([\\w\\.]+).*";

const char* const kReleasePatterns[5] = {
    "Red Hat Enterprise Linux.*release 4.*", "Red Hat Enterprise Linux.*release 5.*",
    "Red Hat Enterprise Linux.*release 6.*", "SUSE Linux Enterprise Server 10.*",
    "SUSE Linux Enterprise Server 11.*"};

const char* const kLogPattern = "ERR-[0-9]+";

const char* const kVersionPattern = "[0-9]+\\.[0-9]+\\.[0-9]+";

std::vector<std::string> qlogicReportLines() {
  static const char* const kModels[] = {"QLE2562", "QLE2462", "QLE8152", "QLE2672"};
  std::vector<std::string> lines;
  char buffer[160];
  for (int i = 0; i < 64; ++i) {
    std::snprintf(buffer, sizeof buffer, "HBA Instance: %d", i);
    lines.push_back(buffer);
    std::snprintf(buffer, sizeof buffer, "Model Name: %s    Serial Number: RFC09%02dM%05d", kModels[i % 4], i,
                  1234 + i);
    lines.push_back(buffer);
    std::snprintf(buffer, sizeof buffer, "Flash Image Version: %d.%02d.%02d", 2 + i % 2, i % 13, i % 7);
    lines.push_back(buffer);
    std::snprintf(buffer, sizeof buffer, "Port Name: 21-00-00-24-ff-%02x-%02x-%02x", i, 2 * i % 256, 255 - i);
    lines.push_back(buffer);
    std::snprintf(buffer, sizeof buffer, "  Driver Version: 8.07.00.%02d-k  Link: %s", i % 40,
                  i % 3 ? "up" : "down");
    lines.push_back(buffer);
  }
  return lines;
}

std::vector<std::string> emulexQueryLines() {
  static const char* const kModels[] = {"LPe12002-M8", "LPe11002-M4", "LPe16002B-M6", "LP10000DC"};
  std::vector<std::string> lines;
  char buffer[256];
  for (int i = 0; i < 256; ++i) {
    if (i % 8 == 7) {
      std::snprintf(buffer, sizeof buffer,
                    "elxflash: adapter %d skipped: no firmware image found in ./lx/firmware", i);
    } else if (i % 8 == 6) {
      std::snprintf(buffer, sizeof buffer, "HBA=%s, PCI ID=f100, VID=10df, SSID=%04x, Firmware=2.01A%d",
                    kModels[i % 4], 0xf100 + i, i % 10);
    } else {
      std::snprintf(
          buffer, sizeof buffer,
          "HBA=%s, Port WWN=10:00:00:00:c9:%02x:%02x:%02x, PCI ID=f%03x, VID=10df, SSID=f%03x, SVID=10df, "
          "Firmware=2.%02dA%d, Boot Code=5.%02da%d",
          kModels[i % 4], i, 3 * i % 256, 255 - i, 100 + i % 16, 100 + i % 16, i % 10, i % 9, i % 20, i % 4);
    }
    lines.push_back(buffer);
  }
  return lines;
}

std::vector<std::string> releaseTexts() {
  return {
      "Red Hat Enterprise Linux AS release 4 (Nahant Update 9)\n",
      "Red Hat Enterprise Linux Server release 5.4 (Tikanga)\n",
      "Red Hat Enterprise Linux Server release 6.10 (Santiago)\n",
      "Red Hat Enterprise Linux Server release 7.2 (Maipo)\n",
      "CentOS release 5.8 (Final)\n",
      "SUSE Linux Enterprise Server 11 (x86_64)\nVERSION = 11\nPATCHLEVEL = 1\n",
      "SUSE Linux Enterprise Desktop 11 (x86_64)\nVERSION = 11\nPATCHLEVEL = 2\n",
      "SUSE Linux Enterprise Server 12\n",
  };
}

std::vector<std::wstring> versionPieces() {
  return {L"2", L"01A12", L"5",  L"12a2", L"3",  L"00", L"01",
          L"8", L"07",    L"00", L"26-k", L"10", L"4",  L"0042"};
}

std::vector<std::string> narrowVersionPieces() {
  std::vector<std::string> pieces;
  for (const std::wstring& piece : versionPieces()) pieces.emplace_back(piece.begin(), piece.end());
  return pieces;
}

std::string componentLog() {
  std::string log;
  char buffer[200];
  for (int i = 0; log.size() < (1u << 20); ++i) {
    if (i % 17 == 0) {
      std::snprintf(buffer, sizeof buffer, "Flash Engine exit code: %d ERR-%d adapter %d not updated\n",
                    i % 19, i, i % 64);
    } else {
      std::snprintf(buffer, sizeof buffer,
                    "Executing flash engine: ./qlafwupdate /f /i %d 1>> /var/vlx/Component.log step %d\n",
                    i % 64, i);
    }
    log += buffer;
  }
  return log;
}

std::string queryReportText() {
  std::string text;
  while (text.size() < (1u << 20)) {
    for (const std::string& line : qlogicReportLines()) text += line + "\n";
  }
  return text;
}

}  // namespace bench
