// The text form of a World Wide Name: "20:00:00:E0:8B:01:02:03".
#pragma once

#include <string>

#include "fchba/hbaapi_types.h"

std::string wwnText(const HBA_WWN& wwn);
bool sameWwn(const HBA_WWN& a, const HBA_WWN& b);
