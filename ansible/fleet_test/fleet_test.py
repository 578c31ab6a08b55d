#!/usr/bin/env python3
"""The fleet roll-out, end to end: real ansible-playbook runs of the
collection over seventeen simulated servers on this machine (fleet_hosts.py),
each its own sandbox with the stand-in flash engine, what a person sees on
the pages (fleet_pages.py), and the module's answers to bad input.

    fleet_test.py --collections build/fleet --bin build/bin --tools build/bin
"""
import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

from fleet_checks import check, failures
from fleet_hosts import HOSTS, Fleet
from fleet_input import test_bad_input, test_docs, test_filters
from fleet_pages import header, parse_page, read_csv, take_picture


PENDING = ["h01-pending", "h02-pending", "h04-pending", "h05-engine-fails", "h09-engine-exit", "h10-pending",
           "h14-reboots", "h15-stale", "h17-twins"]
FAILED = {"h11-unseen": "discovery", "h12-typo": "configuration", "h16-unreachable": "unreachable"}
FLEET_CSV_HEADER = ("host,device_id,product_id,type,installed,package_version,action,"
                    "outcome,category,msg,wwpns,pci_location")
OUTCOMES_HEADER = ("host,outcome,rc,changed,reboot_required,msg,time,play_id,check_mode,"
                   "versions_before,versions_after,verification")


RECAP = re.compile(r"^(\S+)\s+: ok=(\d+)\s+changed=(\d+)\s+unreachable=(\d+)\s+failed=(\d+)\s+"
                   r"skipped=(\d+)\s+rescued=(\d+)\s+ignored=(\d+)", re.M)


class Ansible:
    def __init__(self, scratch, collections, inventory):
        self.inventory = inventory
        self.env = dict(os.environ)
        self.env.update({
            "ANSIBLE_COLLECTIONS_PATH": os.path.abspath(collections),
            "ANSIBLE_COLLECTIONS_SCAN_SYS_PATH": "false",
            "ANSIBLE_CONFIG": os.path.join(scratch, "ansible.cfg"),
            "ANSIBLE_HOME": os.path.join(scratch, "ansible-home"),
            "ANSIBLE_LOCAL_TEMP": os.path.join(scratch, "ansible-local"),
            "ANSIBLE_REMOTE_TEMP": os.path.join(scratch, "ansible-remote"),
            "ANSIBLE_FORKS": "20",
            "ANSIBLE_NOCOLOR": "1",
            "ANSIBLE_RETRY_FILES_ENABLED": "false",
            "ANSIBLE_HOST_KEY_CHECKING": "false",
        })
        with open(self.env["ANSIBLE_CONFIG"], "w") as f:
            f.write("[defaults]\n")
        self.runs = 0
        self.controller = os.path.join(scratch, "controller")
        os.makedirs(self.controller, exist_ok=True)

    def playbook(self, playbook, *args):
        command = ["ansible-playbook", "-i", self.inventory, playbook] + list(args)
        print("$ " + " ".join(command))
        run = subprocess.run(command, cwd=self.controller, env=self.env, stdout=subprocess.PIPE,
                             stderr=subprocess.STDOUT, text=True)
        recap = {m.group(1): {"ok": int(m.group(2)), "changed": int(m.group(3)), "failed": int(m.group(5))}
                 for m in RECAP.finditer(run.stdout)}
        self.runs += 1
        log = os.path.join(os.path.dirname(self.inventory), "run-%d.log" % self.runs)
        with open(log, "w") as f:
            f.write(run.stdout)
        return run.returncode, recap, run.stdout


def changed_hosts(recap, hosts=HOSTS):
    return sorted(h for h in hosts if recap.get(h, {}).get("changed", 0) > 0)


def failed_hosts(recap):
    return sorted(h for h, counts in recap.items() if counts["failed"] > 0)


def outcomes(folder):
    path = os.path.join(folder, "outcomes.csv")
    check(header(path) == OUTCOMES_HEADER, "outcomes.csv header")
    rows = read_csv(path)
    check(all(r["host"] != "host" for r in rows), "no second header in outcomes.csv")
    return rows


def report(ansible, folder, *limit):
    rc, recap, _ = ansible.playbook("fcupdate.fleet.report", "--limit", ",".join(limit) or "fleet",
                                    "-e", "fc_fleet_report_dir=%s" % folder)
    return rc, recap, json.load(open(os.path.join(folder, "fleet.json")))


