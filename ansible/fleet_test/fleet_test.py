#!/usr/bin/env python3
"""The fleet roll-out, end to end: real ansible-playbook runs of the
collection over ten simulated servers on this machine, each its own sandbox
with the stand-in flash engine, and the module's answers to bad input.

    fleet_test.py --collections build/fleet --bin build/bin --tools build/bin
"""
import argparse
import csv
import functools
import io
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
from html.parser import HTMLParser

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))

REFERENCE = """<?xml version="1.0"?>
<maplu_fchba_reference>
  <devices>
    <device><type value="Fibre Channel"/><device_id value="1077.2532.1077.015d"/>
      <model value="QLE2562"/><boot value="3.10"/><duration value="120"/></device>
    <device><type value="Fibre Channel"/><device_id value="1077.2031.1077.0263"/>
      <model value="QLE2672"/><boot value="3.43"/><duration value="90"/></device>
  </devices>
</maplu_fchba_reference>
"""

QLE2562 = ("1077:2532:1077:015d", "QLE2562", "3.10")
QLE2672 = ("1077:2031:1077:0263", "QLE2672", "3.43")
UNKNOWN = ("1077:8001:1077:0001", "QLE8142", "9.99")

# name: (adapters as (kind, installed image), flash engine exit code)
FLEET = [
    ("h01-pending", [(QLE2562, "3.00")], 0),
    ("h02-pending", [(QLE2562, "3.00"), (QLE2672, "3.43")], 0),
    ("h03-current", [(QLE2562, "3.10")], 0),
    ("h04-pending", [(QLE2672, "3.20")], 0),
    ("h05-engine-fails", [(QLE2562, "3.00")], 2),
    ("h06-current", [(QLE2672, "3.43"), (QLE2562, "3.20")], 0),
    ("h07-unknown", [(UNKNOWN, "1.00")], 0),
    ("h08-no-adapters", [], 0),
    ("h09-engine-exit", [(QLE2562, "3.00")], 12),
    ("h10-pending", [(QLE2562, "3.00")], 0),
]
HOSTS = [name for name, _, _ in FLEET]
PENDING = ["h01-pending", "h02-pending", "h04-pending", "h05-engine-fails", "h09-engine-exit", "h10-pending"]

failures = []


def registered_components():
    """The component words of the vendor registration, in its order."""
    with open(os.path.join(SOURCE, "components", "vendors.txt"), encoding="utf-8") as table:
        return [line.split()[0] for line in table if line.strip() and not line.lstrip().startswith("#")]


def check(condition, what):
    print(("  ok    " if condition else "  FAIL  ") + what)
    if not condition:
        failures.append(what)


def wwpn(host_index, adapter_index):
    return "21:00:00:1b:32:%02x:%02x:01" % (host_index, adapter_index)


def query(host_index, adapters, flashed):
    lines = []
    for n, (kind, installed) in enumerate(adapters):
        image = kind[2] if flashed and kind is not UNKNOWN else installed
        lines += ["HBA Instance: %d" % n, "Flash Image Version: %s" % image,
                  "Port Name: %s" % wwpn(host_index, n).replace(":", "-"), "Model: %s" % kind[1],
                  "Serial Number: SIM%02d%02d" % (host_index, n)]
    return "".join(line + "\n" for line in lines)


