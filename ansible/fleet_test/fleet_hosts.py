"""The simulated fleet of the fleet test: each host its own sandbox (a
system root and an update package with the stand-in flash engine), its boot
id, and for the hosts that reboot for real a stand-in SSH port."""
import json
import os
import shutil
import socket
import subprocess
import time
import uuid

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))

REFERENCE = """<?xml version="1.0"?>
<maplu_fchba_reference>
  <devices>
    <device><type value="Fibre Channel"/><device_id value="1077.2532.1077.015d"/>
      <model value="QLE2562"/><boot value="3.10"/><duration value="120"/></device>
    <device><type value="Fibre Channel"/><device_id value="1077.2031.1077.0263"/>
      <model value="QLE2672"/><boot value="3.43"/><duration value="90"/></device>
  </devices>
</maplu_fchba_reference>
"""

QLE2562 = ("1077:2532:1077:015d", "QLE2562", "3.10")
QLE2672 = ("1077:2031:1077:0263", "QLE2672", "3.43")
UNKNOWN = ("1077:8001:1077:0001", "QLE8142", "9.99")


class Host:
    """One host: its adapters (kind, installed image), what its flash engine
    does, and how it differs from a plain one."""

    def __init__(self, name, adapters, engine_exit=0, new_image=True, kind="plain"):
        self.name = name
        self.adapters = adapters
        self.engine_exit = engine_exit
        self.new_image = new_image  # the engine reports the package's image once it has flashed
        self.kind = kind


# In inventory order; a roll-out in batches of 3 fails in the second batch.
FLEET = [
    Host("h01-pending", [(QLE2562, "3.00")]),
    Host("h02-pending", [(QLE2562, "3.00"), (QLE2672, "3.43")]),
    Host("h03-current", [(QLE2562, "3.10")]),
    Host("h04-pending", [(QLE2672, "3.20")]),
    Host("h05-engine-fails", [(QLE2562, "3.00")], engine_exit=2),
    Host("h06-current", [(QLE2672, "3.43"), (QLE2562, "3.20")]),
    Host("h07-unknown", [(UNKNOWN, "1.00")]),
    Host("h08-no-adapters", []),
    Host("h09-engine-exit", [(QLE2562, "3.00")], engine_exit=12),
    Host("h10-pending", [(QLE2562, "3.00")]),
    Host("h11-unseen", [], kind="unseen_function"),
    Host("h12-typo", [(QLE2562, "3.00")], kind="mistyped_package"),
    Host("h13-failed-before", [(QLE2562, "3.00")], kind="failed_before"),
    Host("h14-reboots", [(QLE2562, "3.00")], kind="reboots"),
    Host("h15-stale", [(QLE2562, "3.00")], new_image=False, kind="reboots"),
    Host("h16-unreachable", [(QLE2562, "3.00")], kind="unreachable"),
    Host("h17-twins", [(QLE2562, "3.00"), (QLE2562, "3.00")]),
]
HOSTS = [host.name for host in FLEET]


def wwpn(host_index, adapter_index):
    return "21:00:00:1b:32:%02x:%02x:01" % (host_index, adapter_index)


def query(host_index, adapters, flashed):
    lines = []
    for n, (kind, installed) in enumerate(adapters):
        image = kind[2] if flashed and kind is not UNKNOWN else installed
        lines += ["HBA Instance: %d" % n, "Flash Image Version: %s" % image,
                  "Port Name: %s" % wwpn(host_index, n).replace(":", "-"), "Model: %s" % kind[1],
                  "Serial Number: SIM%02d%02d" % (host_index, n)]
    return "".join(line + "\n" for line in lines)


def write(folder, name, text):
    with open(os.path.join(folder, name), "w") as f:
        f.write(text)


def closed_port():
    """A local port nothing listens on."""
    probe = socket.socket()
    probe.bind(("127.0.0.1", 0))
    port = probe.getsockname()[1]
    probe.close()
    return port


