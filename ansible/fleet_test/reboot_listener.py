#!/usr/bin/env python3
"""A stand-in for a host's SSH port in the fleet test: it listens on
127.0.0.1, and on SIGUSR1 (the stand-in reboot) closes the port for a few
seconds, as a rebooting host does, then listens again on the same port.

    reboot_listener.py PORT_FILE [DOWN_SECONDS]

writes the port it listens on to PORT_FILE once it listens.
"""
import os
import signal
import socket
import sys
import time

rebooting = False


def listen(port):
    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", port))
    server.listen(16)
    server.settimeout(0.2)
    return server


def on_reboot(*_):
    global rebooting
    rebooting = True


def main():
    down = float(sys.argv[2]) if len(sys.argv) > 2 else 4.0
    server = listen(0)
    port = server.getsockname()[1]
    with open(sys.argv[1] + ".part", "w") as f:
        f.write("%d\n" % port)
    os.rename(sys.argv[1] + ".part", sys.argv[1])
    signal.signal(signal.SIGUSR1, on_reboot)
    global rebooting
    while True:
        if rebooting:
            server.close()
            time.sleep(down)
            server = listen(port)
            rebooting = False
        try:
            client, _ = server.accept()
            client.close()
        except (socket.timeout, InterruptedError, OSError):
            pass


if __name__ == "__main__":
    main()
