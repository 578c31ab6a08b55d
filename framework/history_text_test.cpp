// Runs of the history as text, from hand-written records.
#include "framework/history_text.h"

#include <gtest/gtest.h>

namespace {

HistoryRun run(const std::string& started, const std::string& ended,
               const std::string& id = "20240501T102203Z-4242-9f86d081884c7d65") {
  return HistoryRun{id, started, ended};
}

const char kStarted[] =
    R"({"schema":1,"phase":"started","run_id":"20240501T102203Z-4242-9f86d081884c7d65",)"
    R"("started":"2024-05-01T10:22:03.123Z","program":"fcupdate","component":"qlogic","version":"1.0.0",)"
    R"("pid":4242,"uid":0,"host":"db7","mode":"flash","force":true,"silent":false,)"
    R"("boot_id":"0f5a4e22-6c1b-4b8e-9d1e-3f8a1c2b7d90"})";

// A failed flash with every part the text shows: two adapters (one with a
// problem), a device tied by index, one by WWPN, one tied to nothing, the
// engine's end and output, a warning.
const char kFailedFlash[] =
    R"({"schema":1,"phase":"ended","run_id":"20240501T102203Z-4242-9f86d081884c7d65",)"
    R"("started":"2024-05-01T10:22:03.123Z","ended":"2024-05-01T10:24:41.007Z","program":"fcupdate",)"
    R"("component":"qlogic","version":"1.0.0","pid":4242,"uid":0,"host":"db7","mode":"flash","force":true,)"
    R"("silent":false,"arguments":["-f"],"sysfs_fc_functions":2,)"
    R"("adapters":[{"index":0,"key":"QLE2462","pci_location":"0000:05:00.0",)"
    R"("port_wwns":["21:00:00:e0:8b:05:05:04","21:01:00:e0:8b:25:05:04"],"model":"QLE2462","problems":[]},)"
    R"({"index":1,"key":null,"port_wwns":["21:00:00:1b:32:0a:0b:0c"],"model":"N/A",)"
    R"("problems":["the PCI identity is N/A: no sysfs entry for 0000:07:00.0"]}],)"
    R"("devices":[{"device_id":"2432","product_id":"QLE2462","adapter":0,"items":[)"
    R"({"type":"multiboot","version":"1.2.5","active_version":"1.2.3","action":"upgrade"}]},)"
    R"({"device_id":"2532","product_id":"QLE2562","adapter":"21:00:00:1b:32:0a:0b:0c","items":[)"
    R"({"type":"multiboot","version":"2.0","active_version":"","action":"rewrite"}]},)"
    R"({"device_id":"f100","product_id":"LPe11000","adapter":null,"items":[)"
    R"({"type":"firmware","version":"2.82","active_version":"2.80","action":"upgrade"}]}],)"
    R"("engine":{"command":"./qlafwupdate","exit_code":9,"signal":null,"ms":12345,)"
    R"("output_tail":"Updating 0000:05:00.0\r\nflash \u001b[31mfailed\u009b0m \u00e9\n"},)"
    R"("warnings":["the engine's output could not be read back whole"],)"
    R"("outcome":{"exit_code":7,"word":"failed","cause":"engine_failed","reason":"the flash engine ended with 9"}})";

}  // namespace

TEST(HistoryText, AFailedFlashShowsEveryPart) {
  EXPECT_EQ(
      historyRunText(run(kStarted, kFailedFlash)),
      "2024-05-01T10:22:03.123Z  fcupdate  failed (engine_failed), exit code 7\n"
      "  Run 20240501T102203Z-4242-9f86d081884c7d65: qlogic 1.0.0, pid 4242, uid 0, host db7, mode flash, "
      "forced\n"
      "  Command: fcupdate -f\n"
      "  Ended 2024-05-01T10:24:41.007Z\n"
      "  Reason: the flash engine ended with 9\n"
      "  Adapter 0: QLE2462, key QLE2462, WWPN 21:00:00:e0:8b:05:05:04, 21:01:00:e0:8b:25:05:04, at "
      "0000:05:00.0\n"
      "    multiboot 1.2.3 -> 1.2.5, upgrade\n"
      "  Adapter 1: N/A, WWPN 21:00:00:1b:32:0a:0b:0c\n"
      "    problem: the PCI identity is N/A: no sysfs entry for 0000:07:00.0\n"
      "    multiboot (none) -> 2.0, rewrite\n"
      "  Device f100 LPe11000 (adapter not known)\n"
      "    firmware 2.80 -> 2.82, upgrade\n"
      "  Engine: ./qlafwupdate, exit code 9, 12345 ms\n"
      "    | Updating 0000:05:00.0\n"
      "    | flash ?[31mfailed?0m \xc3\xa9\n"
      "  Warning: the engine's output could not be read back whole\n");
}

TEST(HistoryText, ARunWithoutAnEndReadsAsUnknown) {
  EXPECT_EQ(
      historyRunText(run(kStarted, "")),
      "2024-05-01T10:22:03.123Z  fcupdate  unknown: no end was recorded (killed, crashed, or the host went "
      "down)\n"
      "  Run 20240501T102203Z-4242-9f86d081884c7d65: qlogic 1.0.0, pid 4242, uid 0, host db7, mode flash, "
      "forced\n");
}

// A report run with nothing found, stopped by a signal engine, a cut record:
// only what the record holds is shown.
TEST(HistoryText, WhatARecordLacksIsLeftOut) {
  const std::string noAdapters =
      R"({"phase":"ended","run_id":"r2","started":"2024-05-02T00:00:00.000Z","program":"fcupdate-emulex",)"
      R"("component":"emulex","mode":"report","arguments":["/d","out.xml"],"adapters":[],"sysfs_fc_functions":0,)"
      R"("engine":{"command":"./elxflash.sh","exit_code":null,"signal":15},"truncated":true,)"
      R"("outcome":{"exit_code":3,"word":"report_written","cause":"none","reason":""}})";
  EXPECT_EQ(historyRunText(run("", noAdapters, "r2")),
            "2024-05-02T00:00:00.000Z  fcupdate-emulex  report_written, exit code 3\n"
            "  Run r2: emulex, mode report\n"
            "  Command: fcupdate-emulex /d out.xml\n"
            "  No adapters discovered (sysfs lists 0 Fibre Channel functions)\n"
            "  Engine: ./elxflash.sh, signal 15\n"
            "  (this record was cut to fit its bound)\n");
}

// Values of the wrong type, or records that are not records at all, show as
// gaps; nothing fails.
TEST(HistoryText, StrangeValuesShowAsGaps) {
  const std::string odd =
      R"({"phase":"ended","run_id":["x"],"started":5,"program":{"a":1},"adapters":{"index":0},)"
      R"("devices":[7,{"items":"x"}],"engine":[],"warnings":"w","outcome":{"word":"applied","exit_code":"1"}})";
  EXPECT_EQ(historyRunText(run("", odd, "r")),
            "5    applied, exit code 1\n"
            "  Run r\n"
            "  No adapters discovered\n"
            "  Device (adapter not known)\n"
            "  Device (adapter not known)\n");
  EXPECT_EQ(historyRunText(run("", "not json", "r")),
            "(start unknown)    no outcome recorded\n"
            "  Run r\n"
            "  No adapters discovered\n");
}