class Fleet:
    def __init__(self, scratch, bin_dir, tools_dir):
        self.scratch = scratch
        self.hosts = {}
        reference = os.path.join(scratch, "reference.xml")
        with open(reference, "w") as f:
            f.write(REFERENCE)
        for index, (name, adapters, engine_exit) in enumerate(FLEET, start=1):
            root = os.path.join(scratch, "hosts", name, "root")
            package = os.path.join(scratch, "hosts", name, "package")
            adapter_args = ["vendor=qlogic,pci=0000:%02x:00.0,id=%s,model=%s,optionrom=%s,wwpn=%s"
                            % (5 + n, kind[0], kind[1], installed, wwpn(index, n))
                            for n, (kind, installed) in enumerate(adapters)]
            subprocess.run([os.path.join(tools_dir, "fcsandbox"), root, package, "--reference", reference] + adapter_args,
                           check=True)
            shutil.copy(os.path.join(bin_dir, "fcupdate"), package)
            shutil.copy(os.path.join(SOURCE, "testing", "standins", "qlafwupdate"), package)
            self.write(package, "qlafwupdate.query", query(index, adapters, False))
            self.write(package, "qlafwupdate.after", query(index, adapters, True))
            if engine_exit:
                self.write(package, "qlafwupdate.exit", "%d\n" % engine_exit)
            self.hosts[name] = {"root": root, "package": package}

    @staticmethod
    def write(folder, name, text):
        with open(os.path.join(folder, name), "w") as f:
            f.write(text)

    def inventory(self):
        path = os.path.join(self.scratch, "inventory.json")
        hosts = {}
        for name, paths in self.hosts.items():
            hosts[name] = {"ansible_connection": "local", "fc_package_dir": paths["package"],
                           "fc_system_root": paths["root"],
                           "fc_reboot_command": "echo reboot >> %s/reboot.calls" % paths["root"],
                           # No Python on the hosts: only the binary module and raw may run there.
                           "ansible_python_interpreter": "/nonexistent/python"}
        hosts["probe"] = {"ansible_connection": "local", "ansible_python_interpreter": "/nonexistent/python"}
        inventory = {"all": {"children": {"fleet": {"hosts": {h: hosts[h] for h in HOSTS}},
                                          "probes": {"hosts": {"probe": hosts["probe"]}}}}}
        with open(path, "w") as f:
            json.dump(inventory, f, indent=1)
        return path

    def flash_calls(self):
        """Each host's flash engine calls so far."""
        calls = {}
        for name, paths in self.hosts.items():
            path = os.path.join(paths["package"], "qlafwupdate.calls")
            calls[name] = open(path).read().splitlines() if os.path.exists(path) else []
        return calls

    def reboots(self):
        counts = {}
        for name, paths in self.hosts.items():
            path = os.path.join(paths["root"], "reboot.calls")
            counts[name] = len(open(path).read().splitlines()) if os.path.exists(path) else 0
        return counts


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
            "ANSIBLE_FORKS": "10",
            "ANSIBLE_NOCOLOR": "1",
            "ANSIBLE_RETRY_FILES_ENABLED": "false",
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


def read_csv(path):
    with open(path, newline="") as f:
        return list(csv.DictReader(f))


class ReportPage(HTMLParser):
    """What a person sees on index.html: the summary line, and per host the
    rows of its table with their marks."""

    def __init__(self):
        super().__init__()
        self.summary = ""
        self.hosts = {}
        self.host = None
        self.row = None
        self.cell = None
        self.in_summary = False
        self.scripts = 0
        self.external = []

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        classes = (attrs.get("class") or "").split()
        if tag == "script":
            self.scripts += 1
        for name in ("src", "href"):
            if name in attrs:
                self.external.append(attrs[name])
        if tag == "link":
            self.external.append(attrs.get("href", "link"))
        if tag == "p" and "summary-line" in classes:
            self.in_summary = True
        if tag == "tbody" and "host" in classes:
            self.host = {"failed": "failed" in classes, "rows": []}
            self.hosts[attrs.get("data-host")] = self.host
        if tag == "tr" and self.host is not None:
            self.row = {"classes": classes, "cells": []}
            self.host["rows"].append(self.row)
        if tag in ("td", "th") and self.row is not None:
            self.cell = []

    def handle_endtag(self, tag):
        if tag == "p":
            self.in_summary = False
        if tag in ("td", "th") and self.row is not None and self.cell is not None:
            self.row["cells"].append(" ".join("".join(self.cell).split()))
            self.cell = None
        if tag == "tr":
            self.row = None
        if tag == "tbody":
            self.host = None

    def handle_data(self, data):
        if self.in_summary:
            self.summary += data
        if self.cell is not None:
            self.cell.append(data + " ")


def parse_page(path):
    page = ReportPage()
    with open(path) as f:
        page.feed(f.read())
    page.close()
    return page