class Fleet:
    def __init__(self, scratch, bin_dir, tools_dir):
        self.scratch = scratch
        self.hosts = {}
        self.listeners = []
        reference = os.path.join(scratch, "reference.xml")
        write(scratch, "reference.xml", REFERENCE)
        for index, host in enumerate(FLEET, start=1):
            self.hosts[host.name] = self.build(index, host, reference, bin_dir, tools_dir)

    def build(self, index, host, reference, bin_dir, tools_dir):
        root = os.path.join(self.scratch, "hosts", host.name, "root")
        package = os.path.join(self.scratch, "hosts", host.name, "package")
        adapter_args = ["vendor=qlogic,pci=0000:%02x:00.0,id=%s,model=%s,optionrom=%s,wwpn=%s"
                        % (5 + n, kind[0], kind[1], installed, wwpn(index, n))
                        for n, (kind, installed) in enumerate(host.adapters)]
        subprocess.run([os.path.join(tools_dir, "fcsandbox"), root, package, "--reference", reference] + adapter_args,
                       check=True)
        # A real host lists its PCI functions even when none is Fibre Channel.
        os.makedirs(os.path.join(root, "sys", "bus", "pci", "devices"), exist_ok=True)
        shutil.copy(os.path.join(bin_dir, "fcupdate"), package)
        shutil.copy(os.path.join(SOURCE, "testing", "standins", "qlafwupdate"), package)
        write(package, "qlafwupdate.query", query(index, host.adapters, False))
        if host.new_image:
            write(package, "qlafwupdate.after", query(index, host.adapters, True))
        if host.engine_exit:
            write(package, "qlafwupdate.exit", "%d\n" % host.engine_exit)
        paths = {"root": root, "package": package, "index": index}
        self.boot(paths)
        if host.kind == "unseen_function":
            self.add_unseen_function(root)
        if host.kind == "failed_before":
            self.fail_a_flash(package, root)
        if host.kind == "reboots":
            paths["port"], paths["listener"] = self.start_listener(host.name)
        return paths

    @staticmethod
    def boot(paths):
        """A new boot id for the host, as a reboot gives it."""
        folder = os.path.join(paths["root"], "proc", "sys", "kernel", "random")
        os.makedirs(folder, exist_ok=True)
        write(folder, "boot_id", str(uuid.uuid4()) + "\n")

    @staticmethod
    def add_unseen_function(root):
        """A Fibre Channel function in sysfs that no library reports."""
        below = "devices/pci0000:00/0000:07:00.0"
        folder = os.path.join(root, "sys", below)
        os.makedirs(folder, exist_ok=True)
        for name, value in (("vendor", "0x1077"), ("device", "0x2532"), ("class", "0x0c0400")):
            write(folder, name, value + "\n")
        os.symlink("../../../" + below, os.path.join(root, "sys", "bus", "pci", "devices", "0000:07:00.0"))

    @staticmethod
    def fail_a_flash(package, root):
        """An earlier flash of this package that failed, run by hand."""
        write(package, "qlafwupdate.exit", "2\n")
        env = dict(os.environ, FCUPDATE_ROOT=root)
        run = subprocess.run(["./fcupdate", "/s"], cwd=package, env=env, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
        assert run.returncode == 7, "the earlier flash should fail, it ended with %d" % run.returncode
        os.remove(os.path.join(package, "qlafwupdate.exit"))
        os.remove(os.path.join(package, "qlafwupdate.calls"))

    def start_listener(self, name):
        port_file = os.path.join(self.scratch, name + ".port")
        listener = subprocess.Popen([os.path.join(HERE, "reboot_listener.py"), port_file, "4"])
        self.listeners.append(listener)
        for _ in range(100):
            if os.path.exists(port_file):
                return int(open(port_file).read()), listener
            time.sleep(0.05)
        raise RuntimeError("the stand-in port of %s did not start" % name)

    def stop(self):
        for listener in self.listeners:
            listener.terminate()
            listener.wait()

    def host_vars(self, host):
        paths = self.hosts[host.name]
        reboot = "echo reboot >> %s/reboot.calls" % paths["root"]
        values = {"ansible_connection": "local", "fc_package_dir": paths["package"], "fc_system_root": paths["root"],
                  "fc_reboot_command": reboot, "fc_reboot_wait": False,
                  # No Python on the hosts: only the binary module and raw may run there.
                  "ansible_python_interpreter": "/nonexistent/python"}
        if host.kind == "mistyped_package":
            values["fc_package_dir"] = paths["package"] + "-2024.l"
        if host.kind == "reboots":
            boot_id = os.path.join(paths["root"], "proc", "sys", "kernel", "random", "boot_id")
            values.update({"ansible_host": "127.0.0.1", "ansible_port": paths["port"], "fc_reboot_wait": True,
                           "fc_reboot_delay": 1, "fc_reboot_timeout": 60,
                           "fc_reboot_command": "%s; cat /proc/sys/kernel/random/uuid > %s; kill -USR1 %d"
                           % (reboot, boot_id, paths["listener"].pid)})
        if host.kind == "unreachable":
            values.update({"ansible_connection": "ssh", "ansible_host": "127.0.0.1", "ansible_port": closed_port(),
                           "ansible_user": "nobody", "ansible_ssh_common_args": "-o ConnectTimeout=5"})
        return values

    def inventory(self):
        path = os.path.join(self.scratch, "inventory.json")
        probe = {"ansible_connection": "local", "ansible_python_interpreter": "/nonexistent/python"}
        inventory = {"all": {"children": {"fleet": {"hosts": {h.name: self.host_vars(h) for h in FLEET}},
                                          "probes": {"hosts": {"probe": probe}}}}}
        with open(path, "w") as f:
            json.dump(inventory, f, indent=1)
        return path

    def flash_calls(self):
        """Each host's flash engine calls so far."""
        calls = {}
        for name, paths in self.hosts.items():
            path = os.path.join(paths["package"], "qlafwupdate.calls")
            calls[name] = open(path).read().splitlines() if os.path.exists(path) else []
        return calls

    def reboots(self):
        counts = {}
        for name, paths in self.hosts.items():
            path = os.path.join(paths["root"], "reboot.calls")
            counts[name] = len(open(path).read().splitlines()) if os.path.exists(path) else 0
        return counts
