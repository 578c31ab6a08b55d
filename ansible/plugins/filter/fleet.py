# Controller-side helpers of the fleet report: the per-host answers of
# fc_firmware turned into one fleet summary, CSV rows and absolute paths.
from __future__ import annotations

import datetime
import os

FAILED_OUTCOMES = ("failed", "engine_exit")
CSV_COLUMNS = ("device_id", "product_id", "type", "installed", "package_version", "action")


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
             "package_version": i.get("version", ""), "action": i.get("action", "")}
            for d in devices for i in d.get("items", [])]


def _host_entry(host, answer):
    if answer is None:
        # A host that never answered (unreachable, or stopped before the task).
        return {"host": host, "outcome": "no_answer", "failed": True, "rc": None, "pending": False,
                "msg": "the host gave no answer", "devices": [], "rows": []}
    outcome = answer.get("outcome") or "failed"
    devices = answer.get("devices") or []
    return {
        "host": host,
        "outcome": outcome,
        "failed": outcome in FAILED_OUTCOMES or "outcome" not in answer,
        "rc": answer.get("rc"),
        "pending": bool(answer.get("pending")),
        "msg": answer.get("msg") or answer.get("module_stderr") or "",
        "devices": devices,
        "rows": _item_rows(devices),
    }


def fleet_report(hostvars, hosts, name):
    """The fleet report: every host with its devices, and the counts a
    person looks at first."""
    entries = [_host_entry(host, _answer(hostvars, host, name)) for host in hosts]
    adapters = sum(len(e["devices"]) for e in entries)
    pending = sum(1 for e in entries for row in e["rows"] if row["action"] == "upgrade")
    failures = sum(1 for e in entries if e["failed"])
    summary = {"hosts": len(entries), "adapters": adapters, "pending_upgrades": pending,
               "failures": failures}
    summary["text"] = "%s, %s, %s, %s" % (
        _count(len(entries), "host"), _count(adapters, "adapter"),
        _count(pending, "pending upgrade"), _count(failures, "failure"))
    written = datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC")
    return {"written": written, "summary": summary, "hosts": entries}


def _count(n, word):
    return "%d %s%s" % (n, word, "" if n == 1 else "s")


def fleet_csv_rows(report):
    """fleet.csv's rows: one per host, device and firmware item; a host with
    no item has one row with only its name."""
    rows = []
    for entry in report["hosts"]:
        if not entry["rows"]:
            rows.append(fleet_csv_row([entry["host"], "", "", "", "", "", ""]))
        for row in entry["rows"]:
            rows.append(fleet_csv_row([entry["host"]] + [row[k] for k in CSV_COLUMNS]))
    return rows


def fleet_outcome_rows(hostvars, hosts, name):
    """outcomes.csv's rows for a batch, one per host, failed hosts included."""
    rows = []
    for host in hosts:
        answer = _answer(hostvars, host, name) or {}
        rc = answer.get("rc")
        rows.append(fleet_csv_row([
            host, answer.get("outcome") or "no_answer", "" if rc is None else rc,
            str(bool(answer.get("changed"))).lower(), str(bool(answer.get("reboot_required"))).lower(),
            answer.get("msg") or answer.get("module_stderr") or ""]))
    return rows


class FilterModule:
    """The fleet report's filters."""

    def filters(self):
        return {
            "fleet_abspath": fleet_abspath,
            "fleet_csv_row": fleet_csv_row,
            "fleet_csv_rows": fleet_csv_rows,
            "fleet_outcome_rows": fleet_outcome_rows,
            "fleet_report": fleet_report,
        }
