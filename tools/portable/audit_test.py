#!/usr/bin/env python3
"""The audit against small files made with the host's gcc, one fault each, and
against a normal developer-build executable. Usage: audit_test.py [EXECUTABLE]"""
import os
import subprocess
import sys
import tempfile
import unittest

AUDIT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "audit.py")
PLAIN_MAIN = "int main(void) { return 0; }\n"
# Each case: name, source, gcc arguments, what the audit must say.
CASES = [
    ("packed relative relocations", "int x; int *p = &x;\n" + PLAIN_MAIN,
     ["-Wl,-z,pack-relative-relocs"], ["DT_RELR"]),
    ("run path", PLAIN_MAIN, ["-Wl,-rpath,/opt/vendor/lib"], ["DT_R"]),
    ("exported symbols", "int visible(void) { return 1; }\n" + PLAIN_MAIN, ["-rdynamic"], ["exports "]),
    ("indirect function", "static int impl(void) { return 0; }\n"
     "static void *pick(void) { return (void *)impl; }\n"
     "int chosen(void) __attribute__((ifunc(\"pick\")));\n"
     "int main(void) { return chosen(); }\n", [], ["R_X86_64_IRELATIVE", "OS/ABI UNIX - GNU"]),
    ("other interpreter", PLAIN_MAIN, ["-Wl,--dynamic-linker=/lib/ld-other.so.1"],
     ["interpreter /lib/ld-other.so.1"]),
    ("TLS descriptors", "extern __thread int counter;\nint next(void) { return ++counter; }\n",
     ["-shared", "-fPIC", "-mtls-dialect=gnu2"], ["R_X86_64_TLSDESC"]),
    ("AVX", "int main(void) { __asm__ volatile(\"vzeroupper\"); return 0; }\n", [], ["1 AVX or AVX-512"]),
    ("new C library", PLAIN_MAIN, [], ["needs GLIBC_2.34", "no DT_HASH", "start code passes no init function"]),
    ("classic hash table alone", PLAIN_MAIN, ["-Wl,--hash-style=sysv"], ["needs GLIBC_2.34"]),
]


def audit(*paths):
    result = subprocess.run([sys.executable, AUDIT, *paths], capture_output=True, text=True)
    return result.returncode, result.stdout


class AuditTest(unittest.TestCase):
    executable = None

    def test_each_fault_is_named(self):
        with tempfile.TemporaryDirectory() as work:
            for name, source, flags, reasons in CASES:
                with self.subTest(name):
                    path = os.path.join(work, name.replace(" ", "_"))
                    with open(path + ".c", "w") as file:
                        file.write(source)
                    subprocess.run(["gcc", "-O1", path + ".c", "-o", path, *flags], check=True)
                    code, out = audit(path)
                    self.assertEqual(code, 1, out)
                    for reason in reasons:
                        self.assertIn(reason, out)

    def test_classic_hash_alone_is_not_reported_missing(self):
        with tempfile.TemporaryDirectory() as work:
            path = os.path.join(work, "sysv")
            with open(path + ".c", "w") as file:
                file.write(PLAIN_MAIN)
            subprocess.run(["gcc", path + ".c", "-o", path, "-Wl,--hash-style=sysv"], check=True)
            self.assertNotIn("no DT_HASH", audit(path)[1])

    def test_developer_build_fails_for_its_runtime(self):
        if not self.executable:
            self.skipTest("no developer-build executable given")
        code, out = audit(self.executable)
        self.assertEqual(code, 1)
        for reason in ("needs libstdc++.so.6", "needs GLIBCXX_", "needs GLIBC_2.3", "no DT_HASH",
                       "start code passes no init function"):
            self.assertIn(reason, out)

    def test_one_line_per_file_and_unreadable_files_fail(self):
        with tempfile.NamedTemporaryFile("w", suffix=".txt") as text:
            text.write("not an executable\n")
            text.flush()
            code, out = audit(text.name, text.name)
        self.assertEqual(code, 1)
        self.assertEqual(out.count("not readable as ELF"), 2)
        self.assertEqual(len(out.splitlines()), 2)


if __name__ == "__main__":
    if len(sys.argv) > 1:
        AuditTest.executable = sys.argv.pop(1)
    unittest.main()
