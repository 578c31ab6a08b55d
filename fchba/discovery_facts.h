// What the discovery learned beside the adapter records: which libraries of
// /etc/hba.conf loaded and why the others did not, and for each adapter where
// it came from and what went wrong reading it. Plain values, kept for the
// record of the run; nothing here is printed or logged.
#pragma once

#include <string>
#include <vector>

#include "support/bounded_list.h"

// One line of /etc/hba.conf that names a library.
struct LibraryFacts {
  std::string name;
  std::string path;
  bool loaded = false;
  // Why it was not taken into use: dlerror's text at the moment the load
  // failed, or the registration step that refused it; empty when loaded.
  std::string error;
  unsigned adapters = 0;  // the count the library reported
};

// One adapter record, in the same order as the records.
struct AdapterFacts {
  unsigned index = 0;   // in the HBA API adapter table
  std::string name;     // the HBA API adapter name
  std::string library;  // the path of the library that reported it
  // The record's texts.
  std::string nodeWwn;
  std::string portWwn;
  std::string pciId;
  std::string subsystemId;
  std::string driverVersion;
  std::string firmwareVersion;
  std::string optionRomVersion;
  std::string model;
  // What the record leaves out.
  std::string serialNumber;
  std::vector<std::string> portWwns;  // every port read, in port order
  unsigned pciDomain = 0;
  unsigned pciBus = 0;
  unsigned pciFunction = 0;
  std::string sysfsDevice;  // the directory the PCI lookup accepted; empty when none
  // The catalogue key, where the component's own discovery knows it (the
  // Emulex kit's lines); empty when the adapter record gives it.
  std::string key;
  // Why the record is not what it should be: a failed HBA API call with its
  // status, the vendor extension's status text, why pciId is "N/A".
  BoundedList<std::string, 32> problems;
};

struct DiscoveryFacts {
  bool configurationRead = false;  // /etc/hba.conf could be opened
  std::vector<LibraryFacts> libraries;
  std::vector<AdapterFacts> adapters;
};