def check_fleet_report(folder):
    print("fleet report in %s" % folder)
    fleet = json.load(open(os.path.join(folder, "fleet.json")))
    check(fleet["summary"] == {"hosts": 10, "adapters": 10, "pending_upgrades": 6, "failures": 1,
                               "text": "10 hosts, 10 adapters, 6 pending upgrades, 1 failure"},
          "fleet.json summary: %s" % fleet["summary"])
    check([h["host"] for h in fleet["hosts"]] == HOSTS, "fleet.json lists every host in order")
    by_host = {h["host"]: h for h in fleet["hosts"]}
    check(by_host["h08-no-adapters"]["msg"] ==
          "the report run failed (exit code 7): WARNING! : No supported adapters found.",
          "the failing host carries the component's own message")
    check(all(by_host[h]["outcome"] == "reported" for h in HOSTS if h != "h08-no-adapters"),
          "every other host reported")

    rows = read_csv(os.path.join(folder, "fleet.csv"))
    with open(os.path.join(folder, "fleet.csv")) as f:
        header = f.readline().strip()
    check(header == "host,device_id,product_id,type,installed,package_version,action", "fleet.csv header")
    got = [(r["host"], r["device_id"], r["product_id"], r["installed"], r["package_version"], r["action"])
           for r in rows]
    want = [
        ("h01-pending", "1077.2532.1077.015d", "QLE2562", "3.00", "3.10", "upgrade"),
        ("h02-pending", "1077.2532.1077.015d", "QLE2562", "3.00", "3.10", "upgrade"),
        ("h02-pending", "1077.2031.1077.0263", "QLE2672", "3.43", "3.43", "rewrite"),
        ("h03-current", "1077.2532.1077.015d", "QLE2562", "3.10", "3.10", "rewrite"),
        ("h04-pending", "1077.2031.1077.0263", "QLE2672", "3.20", "3.43", "upgrade"),
        ("h05-engine-fails", "1077.2532.1077.015d", "QLE2562", "3.00", "3.10", "upgrade"),
        ("h06-current", "1077.2031.1077.0263", "QLE2672", "3.43", "3.43", "rewrite"),
        ("h06-current", "1077.2532.1077.015d", "QLE2562", "3.20", "3.10", "downgrade"),
        ("h07-unknown", "", "", "", "", ""),
        ("h08-no-adapters", "", "", "", "", ""),
        ("h09-engine-exit", "1077.2532.1077.015d", "QLE2562", "3.00", "3.10", "upgrade"),
        ("h10-pending", "1077.2532.1077.015d", "QLE2562", "3.00", "3.10", "upgrade"),
    ]
    check(got == want, "fleet.csv rows, one per host, device and item")
    check(all(r["type"] == "Multiboot Image" for r in rows if r["device_id"]), "fleet.csv firmware type")

    page = parse_page(os.path.join(folder, "index.html"))
    check(page.summary.strip() == "10 hosts, 10 adapters, 6 pending upgrades, 1 failure",
          "index.html summary line: %r" % page.summary.strip())
    check(list(page.hosts) == HOSTS, "index.html has a table part for every host, in order")
    check(page.scripts == 0 and page.external == [], "index.html is self-contained, without scripts")
    marked = sorted((host, tuple(r["cells"][-1:])) for host, h in page.hosts.items()
                    for r in h["rows"] if "pending" in r["classes"])
    check(marked == sorted((h, ("upgrade",)) for h in PENDING),
          "exactly the upgrade rows are marked pending: %s" % marked)
    for host in ("h07-unknown", "h08-no-adapters"):
        cells = page.hosts[host]["rows"][0]["cells"]
        check(cells[-1] == "no supported adapter", "%s shows a 'no supported adapter' row" % host)
    failed = [h for h, part in page.hosts.items() if part["failed"]]
    check(failed == ["h08-no-adapters"], "only the failing host is marked failed")
    message = [r["cells"] for r in page.hosts["h08-no-adapters"]["rows"] if "message" in r["classes"]]
    check(message == [["the report run failed (exit code 7): WARNING! : No supported adapters found."]],
          "the failing host's message is shown")
    first = page.hosts["h02-pending"]["rows"][0]["cells"]
    check(first[:1] == ["h02-pending reported"] and first[1:] ==
          ["1077.2532.1077.015d", "QLE2562", "Multiboot Image", "3.00", "3.10", "upgrade"],
          "a host's first row names it and its outcome: %s" % first)


def outcomes(folder):
    path = os.path.join(folder, "outcomes.csv")
    with open(path) as f:
        header = f.readline().strip()
    check(header == "host,outcome,rc,changed,reboot_required,msg", "outcomes.csv header, once")
    rows = read_csv(path)
    check(all(r["host"] != "host" for r in rows), "no second header in outcomes.csv")
    return rows


def changed_hosts(recap, hosts):
    return sorted(h for h in hosts if recap.get(h, {}).get("changed", 0) > 0)


def failed_hosts(recap):
    return sorted(h for h, counts in recap.items() if counts["failed"] > 0)