def check_fleet_json(fleet):
    by_host = {h["host"]: h for h in fleet["hosts"]}
    order = [h["host"] for h in fleet["hosts"]]
    want = (sorted(FAILED) + ["h13-failed-before"] + PENDING + ["h07-unknown", "h08-no-adapters", "h03-current",
                                                                "h06-current"])
    check(order == want, "fleet.json leads with what needs a person: %s" % order)
    summary = fleet["summary"]
    check({k: summary[k] for k in ("hosts", "failures", "held", "pending_hosts", "pending_items",
                                   "not_in_catalogue", "no_adapters", "current", "failure_categories")} ==
          {"hosts": 17, "failures": 3, "held": 1, "pending_hosts": 9, "pending_items": 10, "not_in_catalogue": 1,
           "no_adapters": 1, "current": 2,
           "failure_categories": {"configuration": 1, "discovery": 1, "unreachable": 1}},
          "fleet.json summary: %s" % summary)
    for host, category in FAILED.items():
        check(by_host[host]["failed"] and by_host[host]["category"] == category,
              "%s failed with category %s: %s" % (host, category, by_host[host]["category"]))
    check(by_host["h11-unseen"]["msg"].endswith(
        "sysfs lists 1 Fibre Channel function that discovery did not see"),
        "the unseen function is named: %s" % by_host["h11-unseen"]["msg"])
    check(by_host["h08-no-adapters"]["outcome"] == "no_adapters" and not by_host["h08-no-adapters"]["failed"],
          "a host without adapters is no failure")
    check(by_host["h16-unreachable"]["outcome"] == "unreachable", "the unreachable host says so")
    check(by_host["h13-failed-before"]["held"], "the host whose last flash failed is held")
    packages = fleet["packages"]
    check(len(packages) == 1 and packages[0]["hosts"] == 15 and len(packages[0]["dirs"]) == 15
          and len(packages[0]["catalogue_sha256"]) == 64 and len(packages[0]["package_sha256"]) == 64,
          "one package, by its two digests, in the folders of the 15 hosts that ran: %s" % packages)
    return by_host


def check_fleet_csv(folder):
    path = os.path.join(folder, "fleet.csv")
    check(header(path) == FLEET_CSV_HEADER, "fleet.csv header: the seven columns first, then five more")
    rows = read_csv(path)
    by_host = {}
    for row in rows:
        by_host.setdefault(row["host"], []).append(row)
    check(sorted(by_host) == sorted(HOSTS), "every host has a row in fleet.csv")
    unknown = by_host["h07-unknown"]
    check([(r["device_id"], r["action"], r["outcome"]) for r in unknown] ==
          [("1077.8001.1077.0001", "", "not_in_catalogue")], "the unknown adapter's row: %s" % unknown)
    check([(r["device_id"], r["outcome"], r["category"]) for r in by_host["h08-no-adapters"]] ==
          [("", "no_adapters", "")], "the host without adapters has one row with its outcome")
    check([(r["outcome"], r["category"]) for r in by_host["h16-unreachable"]] == [("unreachable", "unreachable")],
          "the unreachable host's row")
    check([(r["outcome"], r["category"]) for r in by_host["h12-typo"]] == [("failed", "configuration")]
          and "is not a directory" in by_host["h12-typo"][0]["msg"], "the mistyped package folder's row")
    twins = [(r["wwpns"], r["pci_location"], r["action"]) for r in by_host["h17-twins"]]
    check(twins == [("21:00:00:1B:32:11:00:01", "0000:05:00.0", "upgrade"),
                    ("21:00:00:1B:32:11:01:01", "0000:06:00.0", "upgrade")],
          "two identical adapters are told apart by WWPN and PCI location: %s" % twins)
    current = by_host["h03-current"][0]
    check((current["action"], current["outcome"]) == ("rewrite", "reported"), "fleet.csv keeps the action word")


