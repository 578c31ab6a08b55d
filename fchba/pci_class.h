// Counting the Fibre Channel functions the PCI bus lists in sysfs, so that a
// host without adapters can be told from one whose adapters were not seen.
#pragma once

// How many entries of /sys/bus/pci/devices (below the system root) have a
// class file of class 0x0c04, Fibre Channel (any programming interface);
// -1 when the folder cannot be read.
int countFibreChannelFunctions();
