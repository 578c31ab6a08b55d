#!/usr/bin/env python3
"""Runs a build's ctest suite with its end-to-end tests pointed at other
executables: each test as ctest would run it (command, working directory,
environment, timeout), but with FCUPDATE_BIN naming the given directory.
Usage: run-tests.py BUILD_DIR BIN_DIR"""
import concurrent.futures
import json
import os
import subprocess
import sys


def properties(test):
    return {p["name"]: p["value"] for p in test.get("properties", [])}


def run(test, bin_dir):
    props = properties(test)
    env = dict(os.environ)
    for assignment in props.get("ENVIRONMENT", []):
        name, _, value = assignment.partition("=")
        env[name] = value
    env["FCUPDATE_BIN"] = bin_dir
    try:
        result = subprocess.run(test["command"], cwd=props.get("WORKING_DIRECTORY"), env=env,
                                capture_output=True, text=True, errors="replace",
                                timeout=props.get("TIMEOUT", 600))
        return test["name"], result.returncode == 0, result.stdout + result.stderr
    except subprocess.TimeoutExpired:
        return test["name"], False, "timed out"


def main():
    build, bin_dir = sys.argv[1], os.path.abspath(sys.argv[2])
    listing = subprocess.run(["ctest", "--test-dir", build, "--show-only=json-v1"],
                             check=True, capture_output=True, text=True).stdout
    tests = [t for t in json.loads(listing)["tests"] if "command" in t]
    failed = []
    with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
        for name, passed, output in pool.map(lambda t: run(t, bin_dir), tests):
            if not passed:
                failed.append(name)
                print(f"FAILED {name}\n{output}")
    print(f"{len(tests) - len(failed)} passed, {len(failed)} failed")
    return 1 if failed or not tests else 0


if __name__ == "__main__":
    sys.exit(main())