def check_index(folder):
    page = parse_page(os.path.join(folder, "index.html"))
    check(page.scripts == 0 and page.external == [], "index.html is self-contained, without scripts")
    groups = [s["classes"][1] for s in page.sections if "group" in s["classes"]]
    check(groups == ["failed", "held", "pending", "not_in_catalogue", "no_adapters", "current"],
          "index.html groups in order: %s" % groups)
    order = [h for s in page.sections for h in s["hosts"]]
    check(order[:4] == sorted(FAILED) + ["h13-failed-before"], "the page leads with the failed and held hosts")
    check(page.summary.startswith("17 hosts, 16 adapters: 3 failures (configuration 1, discovery 1, unreachable 1), "
                                  "9 hosts pending (10 items), 1 held"), "the summary line: %s" % page.summary)
    check(" ".join(page.boxes["failures"].split()) == "3 failures configuration: 1 discovery: 1 unreachable: 1",
          "failures grouped by category: %s" % page.boxes["failures"])
    check(" ".join(page.boxes["pending"].split()) == "9 hosts pending 10 items", "pending in hosts and items")
    check(len(page.package) == 1 and "reference.xml SHA-256" in page.package[0] and "qlafwupdate SHA-256"
          in page.package[0], "the package the report was made against: %s" % page.package)
    check(sorted(page.filters) == sorted(["#all"] + ["#only-%s" % g for g in groups])
          and all(f[1:] in page.anchors for f in page.filters), "a filter by outcome with links and anchors")
    cells = page.hosts["h03-current"]["rows"][0]["cells"]
    check(cells[-1] == "current", "a rewrite shows as current: %s" % cells)
    twins = [r["cells"] for r in page.hosts["h17-twins"]["rows"]]
    check("PCI 0000:05:00.0 WWPN 21:00:00:1B:32:11:00:01" in twins[0][1]
          and "PCI 0000:06:00.0 WWPN 21:00:00:1B:32:11:01:01" in twins[1][0], "each adapter with PCI and WWPN")
    unknown = page.hosts["h07-unknown"]["rows"][0]["cells"]
    check(unknown[1].startswith("1077.8001.1077.0001") and unknown[-1] == "not in catalogue",
          "the unknown adapter is shown: %s" % unknown)
    check(page.hosts["h08-no-adapters"]["rows"][0]["cells"][-1] == "no Fibre Channel adapter",
          "the host without adapters says so")
    message = [r["cells"] for r in page.hosts["h11-unseen"]["rows"] if "message" in r["classes"]]
    check(len(message) == 1 and "sysfs lists 1 Fibre Channel function" in message[0][0],
          "the failed host's message is shown")
    check("discovery" in page.hosts["h11-unseen"]["rows"][0]["cells"][0], "the failed host shows its category")
    held = [r["cells"] for r in page.hosts["h13-failed-before"]["rows"] if "message" in r["classes"]]
    check(len(held) == 1 and "the last flash of this package failed" in held[0][0], "the held host's note")
    return page


def test_report(ansible, fleet):
    print("\n== the fleet report")
    folder = os.path.join(ansible.controller, "fleet-report")
    rc, recap, data = report(ansible, folder)
    check(rc == 2, "the report playbook fails because hosts failed (exit status %d)" % rc)
    check(failed_hosts(recap) == sorted(FAILED), "failed: %s" % failed_hosts(recap))
    check(changed_hosts(recap) == [], "a report changes nothing")
    check_fleet_json(data)
    check_fleet_csv(folder)
    check_index(folder)
    check(all(not c for c in fleet.flash_calls().values()), "no flash engine ran")
    return folder


def test_no_adapters_do_not_stop(ansible, scratch):
    print("\n== max_fail_percentage 0 is not stopped by a host without adapters")
    hosts = ["h08-no-adapters", "h03-current", "h06-current"]
    for mode in ([], ["--check"]):
        folder = os.path.join(scratch, "no-adapters%s" % "".join(mode))
        # An outcomes.csv of the earlier columns is set aside, not appended to.
        os.makedirs(folder)
        old = "host,outcome,rc,changed,reboot_required,msg\nh01,applied,1,true,true,done\n"
        with open(os.path.join(folder, "outcomes.csv"), "w") as f:
            f.write(old)
        rc, recap, _ = ansible.playbook("fcupdate.fleet.rollout", "--limit", ",".join(hosts), "-e", "fc_serial=1",
                                        "-e", "fc_fleet_report_dir=%s" % folder, *mode)
        rows = {r["host"]: r["outcome"] for r in outcomes(folder)}
        check(rc == 0 and sorted(recap) == sorted(hosts) and rows == {
            "h08-no-adapters": "no_adapters", "h03-current": "nothing_done", "h06-current": "nothing_done"},
            "every batch ran %s: exit status %d, %s" % (" ".join(mode), rc, rows))
        kept = [n for n in os.listdir(folder) if re.match(r"outcomes\.csv\.\d{8}T\d{6}Z$", n)]
        check(len(kept) == 1 and open(os.path.join(folder, kept[0])).read() == old,
              "the older outcomes.csv is kept as %s" % kept)


