# Controller-side helpers of the fleet report and the roll-out: the per-host
# answers of fc_firmware turned into one triaged fleet summary, CSV rows,
# the check after a reboot, and absolute paths.
from __future__ import annotations

import csv
import datetime
import io
import os

FAILED_OUTCOMES = ("failed", "engine_exit", "held", "unreachable")
CSV_COLUMNS = ("device_id", "product_id", "type", "installed", "package_version", "action")
FLEET_CSV_HEADER = ("host",) + CSV_COLUMNS + ("outcome", "category", "msg", "wwpns", "pci_location")
OUTCOMES_HEADER = ("host", "outcome", "rc", "changed", "reboot_required", "msg", "time", "play_id",
                   "check_mode", "versions_before", "versions_after", "verification")
# What needs a person first: the order of the page and its groups.
STATUS_ORDER = ("failed", "held", "pending", "not_in_catalogue", "no_adapters", "current")
STATUS_TITLES = {"failed": "Failed", "held": "Held", "pending": "Pending", "not_in_catalogue": "Not in catalogue",
                 "no_adapters": "No adapters", "current": "Current"}


def fleet_abspath(path):
    """A path relative to the controller's current directory, made absolute.

    Tasks delegated to the controller run in the playbook's folder, so a
    relative report folder must be resolved before it reaches them.
    """
    return os.path.abspath(os.path.expanduser(str(path)))


def fleet_csv_row(values):
    """One CSV line (RFC 4180): a field is quoted when it holds a comma, a
    quote or a line end."""
    fields = []
    for value in values:
        text = "" if value is None else str(value)
        if any(c in text for c in ',"\r\n'):
            text = '"' + text.replace('"', '""') + '"'
        fields.append(text)
    return ",".join(fields)


def _answer(hostvars, host, name):
    try:
        answer = hostvars[host][name]
    except KeyError:
        return None
    return answer if isinstance(answer, dict) else None


def _item_rows(devices):
    return [{"device_id": d.get("device_id", ""), "product_id": d.get("product_id", ""),
             "type": i.get("type", ""), "installed": i.get("active_version", ""),
             "package_version": i.get("version", ""), "action": i.get("action", ""),
             "wwpns": ";".join(d.get("port_wwns") or []), "pci_location": d.get("pci_location") or ""}
            for d in devices for i in d.get("items", [])]


def _unknown_adapters(answer):
    """The adapters the catalogue does not know: they have no firmware item."""
    return [{"device_id": a.get("key", ""), "product_id": a.get("model", ""), "serial": a.get("serial", ""),
             "installed": a.get("option_rom_version") or a.get("firmware_version") or "",
             "wwpns": ";".join(a.get("port_wwns") or []), "pci_location": a.get("pci_location") or ""}
            for a in answer.get("adapters") or [] if not a.get("catalogued")]


def _outcome(answer):
    """The outcome word; a host Ansible could not reach has no module answer."""
    if answer is None or answer.get("unreachable"):
        return "unreachable"
    return answer.get("outcome") or "failed"


def _category(answer, outcome):
    if outcome == "unreachable":
        return "unreachable"
    if outcome not in FAILED_OUTCOMES:
        return ""
    return answer.get("category") or ("held" if outcome == "held" else "unknown")


def _message(answer, outcome):
    if answer is None:
        return "the host gave no answer"
    return answer.get("msg") or answer.get("module_stderr") or ("unreachable" if outcome == "unreachable" else "")


def _status(entry):
    if entry["outcome"] == "held" or (entry["held"] and entry["pending"] and not entry["failed"]):
        return "held"
    if entry["failed"]:
        return "failed"
    if entry["pending"]:
        return "pending"
    if entry["unknown"]:
        return "not_in_catalogue"
    if entry["outcome"] == "no_adapters":
        return "no_adapters"
    return "current"


def _host_entry(host, answer):
    outcome = _outcome(answer)
    failed = outcome in FAILED_OUTCOMES or (answer is not None and "outcome" not in answer)
    answer = answer or {}
    devices = answer.get("devices") or []
    entry = {
        "host": host,
        "outcome": outcome,
        "category": _category(answer, outcome) if failed else "",
        "failed": failed,
        "rc": answer.get("rc"),
        "pending": bool(answer.get("pending")),
        "held": bool(answer.get("held")),
        "reboot_pending": bool(answer.get("reboot_pending")),
        "msg": _message(answer if answer else None, outcome),
        "devices": devices,
        "rows": _item_rows(devices),
        "unknown": _unknown_adapters(answer),
        "package": answer.get("package") or None,
    }
    if failed and not entry["category"]:
        entry["category"] = "unknown"
    entry["status"] = _status(entry)
    entry["pending_items"] = sum(1 for row in entry["rows"] if row["action"] == "upgrade")
    return entry


