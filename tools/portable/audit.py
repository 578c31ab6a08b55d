#!/usr/bin/env python3
"""Checks that ELF files load on the oldest hosts served: glibc 2.3.4 on x86-64
with libxml2 2.6.16. Reads each file with binutils' readelf and objdump, prints
one line per file with what it found, and exits 1 when any file fails."""
import argparse
import re
import subprocess
import sys

ALLOWED_NEEDED = {"libc.so.6", "libdl.so.2", "libpthread.so.0", "libm.so.6", "librt.so.1", "libxml2.so.2"}
INTERPRETER = "/lib64/ld-linux-x86-64.so.2"
# Versions of a C++ runtime or of libgcc: those runtimes must be linked in.
RUNTIME_VERSION = re.compile(r"^(GLIBCXX|CXXABI|GCC)_")
VEX_OR_WIDE = re.compile(r"^\s*[0-9a-f]+:\s+v[a-z0-9]+(\s|$)|%[yz]mm\d|%k[0-7]\b")


def run(*args):
    return subprocess.run(args, check=True, capture_output=True, text=True).stdout


def version_tuple(text):
    return tuple(int(part) for part in text.split("."))


def header(path):
    out = run("readelf", "-h", "-W", path)
    fields = dict(re.findall(r"^\s*([^:]+):\s*(.*)$", out, re.M))
    return fields.get("OS/ABI", "?"), fields.get("Type", "?").split()[0], int(fields.get("Entry point address", "0"), 16)


def interpreter(path):
    match = re.search(r"\[Requesting program interpreter: (.*)\]", run("readelf", "-l", "-W", path))
    return match.group(1) if match else None


def dynamic(path):
    """The dynamic section's tags and the libraries it needs."""
    out = run("readelf", "-d", "-W", path)
    tags = set(re.findall(r"^\s*0x[0-9a-f]+ \((\w+)\)", out, re.M))
    needed = re.findall(r"\(NEEDED\)\s+Shared library: \[(.*)\]", out)
    return tags, needed


def needed_versions(path):
    """Symbol versions needed, by library."""
    out = run("readelf", "-V", "-W", path)
    section = out.split("Version needs section", 1)
    versions = {}
    if len(section) == 2:
        library = None
        for line in section[1].splitlines():
            file_match = re.search(r"File: (\S+)", line)
            name_match = re.search(r"Name: (\S+)", line)
            if file_match:
                library = file_match.group(1)
                versions.setdefault(library, [])
            elif name_match and library:
                versions[library].append(name_match.group(1))
    return versions


def relocation_types(path):
    return set(re.findall(r"^\s*[0-9a-f]+\s+[0-9a-f]+\s+(R_X86_64_\w+)", run("readelf", "-r", "-W", path), re.M))


def exported_symbols(path):
    names = []
    for line in run("readelf", "--dyn-syms", "-W", path).splitlines():
        fields = line.split()
        if len(fields) >= 8 and re.fullmatch(r"\d+:", fields[0]) and fields[6] != "UND" and fields[4] != "LOCAL":
            names.append(fields[7])
    return names


def start_code_passes_init(path, entry):
    """Whether the start code hands __libc_start_main an init function (its
    fourth argument, %rcx): loaders before glibc 2.34 run the constructors
    only through it."""
    out = run("objdump", "-d", "--no-show-raw-insn", f"--start-address={entry}", f"--stop-address={entry + 64}", path)
    rcx = None
    for line in out.splitlines():
        instruction = line.split(":", 1)[-1].split("#", 1)[0].strip()
        if instruction.startswith("call"):
            return rcx == "set"
        if re.match(r"xor\s+%[er]cx,%[er]cx$", instruction) or re.match(r"mov\s+\$0x0,%[er]cx$", instruction):
            rcx = "zero"
        elif re.search(r",%[er]cx$", instruction):
            rcx = "set"
    return False


def newer_cpu_instructions(path):
    out = run("objdump", "-d", "--no-show-raw-insn", path)
    return sum(1 for line in out.splitlines() if VEX_OR_WIDE.search(line))


def libc_and_xml_versions(versions, faults, glibc, libxml2):
    newest = {"GLIBC": (), "LIBXML2": ()}
    for library, names in sorted(versions.items()):
        for name in names:
            if RUNTIME_VERSION.match(name):
                faults.append(f"needs {name} of {library}")
            for family, limit in (("GLIBC", glibc), ("LIBXML2", libxml2)):
                match = re.fullmatch(family + r"_([0-9.]+)", name)
                if match:
                    version = version_tuple(match.group(1))
                    newest[family] = max(newest[family], version)
                    if version > limit and f"needs {name}" not in faults:
                        faults.append(f"needs {name}")
    return ["%s %s" % (family.lower(), ".".join(map(str, v)) or "none") for family, v in newest.items()]


def audit(path, glibc, libxml2, check_cpu):
    faults = []
    osabi, kind, entry = header(path)
    if osabi != "UNIX - System V":
        faults.append(f"OS/ABI {osabi}")
    interp = interpreter(path)
    if interp is not None and interp != INTERPRETER:
        faults.append(f"interpreter {interp}")
    if interp is None and kind == "EXEC":
        faults.append("no program interpreter")
    tags, needed = dynamic(path)
    for library in needed:
        if library not in ALLOWED_NEEDED:
            faults.append(f"needs {library}")
    if "HASH" not in tags:
        faults.append("no DT_HASH")
    if "RELR" in tags or "RELRSZ" in tags:
        faults.append("DT_RELR")
    for tag in ("RPATH", "RUNPATH"):
        if tag in tags:
            faults.append(f"DT_{tag}")
    for relocation in sorted(relocation_types(path) & {"R_X86_64_IRELATIVE", "R_X86_64_TLSDESC"}):
        faults.append(relocation)
    exported = exported_symbols(path)
    if exported:
        faults.append("exports " + ",".join(sorted(exported)[:5]) + (",..." if len(exported) > 5 else ""))
    seen = libc_and_xml_versions(needed_versions(path), faults, glibc, libxml2)
    if interp is not None and not start_code_passes_init(path, entry):
        faults.append("start code passes no init function")
    if check_cpu:
        count = newer_cpu_instructions(path)
        if count:
            faults.append(f"{count} AVX or AVX-512 instructions")
    shape = {"EXEC": "executable", "DYN": "PIE executable" if interp else "shared object"}.get(kind, kind)
    summary = f"{shape}, {', '.join(seen)}, needs {' '.join(needed) or 'nothing'}"
    print(("FAIL " if faults else "ok   ") + f"{path}: {summary}" + ("; " + "; ".join(faults) if faults else ""))
    return not faults


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--glibc", default="2.3.4", help="the newest GLIBC_ version allowed")
    parser.add_argument("--libxml2", default="2.6.16", help="the newest LIBXML2_ version allowed")
    parser.add_argument("--no-cpu-check", action="store_true", help="skip the scan for AVX and AVX-512")
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()
    results = []
    for path in args.files:
        try:
            results.append(audit(path, version_tuple(args.glibc), version_tuple(args.libxml2), not args.no_cpu_check))
        except (subprocess.CalledProcessError, OSError, ValueError) as error:
            print(f"FAIL {path}: not readable as ELF ({error})")
            results.append(False)
    return 0 if all(results) else 1


if __name__ == "__main__":
    sys.exit(main())