def test_check_mode(ansible, fleet, scratch):
    print("\n== a roll-out in check mode")
    folder = os.path.join(scratch, "check-report")
    rc, recap, _ = ansible.playbook("fcupdate.fleet.rollout", "--limit", "fleet", "--check",
                                    "-e", "fc_serial=100%", "-e", "fc_max_fail_percentage=100",
                                    "-e", "fc_fleet_report_dir=%s" % folder, "-e", "fc_reboot=true")
    check(rc == 2, "check mode fails for the failing hosts (exit status %d)" % rc)
    check(all(not c for c in fleet.flash_calls().values()), "check mode called no flash engine anywhere")
    check(changed_hosts(recap) == sorted(PENDING), "changed in check mode are the pending hosts")
    check(failed_hosts(recap) == sorted(list(FAILED) + ["h13-failed-before"]),
          "failed in check mode: %s" % failed_hosts(recap))
    rows = {r["host"]: r for r in outcomes(folder)}
    check(sorted(rows) == sorted(HOSTS), "every host recorded")
    check(all(rows[h]["outcome"] == "would_apply" and rows[h]["changed"] == "true" for h in PENDING),
          "pending hosts: would_apply")
    check(rows["h13-failed-before"]["outcome"] == "held", "a held host is held in check mode too")
    check(all(r["check_mode"] == "true" for r in rows.values()) and len({r["play_id"] for r in rows.values()}) == 1,
          "check-mode rows say so, under one play id")
    check(rows["h08-no-adapters"]["outcome"] == "no_adapters", "no adapters in check mode")
    check(sum(fleet.reboots().values()) == 0, "nothing rebooted in check mode")


def test_failing_batch_stops(ansible, fleet, scratch):
    print("\n== a roll-out in batches of 3 that a failure stops")
    folder = os.path.join(scratch, "rollout-report")
    rc, recap, _ = ansible.playbook("fcupdate.fleet.rollout", "--limit", "fleet", "-e", "fc_serial=3",
                                    "-e", "fc_fleet_report_dir=%s" % folder, "-e", "fc_reboot=true")
    check(rc == 2, "the roll-out fails (exit status %d)" % rc)
    calls = fleet.flash_calls()
    check(sorted(h for h, c in calls.items() if c) ==
          ["h01-pending", "h02-pending", "h04-pending", "h05-engine-fails"],
          "the first two batches flashed their pending hosts, the later batches nothing")
    check(calls["h01-pending"] == ["/s"], "the engine was told /s")
    check(sorted(recap) == HOSTS[:6], "hosts of the later batches never ran: %s" % sorted(recap))
    check(failed_hosts(recap) == ["h05-engine-fails"], "the host whose engine failed is failed")
    reboots = fleet.reboots()
    check(sorted(h for h, n in reboots.items() if n) == ["h01-pending", "h02-pending"],
          "only the completed batch's updated hosts rebooted; h04 of the failing batch did not")
    rows = outcomes(folder)
    got = [(r["host"], r["outcome"], r["rc"], r["reboot_required"], r["verification"]) for r in rows]
    check(got == [("h01-pending", "applied", "1", "true", "reboot_pending"),
                  ("h02-pending", "applied", "1", "true", "reboot_pending"),
                  ("h03-current", "nothing_done", "3", "false", ""),
                  ("h04-pending", "applied", "1", "true", "reboot_pending"),
                  ("h05-engine-fails", "failed", "7", "false", ""),
                  ("h06-current", "nothing_done", "3", "false", "")] +
          [(h, "not_attempted", "", "false", "") for h in HOSTS[6:]],
          "outcomes.csv: both batches, then the hosts never attempted: %s" % got)
    failed = [r for r in rows if r["host"] == "h05-engine-fails"][0]
    check(failed["msg"] == "the update failed (exit code 7): the flash engine ended with 2",
          "the failure's message: %s" % failed["msg"])
    check(rows[1]["versions_before"] == "1077.2532.1077.015d/Multiboot Image=3.00;1077.2031.1077.0263/Multiboot Image=3.43",
          "versions before, key/type=version joined by ';': %s" % rows[1]["versions_before"])
    check(len({r["play_id"] for r in rows}) == 1 and rows[0]["check_mode"] == "false" and rows[0]["time"],
          "one play id, time and check mode on every row")
    page = parse_page(os.path.join(folder, "rollout.html"))
    batches = [s["hosts"] for s in page.sections]
    check(batches == [HOSTS[:3], HOSTS[3:6], HOSTS[6:]], "rollout.html: the batches in order, then the rest: %s"
          % batches)
    return folder


