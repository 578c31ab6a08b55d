"""The fleet test's checks of the module's answers to bad input, of the
report filters on their own, and of what ansible-doc shows."""
import csv
import functools
import io
import json
import os
import re
import shutil
import subprocess
import sys

from fleet_checks import check
from fleet_hosts import write

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))


def registered_components():
    """The component words of the vendor registration, in its order."""
    with open(os.path.join(SOURCE, "components", "vendors.txt"), encoding="utf-8") as table:
        return [line.split()[0] for line in table if line.strip() and not line.lstrip().startswith("#")]


def test_bad_input(ansible, fleet, scratch):
    print("\n== the module's answers to bad input")
    broken = os.path.join(scratch, "broken-package")
    os.makedirs(broken, exist_ok=True)
    shutil.copy(os.path.join(fleet.hosts["h01-pending"]["package"], "fcupdate"), broken)
    write(broken, "no-report", "#!/bin/sh\necho 'no report today'\nexit 3\n")
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
               "cut": {"fc": {"unreachable": True, "msg": "Failed to connect"}},
               "gone": {}}
    report = filters.fleet_report(answers, ["good", "crashed", "cut", "gone"], "fc")
    check(sorted((h["host"], h["outcome"], h["category"], h["failed"]) for h in report["hosts"]) ==
          [("crashed", "failed", "unknown", True), ("cut", "unreachable", "unreachable", True),
           ("gone", "unreachable", "unreachable", True), ("good", "applied", "", False)],
          "a module that gave no outcome, and a host that gave no answer, are failures")
    play = {"time": "T", "play_id": "P", "check_mode": False}
    rows = [next(csv.reader(io.StringIO(r))) for r in filters.fleet_outcome_rows(answers, ["good", "cut"], "fc", play)]
    check(rows == [["good", "applied", "1", "true", "true", "done, really", "T", "P", "false", "", "", ""],
                   ["cut", "unreachable", "", "false", "false", "Failed to connect", "T", "P", "false", "", "", ""]],
          "outcome rows: %s" % rows)
    rows = filters.fleet_not_attempted_rows(["a", "b", "c", "d"], ["b", "a"], play)
    check([r.split(",")[:2] for r in rows] == [["c", "not_attempted"], ["d", "not_attempted"]],
          "the hosts after the batch are not attempted")
    check(filters.fleet_batch_stops(answers, ["good", "cut"], "fc", 50) is False
          and filters.fleet_batch_stops(answers, ["good", "cut"], "fc", 49) is True
          and filters.fleet_batch_stops(answers, [], "fc", 0) is False,
          "a batch stops the roll-out past max_fail_percentage, as Ansible counts")
    check_verification(filters)


def check_verification(filters):
    item = {"type": "Multiboot Image", "version": "3.10", "active_version": "3.00", "action": "upgrade"}
    twin = dict(item, active_version="3.10", action="rewrite")
    applied = {"outcome": "applied", "boot_id": "B1", "devices": [{"device_id": "k", "items": [item]},
                                                                  {"device_id": "k", "items": [item]}]}
    after = {"outcome": "reported", "boot_id": "B2", "devices": [{"device_id": "k", "items": [twin]},
                                                                 {"device_id": "k", "items": [twin]}]}
    stale = dict(after, devices=[{"device_id": "k", "items": [twin]}, {"device_id": "k", "items": [item]}])
    cases = [
        ("not applied", {"outcome": "nothing_done"}, after, True, ""),
        ("no reboot", applied, None, False, "reboot_pending"),
        ("verified", applied, after, True, "verified"),
        ("no answer", applied, None, True, "not_verified"),
        ("unreachable", applied, {"unreachable": True}, True, "not_verified"),
        ("same boot", applied, dict(after, boot_id="B1"), True, "not_verified"),
        ("boot unknown", applied, dict(after, boot_id=""), True, "not_verified"),
        ("one twin stale", applied, stale, True, "not_verified"),
        ("a device gone", applied, dict(after, devices=after["devices"][:1]), True, "not_verified"),
    ]
    got = [(what, filters.fleet_verification(answer, later, rebooted)["verification"])
           for what, answer, later, rebooted, _ in cases]
    check(got == [(c[0], c[4]) for c in cases], "verification after the reboot: %s" % got)


def test_docs(ansible):
    print("\n== ansible-doc")
    run = subprocess.run(["ansible-doc", "fcupdate.fleet.fc_firmware"], env=ansible.env, stdout=subprocess.PIPE,
                         stderr=subprocess.STDOUT, text=True)
    options = ["package_dir", "component", "executable", "state", "force", "system_root", "retry_failed", "history"]
    returns = ["changed", "failed", "msg", "rc", "outcome", "category", "pending", "reboot_required",
               "reboot_pending", "held", "verification", "boot_id", "devices", "adapters", "package", "runs",
               "history", "stdout_lines", "log"]
    check(run.returncode == 0 and all(re.search(r"^[-=] %s$" % o, run.stdout, re.M) for o in options),
          "ansible-doc shows the module's options")
    check(all(re.search(r"^- %s$" % r, run.stdout, re.M) for r in returns), "ansible-doc shows the module's returns")
    run = subprocess.run(["ansible-doc", "-t", "role", "fcupdate.fleet.rollout"], env=ansible.env,
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    check(run.returncode == 0 and "fc_package_dir" in run.stdout and "fc_retry_failed" in run.stdout,
          "ansible-doc shows the role's variables")
    # ansible-core 2.14 reads a module's file itself to list it, and cannot
    # decode a binary one: a later release that lists it fails here, so that
    # the docs are brought up to date.
    run = subprocess.run(["ansible-doc", "-l", "fcupdate.fleet"], env=ansible.env, stdout=subprocess.PIPE,
                         stderr=subprocess.STDOUT, text=True)
    flat = " ".join(run.stdout.split())
    check("fc_firmware has a documentation formatting error" in flat
          and not re.search(r"^fcupdate\.fleet\.fc_firmware\s", run.stdout, re.M),
          "ansible-doc -l warns about the binary module and leaves it out: %r" % run.stdout[:300])
