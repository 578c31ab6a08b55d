#!/usr/bin/env python3
"""The layer check over small made-up trees: what it lets through and what it names."""
import os
import subprocess
import sys
import tempfile
import unittest

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "check-layers")


def run(files):
    """Runs the check over a tree of the given {path: text}; (status, output lines)."""
    with tempfile.TemporaryDirectory() as root:
        for path, text in files.items():
            full = os.path.join(root, path)
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, "w", encoding="utf-8") as out:
                out.write(text)
        done = subprocess.run([sys.executable, SCRIPT, root], capture_output=True, text=True, check=False)
        return done.returncode, done.stdout.splitlines()


def including(*paths):
    return "".join('#include "%s"\n' % path for path in paths)


class CheckLayers(unittest.TestCase):
    def test_downward_and_own_layer_includes_pass(self):
        status, lines = run({
            "support/a.h": "#include <string>\n",
            "regex/pattern.h": including("support/a.h"),
            "fchba/x.cpp": including("fchba/x.h", "regex/pattern.h", "support/a.h"),
            "framework/f.cpp": including("fchba/x.h", "framework/f.h"),
            "components/qlogic/c.cpp": including("framework/f.h", "components/qlogic/c.h"),
            "app/main.cpp": including("components/qlogic/c.h", "support/a.h"),
        })
        self.assertEqual((status, lines), (0, []))

    def test_each_breach_is_named_with_its_line(self):
        status, lines = run({
            "fchba/enumerate.cpp": including("fchba/x.h", "framework/console.h"),
            "support/s.cpp": "// a comment\n" + including("app/main.h"),
            "framework/f.h": including("testing/sandbox.h"),
            "regex/case_file.cpp": including("tools/rxprobe/probe.h", "regex/testing/probe.h"),
            "components/brocade/c.cpp": including("components/emulex/kit_line.h"),
        })
        self.assertEqual(status, 1)
        self.assertEqual(lines, [
            "support/s.cpp:2: includes app/main.h: app/ is above support/",
            "regex/case_file.cpp:1: includes tools/rxprobe/probe.h: outside the product layers",
            "regex/case_file.cpp:2: includes regex/testing/probe.h: test support in product code",
            "fchba/enumerate.cpp:2: includes framework/console.h: framework/ is above fchba/",
            "framework/f.h:1: includes testing/sandbox.h: test support in product code",
            "components/brocade/c.cpp:1: includes components/emulex/kit_line.h: another vendor's folder",
        ])

    def test_tests_and_test_support_may_include_anything(self):
        status, lines = run({
            "fchba/enumerate_test.cpp": including("testing/hba_test_root.h", "framework/catalogue.h"),
            "regex/testing/probe.cpp": including("tools/rxprobe/probe.h", "app/x.h"),
            "testing/sandbox.cpp": including("components/qlogic/c.h"),
        })
        self.assertEqual((status, lines), (0, []))

    def test_a_missing_root_is_a_usage_error(self):
        done = subprocess.run([sys.executable, SCRIPT, "/nonexistent/tree"], capture_output=True, text=True,
                              check=False)
        self.assertEqual(done.returncode, 2)


if __name__ == "__main__":
    unittest.main()
