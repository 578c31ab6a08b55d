// fc_firmware: the Ansible binary module that runs the firmware update
// component on a host and answers in JSON on standard output.
#include <cstdio>
#include <exception>
#include <string>

#include "ansible/module/firmware_task.h"

int main(int argc, char** argv) {
  fleet::Answer answer;
  try {
    answer = fleet::runModule(argc, argv);
  } catch (const std::exception& failure) {
    // Only running out of memory gets here; Ansible still gets an answer.
    answer = fleet::failedAnswer(std::string("internal error: ") + failure.what());
  }
  const std::string json = fleet::answerJson(answer) + "\n";
  (void)std::fwrite(json.data(), 1, json.size(), stdout);
  (void)std::fflush(stdout);
  return answer.failed ? 1 : 0;
}
