// The discovery the framework calls: one fixed record per adapter that any
// registered HBA API library reports.
#pragma once

#include "fchba/adapter_record.h"
#include "fchba/discovery_facts.h"
#include "support/command_runner.h"

// Appends one record per adapter that any registered HBA API library
// reports, and one entry of facts per library and per record; each command
// the PCI lookups run is added to commands. Callers judge the outcome by the
// list's size.
void enumerateFcAdapters(FcAdapterRecordList& list, DiscoveryFacts& facts, CommandRecords& commands);
