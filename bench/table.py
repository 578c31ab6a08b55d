#!/usr/bin/env python3
"""Turns regex_bench's JSON output into a Markdown table: one row per
workload and mode, one column per engine, each cell the median of the
repetitions and their spread, (largest - smallest) / median.

Given several runs (the first of the whole benchmark, then reruns of
single rows), each row is taken from the run where its largest spread is
smallest. With --noisy PERCENT it prints instead the rows whose spread
still exceeds PERCENT, one "workload/mode" a line."""
import json
import statistics
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


def rows_of(path):
    """{(workload, mode, unit): {engine: [values of the repetitions]}}"""
    with open(path) as f:
        data = json.load(f)
    rows = {}
    for b in data["benchmarks"]:
        if b.get("run_type", "iteration") != "iteration":
            continue
        workload, mode, engine = b["run_name"].split("/", 2)
        unit = "ns/MB" if "ns_per_MB" in b else "ns/item"
        value = b.get("ns_per_MB", b.get("ns_per_item"))
        rows.setdefault((workload, mode, unit), {}).setdefault(engine, []).append(value)
    return data["context"], rows


def spread(values):
    return (max(values) - min(values)) / statistics.median(values)


def best_rows(paths):
    context, best = None, {}
    for path in paths:
        ctx, rows = rows_of(path)
        context = context or ctx
        for key, engines in rows.items():
            worst = max(spread(v) for v in engines.values())
            if key not in best or worst < best[key][0]:
                best[key] = (worst, engines)
    return context, best


def cell(values):
    if not values:
        return "-"
    median = statistics.median(values)
    digits = "%.1f" if median < 100 else "%.0f"
    return (digits % median) + " ±%.1f%%" % (100 * spread(values))


def main(args):
    noisy = None
    if args and args[0] == "--noisy":
        noisy = float(args[1]) / 100
        args = args[2:]
    context, best = best_rows(args)
    if noisy is not None:
        for (workload, mode, _), (worst, _) in sorted(best.items()):
            if worst > noisy:
                print("%s/%s" % (workload, mode))
        return
    repetitions = max(len(v) for _, engines in best.values() for v in engines.values())
    print("Machine: %s, %d CPUs at %d MHz; medians of %d runs with their spread; CPU time"
          % (cpu_model(), context["num_cpus"], context["mhz_per_cpu"], repetitions))
    print()
    print("| workload | mode | unit | " + " | ".join(ENGINES) + " |")
    print("|---|---|---|" + "---:|" * len(ENGINES))
    for (workload, mode, unit), (_, engines) in sorted(best.items()):
        cells = [cell(engines.get(e, [])) for e in ENGINES]
        print("| %s | %s | %s | %s |" % (workload, mode, unit, " | ".join(cells)))


if __name__ == "__main__":
    main(sys.argv[1:])
