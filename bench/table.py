#!/usr/bin/env python3
"""Turns regex_bench's JSON output into a Markdown table: one row per
workload and mode, one column per engine, each cell the median run."""
import json
import sys

ENGINES = ["fcupdate", "std::regex", "PCRE2 interp", "PCRE2 JIT", "RE2", "Boost"]


def cpu_model():
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return "unknown CPU"


def main(path):
    with open(path) as f:
        data = json.load(f)
    rows = {}
    for b in data["benchmarks"]:
        if b.get("aggregate_name", "median") != "median":
            continue
        workload, mode, engine = b["run_name"].split("/", 2)
        unit = "ns/MB" if "ns_per_MB" in b else "ns/item"
        value = b.get("ns_per_MB", b.get("ns_per_item"))
        rows.setdefault((workload, mode, unit), {})[engine] = value
    ctx = data["context"]
    print("Machine: %s, %d CPUs at %d MHz; medians of %s; CPU time" % (cpu_model(), ctx["num_cpus"],
                                                                      ctx["mhz_per_cpu"], "3 runs"))
    print()
    print("| workload | mode | unit | " + " | ".join(ENGINES) + " |")
    print("|---|---|---|" + "---:|" * len(ENGINES))
    for (workload, mode, unit), values in sorted(rows.items()):
        cells = ["%.0f" % values[e] if e in values else "-" for e in ENGINES]
        print("| %s | %s | %s | %s |" % (workload, mode, unit, " | ".join(cells)))


if __name__ == "__main__":
    main(sys.argv[1])
