// A simulated server with many QLogic adapters for the whole-run benchmark:
// the adapters, a catalogue that lists all of their models, and the stand-in
// flash engine with a query report that names every adapter's port.
#pragma once

#include <string>

#include "testing/sandbox.h"

namespace wholerun {

// The i-th adapter of a fleet: dual-function cards, two functions a bus,
// cycling through the catalogue's QLogic models.
testsupport::SimAdapter fleetAdapter(int i);

// The catalogue: the fleet's models among entries no fleet adapter has.
std::string fleetReference();

// What "./qlafwupdate /q" prints for a fleet: five lines an instance, every
// even instance with an older multiboot image than the catalogue carries,
// every odd one current.
std::string fleetQueryReport(int adapters);

// Lays out the sandbox with the fleet and puts the stand-in engine from
// standinsDir into its working directory, exiting 0 on a flash.
void buildFleet(testsupport::Sandbox& box, int adapters, const std::string& standinsDir);

}  // namespace wholerun