def test_rest_of_the_fleet(ansible, fleet, folder):
    print("\n== the rest of the fleet, batches of 25%, failures allowed, reboots verified")
    before = fleet.reboots()
    rc, recap, _ = ansible.playbook("fcupdate.fleet.rollout", "--limit", "fleet", "-e", "fc_max_fail_percentage=100",
                                    "-e", "fc_fleet_report_dir=%s" % folder, "-e", "fc_reboot=true")
    check(rc == 2, "failing hosts fail the run (exit status %d)" % rc)
    check(sorted(recap) == HOSTS, "every batch ran")
    want_failed = ["h05-engine-fails", "h09-engine-exit", "h11-unseen", "h12-typo", "h13-failed-before",
                   "h15-stale", "h16-unreachable"]
    check(failed_hosts(recap) == want_failed, "failed hosts: %s" % failed_hosts(recap))
    after = fleet.reboots()
    rebooted = {h: after[h] - before[h] for h in HOSTS if after[h] != before[h]}
    check(rebooted == {"h10-pending": 1, "h14-reboots": 1, "h15-stale": 1, "h17-twins": 1},
          "exactly the hosts this roll-out updated rebooted, not h04 updated before: %s" % rebooted)
    rows = {r["host"]: r for r in outcomes(folder) if r["play_id"] != outcomes(folder)[0]["play_id"]}
    got = {h: (r["outcome"], r["verification"]) for h, r in rows.items()}
    check(got == {"h01-pending": ("nothing_done", ""), "h02-pending": ("nothing_done", ""),
                  "h03-current": ("nothing_done", ""), "h04-pending": ("nothing_done", ""),
                  "h05-engine-fails": ("held", ""), "h06-current": ("nothing_done", ""),
                  "h07-unknown": ("nothing_done", ""), "h08-no-adapters": ("no_adapters", ""),
                  "h09-engine-exit": ("engine_exit", ""), "h10-pending": ("applied", "reboot_pending"),
                  "h11-unseen": ("failed", ""), "h12-typo": ("failed", ""), "h13-failed-before": ("held", ""),
                  "h14-reboots": ("applied", "verified"), "h15-stale": ("applied", "not_verified"),
                  "h16-unreachable": ("unreachable", ""), "h17-twins": ("applied", "reboot_pending")},
          "outcomes and verification: %s" % got)
    check(fleet.flash_calls()["h13-failed-before"] == [] and fleet.flash_calls()["h05-engine-fails"] == ["/s"],
          "a held host is not flashed")
    check(rows["h09-engine-exit"]["rc"] == "12", "the engine's own exit code is passed through")
    check(rows["h14-reboots"]["versions_after"] == "1077.2532.1077.015d/Multiboot Image=3.10",
          "versions after the reboot: %s" % rows["h14-reboots"]["versions_after"])
    check("still not current after the reboot: 1077.2532.1077.015d/Multiboot Image=3.00, package 3.10"
          in rows["h15-stale"]["msg"], "not verified names the versions: %s" % rows["h15-stale"]["msg"])
    check("held: the last flash of this package failed" in rows["h05-engine-fails"]["msg"]
          and "exit code 7: the flash engine ended with 2" in rows["h05-engine-fails"]["msg"],
          "the held host's message: %s" % rows["h05-engine-fails"]["msg"])
    page = parse_page(os.path.join(folder, "rollout.html"))
    # A version may break after its key's slash (<wbr>), which reads as a space here.
    cells = [c.replace("/ ", "/") for c in page.hosts["h14-reboots"]["rows"][0]["cells"]]
    check(cells[1:6] == ["applied", "1077.2532.1077.015d/Multiboot Image=3.00",
                         "1077.2532.1077.015d/Multiboot Image=3.10", "required", "verified"],
          "rollout.html shows outcome, versions, reboot and verification: %s" % cells)
    check(len(page.sections) == 5, "rollout.html: this roll-out's five batches")


