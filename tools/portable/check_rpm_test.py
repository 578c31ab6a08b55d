#!/usr/bin/env python3
"""check-rpm.sh against small RPMs made with rpmbuild: one that rpm 4.3 and
4.4 could install, and one fault each beside it."""
import os
import shutil
import subprocess
import tempfile
import unittest

CHECK = os.path.join(os.path.dirname(os.path.abspath(__file__)), "check-rpm.sh")
OLD_RPM = {"_binary_payload": "w9.gzdio", "_binary_filedigest_algorithm": "1", "_build_id_links": "none"}
RECIPE = """Name: probe
Version: 1
Release: 1
Summary: probe
License: none
%s
%%description
probe
%%install
mkdir -p %%{buildroot}/opt/probe && echo probe > %%{buildroot}/opt/probe/file
%%files
/opt/probe/file
"""
# Each case: name, extra package header lines, macros over OLD_RPM, what the check must say (None: pass).
CASES = [
    ("old rpm", "", {}, None),
    ("old glibc and libxml2 nodes", "Requires: libc.so.6(GLIBC_2.3.4)(64bit) libxml2.so.2(LIBXML2_2.6.16)(64bit)",
     {}, None),
    ("new payload", "", {"_binary_payload": "w6.xzdio"}, "payload xz"),
    ("SHA-256 digests", "", {"_binary_filedigest_algorithm": "8"}, "file digest algorithm 8"),
    ("new glibc", "Requires: libc.so.6(GLIBC_2.4)(64bit)", {}, "libc.so.6(GLIBC_2.4)(64bit)"),
    ("new libxml2 node", "Requires: libxml2.so.2(LIBXML2_2.9.0)(64bit)", {}, "LIBXML2_2.9.0"),
    ("other library", "Requires: libstdc++.so.6()(64bit)", {}, "libstdc++.so.6()(64bit)"),
    ("GNU hash only", "Requires: rtld(GNU_HASH)", {}, "rtld(GNU_HASH)"),
]


def build_rpm(work, name, header, macros):
    top = os.path.join(work, name.replace(" ", "_"))
    os.makedirs(top)
    # rpmbuild reads the recipe from any file name.
    recipe = os.path.join(top, "probe.rpmbuild")
    with open(recipe, "w") as file:
        file.write(RECIPE % header)
    defines = []
    for macro, value in {**OLD_RPM, **macros, "_topdir": top}.items():
        defines += ["--define", f"{macro} {value}"]
    subprocess.run(["rpmbuild", "-bb", "--quiet", *defines, recipe], check=True, capture_output=True)
    rpms = os.path.join(top, "RPMS")
    return next(os.path.join(d, f) for d, _, files in os.walk(rpms) for f in files if f.endswith(".rpm"))


class CheckRpmTest(unittest.TestCase):
    def test_each_fault_is_named(self):
        with tempfile.TemporaryDirectory() as work:
            for name, header, macros, reason in CASES:
                with self.subTest(name):
                    result = subprocess.run([CHECK, build_rpm(work, name, header, macros)],
                                            capture_output=True, text=True)
                    if reason is None:
                        self.assertEqual(result.returncode, 0, result.stdout)
                        self.assertTrue(result.stdout.startswith("ok "))
                    else:
                        self.assertEqual(result.returncode, 1, result.stdout)
                        self.assertIn(reason, result.stdout)

    def test_a_file_not_named_for_its_package(self):
        with tempfile.TemporaryDirectory() as work:
            built = build_rpm(work, "named", "", {})
            named = os.path.basename(built)  # rpmbuild's own name: probe-1-1.ARCH.rpm
            for other in ["probe-1-portable.x86_64.rpm", "probe-1-Linux.rpm", "probe-1-2.x86_64.rpm"]:
                with self.subTest(other):
                    renamed = os.path.join(work, other)
                    shutil.copy(built, renamed)
                    result = subprocess.run([CHECK, renamed], capture_output=True, text=True)
                    self.assertEqual(result.returncode, 1, result.stdout)
                    self.assertIn("file name %s for %s" % (other, named), result.stdout)


if __name__ == "__main__":
    unittest.main()
