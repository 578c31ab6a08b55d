"""What a person sees on the fleet test's pages, read with a real HTML
parser: index.html (the fleet report) and rollout.html (a roll-out)."""
import csv
import os
import subprocess
import tempfile
from html.parser import HTMLParser


class Page(HTMLParser):
    """Text by element: the groups of index.html (section.group), the
    batches of rollout.html (section.batch), each with its host parts
    (tbody.host or tr.host) and their rows of cells."""

    def __init__(self):
        super().__init__()
        self.summary = ""
        self.boxes = {}
        self.box = None
        self.package = []
        self.filters = []
        self.anchors = []
        self.sections = []
        self.hosts = {}
        self.host = None
        self.row = None
        self.cell = None
        self.text = None
        self.scripts = 0
        self.external = []
        self.in_summary = False
        self.in_package = False

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        classes = (attrs.get("class") or "").split()
        if tag == "script":
            self.scripts += 1
        for name in ("src", "href"):
            if name in attrs and not attrs[name].startswith("#"):
                self.external.append(attrs[name])
        if tag == "link":
            self.external.append(attrs.get("href", "link"))
        if tag == "a" and attrs.get("href", "").startswith("#"):
            self.filters.append(attrs["href"])
        if "id" in attrs and tag == "span":
            self.anchors.append(attrs["id"])
        if tag == "p" and "summary-line" in classes:
            self.in_summary = True
        if tag == "p" and "package" in classes:
            self.in_package = True
            self.package.append("")
        if tag == "li" and self.box is None and classes:
            self.box = classes[0]
            self.boxes[self.box] = ""
        if tag == "section":
            self.sections.append({"classes": classes, "hosts": []})
        if (tag == "tbody" and "host" in classes) or (tag == "tr" and "host" in classes):
            self.host = {"classes": classes, "rows": [], "tr": tag == "tr",
                         "section": self.sections[-1]["classes"] if self.sections else []}
            self.hosts[attrs.get("data-host")] = self.host
            if self.sections:
                self.sections[-1]["hosts"].append(attrs.get("data-host"))
        if tag == "tr" and self.host is not None:
            self.row = {"classes": classes, "cells": []}
            self.host["rows"].append(self.row)
        if tag in ("td", "th") and self.row is not None:
            self.cell = []

    def handle_endtag(self, tag):
        if tag == "p":
            self.in_summary = self.in_package = False
        if tag == "li":
            self.box = None
        if tag in ("td", "th") and self.row is not None and self.cell is not None:
            self.row["cells"].append(" ".join("".join(self.cell).split()))
            self.cell = None
        if tag == "tr":
            self.row = None
            if self.host is not None and "host" in self.host["classes"] and self.host.get("tr"):
                self.host = None
        if tag == "tbody":
            self.host = None

    def handle_data(self, data):
        if self.in_summary:
            self.summary += data
        if self.in_package:
            self.package[-1] += data
        if self.box is not None:
            self.boxes[self.box] += data + " "
        if self.cell is not None:
            self.cell.append(data + " ")


def parse_page(path):
    page = Page()
    with open(path) as f:
        page.feed(f.read())
    page.close()
    return page


def read_csv(path):
    with open(path, newline="") as f:
        return list(csv.DictReader(f))


def header(path):
    with open(path) as f:
        return f.readline().strip()


def take_picture(html, png, scratch, height=810):
    """A page as a person sees it, through headless Chromium."""
    profile = tempfile.mkdtemp(prefix="chromium-", dir=scratch)
    subprocess.run(["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                    "--disable-background-networking", "--disable-component-update", "--disable-sync",
                    "--user-data-dir=" + profile, "--hide-scrollbars", "--window-size=1100,%d" % height,
                    "--screenshot=" + os.path.abspath(png), "file://" + html],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
    print("picture of %s: %s" % (os.path.basename(html), png))
