// The colon-separated text form of a World Wide Name.
#include "fchba/wwn_text.h"

#include <cstdio>
#include <cstring>

std::string wwnText(const HBA_WWN& wwn) {
  char text[24];
  const HBA_UINT8* b = wwn.wwn;
  (void)std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X:%02X:%02X", b[0], b[1], b[2], b[3],
                      b[4], b[5], b[6], b[7]);
  return text;
}

bool sameWwn(const HBA_WWN& a, const HBA_WWN& b) { return std::memcmp(a.wwn, b.wwn, sizeof a.wwn) == 0; }
