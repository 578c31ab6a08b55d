// Stand-in until release detection lands: records no platform.
#include "framework/base_component.h"

int CBaseCmp::detectPlatform() { return 0; }