def test_retry_failed(ansible, fleet, scratch):
    print("\n== retry_failed flashes a held host")
    rc, recap, _ = ansible.playbook("fcupdate.fleet.rollout", "--limit", "h13-failed-before",
                                    "-e", "fc_retry_failed=true",
                                    "-e", "fc_fleet_report_dir=%s" % os.path.join(scratch, "retry-report"))
    check(rc == 0 and changed_hosts(recap) == ["h13-failed-before"], "the held host is updated (exit status %d)" % rc)
    check(fleet.flash_calls()["h13-failed-before"] == ["/s"], "and flashed once")


def test_reboot_pending(ansible, fleet, scratch):
    print("\n== reboot_pending until the boot changes")
    folder = os.path.join(scratch, "later-report")
    _, _, data = report(ansible, folder)
    pending = sorted(h["host"] for h in data["hosts"] if h["reboot_pending"])
    check(pending == ["h01-pending", "h02-pending", "h04-pending", "h10-pending", "h13-failed-before", "h17-twins"],
          "a reboot is pending where the boot did not change since the update: %s" % pending)
    page = parse_page(os.path.join(folder, "index.html"))
    check("reboot pending" in page.hosts["h04-pending"]["rows"][0]["cells"][0], "the page shows it")
    Fleet.boot(fleet.hosts["h04-pending"])
    _, _, data = report(ansible, folder, "h04-pending")
    check(not data["hosts"][0]["reboot_pending"], "a new boot ends it")


def test_second_rollout(ansible, fleet, scratch):
    print("\n== a second roll-out of the healthy hosts")
    before = (fleet.flash_calls(), fleet.reboots())
    healthy = ["h01-pending", "h02-pending", "h03-current", "h04-pending", "h06-current", "h07-unknown",
               "h08-no-adapters", "h10-pending", "h13-failed-before", "h14-reboots", "h17-twins"]
    rc, recap, _ = ansible.playbook("fcupdate.fleet.rollout", "--limit", ",".join(healthy),
                                    "-e", "fc_fleet_report_dir=%s" % os.path.join(scratch, "second-report"),
                                    "-e", "fc_reboot=true")
    check(rc == 0, "the second roll-out succeeds (exit status %d)" % rc)
    check(sorted(recap) == sorted(healthy) and all(c["changed"] == 0 and c["failed"] == 0 for c in recap.values()),
          "every host ok and unchanged")
    check((fleet.flash_calls(), fleet.reboots()) == before,
          "no flash, and no reboot of the hosts whose reboot is still pending from an earlier roll-out")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--collections", required=True)
    parser.add_argument("--bin", required=True, help="the module's and the component's build")
    parser.add_argument("--tools", required=True, help="the build with fcsandbox")
    parser.add_argument("--keep", action="store_true", help="keep the scratch folder")
    parser.add_argument("--picture", help="also write a PNG of the fleet report here (needs chromium)")
    args = parser.parse_args()
    # Below /tmp with a plain name: hba.conf's character filter keeps it.
    scratch = tempfile.mkdtemp(prefix="fcupdate-fleet-", dir="/tmp")
    fleet = None
    try:
        fleet = Fleet(scratch, os.path.abspath(args.bin), os.path.abspath(args.tools))
        ansible = Ansible(scratch, args.collections, fleet.inventory())
        test_filters()
        folder = test_report(ansible, fleet)
        if args.picture:
            take_picture(os.path.join(folder, "index.html"), args.picture, scratch)
        test_no_adapters_do_not_stop(ansible, scratch)
        test_check_mode(ansible, fleet, scratch)
        rollout = test_failing_batch_stops(ansible, fleet, scratch)
        test_rest_of_the_fleet(ansible, fleet, rollout)
        if args.picture:
            take_picture(os.path.join(rollout, "rollout.html"),
                         os.path.join(os.path.dirname(args.picture), "fleet-rollout.png"), scratch, 1500)
        test_retry_failed(ansible, fleet, scratch)
        test_reboot_pending(ansible, fleet, scratch)
        test_second_rollout(ansible, fleet, scratch)
        test_bad_input(ansible, fleet, scratch)
        test_docs(ansible)
    finally:
        if fleet is not None:
            fleet.stop()
        if args.keep or failures:
            print("\nscratch kept: %s (run-N.log holds each playbook's output)" % scratch)
        else:
            shutil.rmtree(scratch, ignore_errors=True)
    print("\nfleet test: %d failure(s)" % len(failures))
    for what in failures:
        print("  " + what)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
