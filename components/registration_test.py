#!/usr/bin/env python3
"""The vendor registration (registration.cmake) against scratch trees: a
table whose vendors all exist configures and lists them in order; every
other table stops the configure and names the line and the problem."""
import os
import subprocess
import tempfile
import unittest

REGISTRATION = os.path.join(os.path.dirname(os.path.abspath(__file__)), "registration.cmake")
PROJECT = """cmake_minimum_required(VERSION 3.25)
project(registration_probe NONE)
include(%s)
fcupdate_read_vendor_table(${CMAKE_SOURCE_DIR}/components/vendors.txt)
fcupdate_registered_vendors(words names executables)
message(STATUS "registered: ${words} | ${names} | ${executables}")
""" % REGISTRATION.replace("\\", "/")

# The vendor folders of every scratch tree: folder name, the namespace its
# component.h opens (None: no component.h).
FOLDERS = [("qlogic", "QLogicComp"), ("acme", "AcmeComp"), ("nohdr", None), ("wrong", "OtherComp")]

# Each case: name, table text, what the configure must print (a problem, or
# the registered lists).
CASES = [
    ("registered in order", "# word name executable\nacme Acme fcupdate-acme\n\n  qlogic\tQLogic  fcupdate\n",
     "registered: acme;qlogic | Acme;QLogic | fcupdate-acme;fcupdate"),
    ("unknown vendor", "qlogic QLogic fcupdate\nbogus Bogus fcupdate-bogus\n",
     "'bogus Bogus fcupdate-bogus': unknown vendor: no components/bogus/"),
    ("folder without component.h", "nohdr Nohdr fcupdate-nohdr\n", "unknown vendor: no components/nohdr/"),
    ("class of another name", "wrong Wrong fcupdate-wrong\n", "components/wrong/component.h has no namespace WrongComp"),
    ("name of another vendor's folder", "acme QLogic fcupdate-acme\n", "has no namespace QLogicComp"),
    ("word twice", "acme Acme fcupdate-acme\nacme Acme2 fcupdate-acme2\n", "registered twice"),
    ("executable twice", "acme Acme fcupdate\nqlogic QLogic fcupdate\n", "registered twice"),
    ("two fields", "acme Acme\n", "a line is: word name executable"),
    ("four fields", "acme Acme fcupdate-acme extra\n", "a line is: word name executable"),
    ("upper-case word", "Acme Acme fcupdate-acme\n", "the word is lower-case letters and digits"),
    ("word that climbs out", "../acme Acme fcupdate-acme\n", "the word is lower-case letters and digits"),
    ("lower-case name", "acme acme fcupdate-acme\n", "the name is letters and digits"),
    ("executable with a path", "acme Acme bin/fcupdate\n", "the executable is lower-case letters"),
    ("only comments", "# word name executable\n\n", "registers no vendor"),
]


def configure(work, table):
    with open(os.path.join(work, "components", "vendors.txt"), "w", encoding="utf-8") as file:
        file.write(table)
    build = os.path.join(work, "build")
    subprocess.run(["rm", "-rf", build], check=True)
    return subprocess.run(["cmake", "-S", work, "-B", build], capture_output=True, text=True)


class RegistrationTest(unittest.TestCase):
    def test_each_table(self):
        with tempfile.TemporaryDirectory() as work:
            with open(os.path.join(work, "CMakeLists.txt"), "w", encoding="utf-8") as file:
                file.write(PROJECT)
            for folder, namespace in FOLDERS:
                os.makedirs(os.path.join(work, "components", folder))
                open(os.path.join(work, "components", folder, "CMakeLists.txt"), "w").close()
                if namespace:
                    with open(os.path.join(work, "components", folder, "component.h"), "w") as header:
                        header.write("#pragma once\n\nnamespace %s {\n\nclass CComponent;\n\n}\n" % namespace)
            for name, table, expected in CASES:
                with self.subTest(name):
                    result = configure(work, table)
                    output = " ".join((result.stdout + result.stderr).split())
                    self.assertIn(expected, output)
                    self.assertEqual(result.returncode == 0, expected.startswith("registered:"), output)


if __name__ == "__main__":
    unittest.main()
