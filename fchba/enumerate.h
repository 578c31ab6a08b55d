// The discovery the framework calls: one fixed record per adapter that any
// registered HBA API library reports.
#pragma once

#include "fchba/adapter_record.h"

// Appends one record per adapter that any registered HBA API library reports.
// Always returns 1; callers judge the outcome by the list's size.
int enumerateFcAdapters(FcAdapterRecordList& list);