def _packages(entries):
    """The packages the report was made against: each distinct pair of
    digests, with the folders it was found in and how many hosts used it."""
    packages = []
    for entry in entries:
        package = entry["package"]
        if not package:
            continue
        key = (package.get("catalogue_sha256"), package.get("package_sha256"))
        found = [p for p in packages if (p["catalogue_sha256"], p["package_sha256"]) == key]
        if not found:
            found = [{"catalogue_sha256": key[0], "package_sha256": key[1], "dirs": [], "hosts": 0,
                      "package_file": package.get("package_file") or ""}]
            packages.append(found[0])
        found[0]["hosts"] += 1
        if package.get("dir") not in found[0]["dirs"]:
            found[0]["dirs"].append(package.get("dir"))
    return packages


def _summary(entries):
    by_status = {status: sum(1 for e in entries if e["status"] == status) for status in STATUS_ORDER}
    categories = {}
    for entry in entries:
        if entry["status"] == "failed":
            categories[entry["category"]] = categories.get(entry["category"], 0) + 1
    adapters = sum(len(e["devices"]) + len(e["unknown"]) for e in entries)
    pending_items = sum(e["pending_items"] for e in entries if e["status"] == "pending")
    summary = {"hosts": len(entries), "adapters": adapters, "pending_hosts": by_status["pending"],
               "pending_items": pending_items, "failures": by_status["failed"],
               "failure_categories": dict(sorted(categories.items())), "held": by_status["held"],
               "not_in_catalogue": by_status["not_in_catalogue"], "no_adapters": by_status["no_adapters"],
               "current": by_status["current"],
               "reboot_pending": sum(1 for e in entries if e["reboot_pending"])}
    failures = _count(summary["failures"], "failure")
    if categories:
        failures += " (%s)" % ", ".join("%s %d" % item for item in sorted(categories.items()))
    summary["text"] = "%s, %s: %s, %s pending (%s), %s held, %s, %s not in catalogue, %s without adapters, %s current" % (
        _count(len(entries), "host"), _count(adapters, "adapter"), failures, _count(by_status["pending"], "host"),
        _count(pending_items, "item"), summary["held"], _count(summary["reboot_pending"], "reboot") + " pending",
        summary["not_in_catalogue"], summary["no_adapters"], summary["current"])
    return summary


def fleet_report(hostvars, hosts, name):
    """The fleet report: every host with its devices, ordered by what needs
    a person first (failed, held, pending, not in catalogue, no adapters,
    current; inventory order within each), and the counts a person looks at
    first."""
    entries = [_host_entry(host, _answer(hostvars, host, name)) for host in hosts]
    entries.sort(key=lambda e: STATUS_ORDER.index(e["status"]))
    written = datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC")
    groups = [{"status": status, "title": STATUS_TITLES[status],
               "hosts": [e["host"] for e in entries if e["status"] == status]} for status in STATUS_ORDER]
    return {"written": written, "summary": _summary(entries), "packages": _packages(entries),
            "groups": groups, "hosts": entries}


def _count(n, word):
    return "%d %s%s" % (n, word, "" if n == 1 else "s")


def fleet_csv_rows(report):
    """fleet.csv's rows: one per host, device and firmware item, one per
    adapter the catalogue does not know, and for a host with neither one row
    with its outcome."""
    rows = []
    for entry in report["hosts"]:
        tail = [entry["outcome"], entry["category"], entry["msg"]]
        for row in entry["rows"]:
            rows.append(fleet_csv_row([entry["host"]] + [row[k] for k in CSV_COLUMNS] + tail +
                                      [row["wwpns"], row["pci_location"]]))
        for adapter in entry["unknown"]:
            rows.append(fleet_csv_row([entry["host"], adapter["device_id"], adapter["product_id"], "",
                                       adapter["installed"], "", "", "not_in_catalogue", "",
                                       "the package's catalogue does not know this adapter",
                                       adapter["wwpns"], adapter["pci_location"]]))
        if not entry["rows"] and not entry["unknown"]:
            rows.append(fleet_csv_row([entry["host"], "", "", "", "", "", ""] + tail + ["", ""]))
    return rows


def fleet_csv_header(_=None):
    return ",".join(FLEET_CSV_HEADER)


def fleet_outcomes_header(_=None):
    return ",".join(OUTCOMES_HEADER)


def _versions(devices):
    """A host's firmware as one cell: key/type=version, joined by ';'."""
    return ";".join("%s/%s=%s" % (d.get("device_id", ""), i.get("type", ""), i.get("active_version", ""))
                    for d in devices or [] for i in d.get("items", []))


def fleet_verification(answer, after=None, rebooted=False):
    """What the check after a reboot found, for a host whose update this
    call applied: verified when every upgraded item now reads "rewrite" (the
    component's own comparison) and the boot id changed."""
    answer = answer or {}
    if answer.get("outcome") != "applied":
        return {"verification": "", "verification_msg": "", "versions_after": None}
    if not rebooted:
        return {"verification": "reboot_pending", "verification_msg": "", "versions_after": None}
    if not after or after.get("unreachable") or after.get("outcome") != "reported":
        return {"verification": "not_verified", "verification_msg": "no answer after reboot", "versions_after": None}
    before_boot, after_boot = answer.get("boot_id") or "", after.get("boot_id") or ""
    versions_after = _versions(after.get("devices"))
    if not after_boot or after_boot == before_boot:
        return {"verification": "not_verified", "versions_after": versions_after,
                "verification_msg": "the boot id did not change: the host did not reboot"}
    wrong = _not_current(answer.get("devices") or [], after.get("devices") or [])
    if wrong:
        return {"verification": "not_verified", "versions_after": versions_after,
                "verification_msg": "still not current after the reboot: " + "; ".join(wrong)}
    return {"verification": "verified", "verification_msg": "", "versions_after": versions_after}


