// What one call of the module does on a host: a report run, the decision,
// and a flash when one is wanted and allowed.
#pragma once

#include "ansible/module/answer.h"
#include "ansible/module/module_options.h"

namespace fleet {

Answer runFirmwareTask(const ModuleOptions& options);

// The module as Ansible runs it: argv[1] is the arguments file.
Answer runModule(int argc, const char* const* argv);

}  // namespace fleet