def test_report(ansible, fleet):
    print("\n== the fleet report")
    rc, recap, _ = ansible.playbook("fcupdate.fleet.report", "--limit", "fleet")
    check(rc == 2, "the report playbook fails because a host failed (exit status %d)" % rc)
    check(failed_hosts(recap) == ["h08-no-adapters"], "only the host without adapters fails")
    check(changed_hosts(recap, HOSTS) == [], "a report changes nothing")
    check_fleet_report(os.path.join(ansible.controller, "fleet-report"))
    check(all(not c for c in fleet.flash_calls().values()), "no flash engine ran")


def take_picture(html, png, scratch):
    """index.html as a person sees it, through headless Chromium."""
    profile = tempfile.mkdtemp(prefix="chromium-", dir=scratch)
    subprocess.run(["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                    "--disable-background-networking", "--disable-component-update", "--disable-sync",
                    "--user-data-dir=" + profile, "--hide-scrollbars", "--window-size=1100,810",
                    "--screenshot=" + os.path.abspath(png), "file://" + html],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
    print("picture of the fleet report: %s" % png)


def test_check_mode(ansible, fleet, scratch):
    print("\n== a roll-out in check mode")
    folder = os.path.join(scratch, "check-report")
    rc, recap, _ = ansible.playbook("fcupdate.fleet.rollout", "--limit", "fleet", "--check",
                                    "-e", "fc_serial=100%", "-e", "fc_max_fail_percentage=100",
                                    "-e", "fc_fleet_report_dir=%s" % folder, "-e", "fc_reboot=true",
                                    "-e", "fc_reboot_wait=false")
    check(rc == 2, "check mode fails for the failing host (exit status %d)" % rc)
    check(all(not c for c in fleet.flash_calls().values()), "check mode called no flash engine anywhere")
    check(changed_hosts(recap, HOSTS) == sorted(PENDING), "changed in check mode are the pending hosts")
    check(failed_hosts(recap) == ["h08-no-adapters"], "failed in check mode: the host without adapters")
    rows = {r["host"]: r for r in outcomes(folder)}
    check(sorted(rows) == sorted(HOSTS), "every host recorded")
    check(all(rows[h]["outcome"] == "would_apply" and rows[h]["changed"] == "true" for h in PENDING),
          "pending hosts: would_apply")
    check(all(rows[h]["outcome"] == "nothing_done" and rows[h]["rc"] == "3"
              for h in ("h03-current", "h06-current", "h07-unknown")), "current hosts: nothing_done, rc 3")
    check(all(r["reboot_required"] == "false" for r in rows.values()), "no reboot required in check mode")
    check(sum(fleet.reboots().values()) == 0, "nothing rebooted in check mode")


def test_failing_batch_stops(ansible, fleet, scratch):
    print("\n== a roll-out in batches of 3 that a failure stops")
    folder = os.path.join(scratch, "rollout-report")
    rc, recap, _ = ansible.playbook("fcupdate.fleet.rollout", "--limit", "fleet", "-e", "fc_serial=3",
                                    "-e", "fc_fleet_report_dir=%s" % folder, "-e", "fc_reboot=true",
                                    "-e", "fc_reboot_wait=false")
    check(rc == 2, "the roll-out fails (exit status %d)" % rc)
    calls = fleet.flash_calls()
    check(sorted(h for h, c in calls.items() if c) ==
          ["h01-pending", "h02-pending", "h04-pending", "h05-engine-fails"],
          "the first two batches flashed their pending hosts, the later batches nothing")
    check(calls["h01-pending"] == ["/s"], "the engine was told /s")
    check(sorted(recap) == HOSTS[:6], "hosts of the later batches never ran: %s" % sorted(recap))
    check(failed_hosts(recap) == ["h05-engine-fails"], "the host whose engine failed is failed")
    check(changed_hosts(recap, HOSTS) == ["h01-pending", "h02-pending", "h04-pending"],
          "changed are the hosts that applied an update")
    reboots = fleet.reboots()
    check(sorted(h for h, n in reboots.items() if n) == ["h01-pending", "h02-pending"],
          "only the completed batch's updated hosts rebooted; h04 of the failing batch did not")
    rows = [(r["host"], r["outcome"], r["rc"], r["changed"], r["reboot_required"]) for r in outcomes(folder)]
    check(rows == [("h01-pending", "applied", "1", "true", "true"), ("h02-pending", "applied", "1", "true", "true"),
                   ("h03-current", "nothing_done", "3", "false", "false"),
                   ("h04-pending", "applied", "1", "true", "true"), ("h05-engine-fails", "failed", "7", "false", "false"),
                   ("h06-current", "nothing_done", "3", "false", "false")],
          "outcomes.csv records both batches, the failed host included: %s" % rows)
    msg = [r["msg"] for r in outcomes(folder) if r["host"] == "h05-engine-fails"]
    check(msg == ["the update failed (exit code 7): Flash Engine exit code: 2"], "the failure's message: %s" % msg)
    return folder


def test_rest_of_the_fleet(ansible, fleet, folder):
    print("\n== the rest of the fleet, batches of 25%, failures allowed")
    before = fleet.reboots()
    rc, recap, _ = ansible.playbook("fcupdate.fleet.rollout", "--limit", "fleet", "-e", "fc_max_fail_percentage=100",
                                    "-e", "fc_fleet_report_dir=%s" % folder, "-e", "fc_reboot=true",
                                    "-e", "fc_reboot_wait=false")
    check(rc == 2, "failing hosts fail the run (exit status %d)" % rc)
    check(sorted(recap) == HOSTS, "every batch ran")
    check(failed_hosts(recap) == ["h05-engine-fails", "h08-no-adapters", "h09-engine-exit"], "failed hosts")
    check(changed_hosts(recap, HOSTS) == ["h10-pending"], "only the host still pending changed")
    after = fleet.reboots()
    check({h: after[h] - before[h] for h in HOSTS if after[h] != before[h]} == {"h10-pending": 1},
          "exactly the host that applied an update rebooted")
    rows = {r["host"]: r for r in outcomes(folder)[6:]}
    check(rows["h09-engine-exit"]["outcome"] == "engine_exit" and rows["h09-engine-exit"]["rc"] == "12",
          "the engine's own exit code is passed through as engine_exit")
    check(rows["h01-pending"]["outcome"] == "nothing_done", "a flashed host reports its new image")


def test_second_rollout(ansible, fleet, scratch):
    print("\n== a second roll-out of the healthy hosts")
    before = (fleet.flash_calls(), fleet.reboots())
    healthy = [h for h in HOSTS if h not in ("h05-engine-fails", "h08-no-adapters", "h09-engine-exit")]
    rc, recap, _ = ansible.playbook("fcupdate.fleet.rollout", "--limit", ",".join(healthy),
                                    "-e", "fc_fleet_report_dir=%s" % os.path.join(scratch, "second-report"),
                                    "-e", "fc_reboot=true", "-e", "fc_reboot_wait=false")
    check(rc == 0, "the second roll-out succeeds (exit status %d)" % rc)
    check(sorted(recap) == sorted(healthy) and all(c["changed"] == 0 and c["failed"] == 0 for c in recap.values()),
          "every host ok and unchanged")
    check((fleet.flash_calls(), fleet.reboots()) == before, "no flash and no reboot")


def test_bad_input(ansible, fleet, scratch):
    print("\n== the module's answers to bad input")
    broken = os.path.join(scratch, "broken-package")
    os.makedirs(broken, exist_ok=True)
    shutil.copy(os.path.join(fleet.hosts["h01-pending"]["package"], "fcupdate"), broken)
    Fleet.write(broken, "no-report", "#!/bin/sh\necho 'no report today'\nexit 3\n")
    os.chmod(os.path.join(broken, "no-report"), 0o755)
    # A copy of a host whose component log is a FIFO, which the component
    # refuses and the module must not wait on.
    fifo_root = os.path.join(scratch, "fifo-log-root")
    shutil.copytree(fleet.hosts["h10-pending"]["root"], fifo_root, symlinks=True)
    log = os.path.join(fifo_root, "var", "vlx", "Component.log")
    os.makedirs(os.path.dirname(log), exist_ok=True)
    if os.path.lexists(log):
        os.remove(log)
    os.mkfifo(log)
    deep = json.dumps({"fc_deep": functools.reduce(lambda inner, _: [inner], range(70), True)})
    rc, recap, out = ansible.playbook(os.path.join(HERE, "bad_input.yml"), "--limit", "probe",
                                      "-e", "fc_broken=%s" % broken, "-e",
                                      "fc_pending=%s" % fleet.hosts["h10-pending"]["package"], "-e",
                                      "fc_pending_root=%s" % fleet.hosts["h10-pending"]["root"], "-e",
                                      "fc_fifo_log_root=%s" % fifo_root, "-e", deep)
    check(rc == 0 and recap.get("probe", {}).get("failed") == 0, "every bad-input assertion holds")
    warning = "[WARNING]: the component log %s is not a regular file; the lines of this call are left out" % log
    # Ansible wraps a warning wherever a space or a hyphen lets it.
    check("".join(warning.split()) in "".join(out.split()),
          "Ansible shows the module's warning about a log that is a FIFO")
    if rc != 0:
        print("\n".join(line for line in out.splitlines() if "FAILED" in line or "msg" in line)[-4000:])
    before = fleet.flash_calls()
    rc, recap, out = ansible.playbook(os.path.join(HERE, "role_bad_input.yml"))
    refusal = "value of fc_component must be one of: %s, got: bogus" % ", ".join(registered_components())
    check(rc != 0 and refusal in out
          and fleet.flash_calls() == before, "the role refuses an unknown component before it runs anything")


def test_filters():
    print("\n== the report filters, on their own")
    sys.dont_write_bytecode = True  # nothing written into the source tree
    sys.path.insert(0, os.path.join(SOURCE, "ansible", "plugins", "filter"))
    import fleet as filters  # pylint: disable=import-outside-toplevel
    hostile = ["a,b", 'say "hi"', "two\nlines", "", None, 3]
    row = filters.fleet_csv_row(hostile)
    check(next(csv.reader(io.StringIO(row))) == ["a,b", 'say "hi"', "two\nlines", "", "", "3"],
          "a CSV row keeps commas, quotes and line ends")
    answers = {"good": {"fc": {"outcome": "applied", "rc": 1, "changed": True, "reboot_required": True,
                               "msg": "done, really", "devices": []}},
               "crashed": {"fc": {"failed": True, "module_stderr": "Segmentation fault", "msg": "MODULE FAILURE"}},
               "gone": {}}
    report = filters.fleet_report(answers, ["good", "crashed", "gone"], "fc")
    check([(h["host"], h["outcome"], h["failed"]) for h in report["hosts"]] ==
          [("good", "applied", False), ("crashed", "failed", True), ("gone", "no_answer", True)],
          "a module that gave no outcome, and a host that gave no answer, are failures")
    rows = [next(csv.reader(io.StringIO(r))) for r in filters.fleet_outcome_rows(answers, ["good", "gone"], "fc")]
    check(rows == [["good", "applied", "1", "true", "true", "done, really"], ["gone", "no_answer", "", "false", "false", ""]],
          "outcome rows: %s" % rows)


def test_docs(ansible):
    print("\n== ansible-doc")
    run = subprocess.run(["ansible-doc", "fcupdate.fleet.fc_firmware"], env=ansible.env, stdout=subprocess.PIPE,
                         stderr=subprocess.STDOUT, text=True)
    options = ["package_dir", "component", "executable", "state", "force", "system_root"]
    returns = ["changed", "failed", "msg", "rc", "outcome", "pending", "reboot_required", "devices",
               "stdout_lines", "log"]
    check(run.returncode == 0 and all(re.search(r"^[-=] %s$" % o, run.stdout, re.M) for o in options),
          "ansible-doc shows the module's options")
    check(all(re.search(r"^- %s$" % r, run.stdout, re.M) for r in returns), "ansible-doc shows the module's returns")
    run = subprocess.run(["ansible-doc", "-t", "role", "fcupdate.fleet.rollout"], env=ansible.env,
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    check(run.returncode == 0 and "fc_package_dir" in run.stdout, "ansible-doc shows the role's variables")


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
    try:
        fleet = Fleet(scratch, os.path.abspath(args.bin), os.path.abspath(args.tools))
        ansible = Ansible(scratch, args.collections, fleet.inventory())
        test_filters()
        test_report(ansible, fleet)
        if args.picture:
            take_picture(os.path.join(ansible.controller, "fleet-report", "index.html"), args.picture, scratch)
        test_check_mode(ansible, fleet, scratch)
        folder = test_failing_batch_stops(ansible, fleet, scratch)
        test_rest_of_the_fleet(ansible, fleet, folder)
        test_second_rollout(ansible, fleet, scratch)
        test_bad_input(ansible, fleet, scratch)
        test_docs(ansible)
    finally:
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