def _not_current(before, after):
    """The upgraded items that do not read "rewrite" after the reboot: a
    device is matched by its place among the devices of its key."""
    wrong = []
    for n, device in enumerate(before):
        twins = [d for d in before[:n] if d.get("device_id") == device.get("device_id")]
        now = [d for d in after if d.get("device_id") == device.get("device_id")]
        match = now[len(twins)] if len(twins) < len(now) else {}
        for item in device.get("items", []):
            if item.get("action") != "upgrade":
                continue
            found = [i for i in match.get("items", []) if i.get("type") == item.get("type")]
            if not found or found[0].get("action") != "rewrite":
                wrong.append("%s/%s=%s, package %s" % (device.get("device_id", ""), item.get("type", ""),
                                                     found[0].get("active_version", "") if found else "missing",
                                                     item.get("version", "")))
    return wrong


def _outcome_row(host, answer, play):
    outcome = _outcome(answer)
    answer = answer or {}
    rc = answer.get("rc")
    before = _versions(answer.get("devices"))
    after = answer.get("versions_after")
    if after is None:
        after = before if outcome in ("nothing_done", "would_apply", "held", "no_adapters", "reported") else ""
    msg = _message(answer if answer else None, outcome)
    if answer.get("verification_msg"):
        msg += "; " + answer["verification_msg"]
    return fleet_csv_row([
        host, outcome, "" if rc is None else rc, str(bool(answer.get("changed"))).lower(),
        str(bool(answer.get("reboot_required"))).lower(), msg, play["time"], play["play_id"],
        str(bool(play["check_mode"])).lower(), before, after, answer.get("verification") or ""])


def fleet_outcome_rows(hostvars, hosts, name, play=None):
    """outcomes.csv's rows for a batch, one per host, failed and unreachable
    hosts included. play: time, play_id and check_mode of the roll-out."""
    play = play or {"time": "", "play_id": "", "check_mode": False}
    return [_outcome_row(host, _answer(hostvars, host, name), play) for host in hosts]


def fleet_not_attempted_rows(hosts_all, batch, play):
    """Rows for the hosts of the batches after this one, which a stopped
    roll-out never reaches."""
    last = max([hosts_all.index(h) for h in batch if h in hosts_all] or [-1])
    return [fleet_csv_row([host, "not_attempted", "", "false", "false",
                           "not attempted: an earlier batch stopped the roll-out", play["time"], play["play_id"],
                           str(bool(play["check_mode"])).lower(), "", "", ""])
            for host in hosts_all[last + 1:]]


def fleet_batch_stops(hostvars, batch, name, max_fail_percentage):
    """Whether the batch's failures exceed max_fail_percentage, as Ansible
    judges it when it stops the play."""
    if not batch:
        return False
    failed = sum(1 for h in batch if _outcome(_answer(hostvars, h, name)) in FAILED_OUTCOMES
                 or (_answer(hostvars, h, name) or {}).get("verification") == "not_verified")
    return failed * 100.0 / len(batch) > float(max_fail_percentage)


def fleet_rollout(outcomes_text, play_id):
    """The roll-out's batches from outcomes.csv: the rows of this play, a
    batch being the rows written together (one time), the hosts never
    attempted last."""
    rows = [r for r in csv.DictReader(io.StringIO(outcomes_text or "")) if r.get("play_id") == play_id]
    batches = []
    for row in rows:
        if row["outcome"] == "not_attempted":
            continue
        if not batches or batches[-1]["time"] != row["time"]:
            batches.append({"time": row["time"], "rows": []})
        batches[-1]["rows"].append(row)
    skipped = [r for r in rows if r["outcome"] == "not_attempted"]
    check = bool(rows) and rows[0].get("check_mode") == "true"
    return {"play_id": play_id, "check_mode": check, "batches": batches, "not_attempted": skipped}


class FilterModule:
    """The fleet report's filters."""

    def filters(self):
        return {
            "fleet_abspath": fleet_abspath,
            "fleet_batch_stops": fleet_batch_stops,
            "fleet_csv_header": fleet_csv_header,
            "fleet_csv_row": fleet_csv_row,
            "fleet_csv_rows": fleet_csv_rows,
            "fleet_not_attempted_rows": fleet_not_attempted_rows,
            "fleet_outcome_rows": fleet_outcome_rows,
            "fleet_outcomes_header": fleet_outcomes_header,
            "fleet_report": fleet_report,
            "fleet_rollout": fleet_rollout,
            "fleet_verification": fleet_verification,
        }
