#!/bin/sh
# The demonstration: a simulated server with Fibre Channel adapters, and what
# an administrator sees when fcupdate runs on it.
#
#   testing/demo.sh BINDIR [--keep]   (make demo passes build/bin, and --keep
#                                      for KEEP=1)
#
# With --keep the simulated server stays, so that it can be looked at and run
# against again by hand; the last lines say where it is.
set -eu

bin=$(cd "${1:-build/bin}" && pwd)
keep=${2:-}
standins=$(cd "$(dirname "$0")/standins" && pwd)
scratch=$(mktemp -d /tmp/fcupdate-demo-XXXXXX)
if [ "$keep" != --keep ]; then
  trap 'rm -rf "$scratch"' EXIT
fi
root=$scratch/root
work=$scratch/work

heading() {
  printf '\n== %s\n' "$1"
}

# What the package carries: the catalogue of the adapters it supports.
write_reference() {
  cat >"$scratch/reference.xml" <<'XML'
<?xml version="1.0"?>
<maplu_fchba_reference>
  <discovery_app_path><![CDATA[./qlafwupdate]]></discovery_app_path>
  <installer_app_path><![CDATA[./qlafwupdate]]></installer_app_path>
  <devices>
    <device>
      <type value="Fibre Channel"/>
      <device_id value="1077.2532.1077.015d"/>
      <model value="QLE2562"/>
      <firmware value="8.07.00"/>
      <bios value="3.28"/>
      <boot value="3.28"/>
      <duration value="120"/>
    </device>
    <device>
      <type value="Fibre Channel"/>
      <device_id value="1077.2031.1077.0263"/>
      <model value="QLE2672"/>
      <firmware value="8.05.63"/>
      <bios value="3.43"/>
      <boot value="3.43"/>
      <duration value="120"/>
    </device>
  </devices>
</maplu_fchba_reference>
XML
}

# Two QLogic adapters, one behind the vendor library the HBA API loads
# directly, and an Emulex adapter that the QLogic component does not support.
build_sandbox() {
  write_reference
  "$bin/fcsandbox" "$root" "$work" --reference "$scratch/reference.xml" --direct emulex \
    vendor=qlogic,pci=0000:05:00.0,id=1077:2532:1077:015d,model=QLE2562,firmware=8.03.00,optionrom=3.00,wwpn=21:00:00:1b:32:0a:0b:0c,wwpn=21:01:00:1b:32:0a:0b:0c \
    vendor=qlogic,pci=0000:06:00.0,id=1077:2031:1077:0263,model=QLE2672,firmware=8.05.63,optionrom=3.43,wwpn=21:00:00:0e:1e:10:20:30 \
    vendor=emulex,pci=0000:81:00.1,id=10df:f100:10df:f100,model=LPe12002,wwpn=10:00:00:00:c9:a1:b2:c3
  heading "Simulated server: $root"
  echo "--- /etc/hba.conf"
  cat "$root/etc/hba.conf"
  echo "--- PCI functions in /sys"
  (cd "$root/sys/devices" && for dir in */*/; do
    printf '%s  %s:%s subsystem %s:%s\n' "${dir%/}" "$(cat "$dir/vendor")" "$(cat "$dir/device")" \
      "$(cat "$dir/subsystem_vendor")" "$(cat "$dir/subsystem_device")"
  done)
}

# The QLogic flash engine next to the catalogue, here the stand-in: its query
# reports the first adapter with an older multiboot image than the package
# carries and the second with the same one.
install_flash_engine() {
  cp "$standins/qlafwupdate" "$work/qlafwupdate"
  cat >"$work/qlafwupdate.query" <<'QUERY'
HBA Instance: 0
Flash Image Version: 3.00
Port Name: 21-00-00-1b-32-0a-0b-0c
Model: QLE2562
Serial Number: SIM0001
HBA Instance: 1
Flash Image Version: 3.43
Port Name: 21-00-00-0e-1e-10-20-30
Model: QLE2672
Serial Number: SIM0002
QUERY
}

# Runs fcupdate in the working directory with the sandbox as its system root.
run_fcupdate() {
  status=0
  (cd "$work" && FCUPDATE_ROOT=$root "$bin/fcupdate" "$@") || status=$?
  echo "--- exit code: $status"
}

discovery_report() {
  heading "fcupdate /d report.xml"
  run_fcupdate /d report.xml
  echo "--- report.xml"
  if [ -f "$work/report.xml" ]; then cat "$work/report.xml"; else echo "(no report written)"; fi
}

show_log() {
  heading "Component log /var/vlx/Component.log"
  cat "$root/var/vlx/Component.log"
}

flash_run() {
  heading "fcupdate (flash: an upgrade is pending)"
  run_fcupdate
  args=$(cat "$work/qlafwupdate.calls")
  echo "--- the flash engine was called with: ${args:-(no arguments)}"
}

# Where the kept sandbox is and how to use it again.
show_kept() {
  heading "The sandbox is kept: $scratch"
  echo "system root (FCUPDATE_ROOT): $root"
  echo "package folder:              $work"
  echo "run it again:  cd $work && FCUPDATE_ROOT=$root $bin/fcupdate /d report.xml"
  echo "remove it:     rm -rf $scratch"
}

build_sandbox
install_flash_engine
discovery_report
flash_run
show_log
if [ "$keep" = --keep ]; then show_kept; fi
