#!/bin/sh
# ansible-lint over the collection's sources in ansible/, resolving the
# collection (and its binary module) from the built one:
#   tools/lint-ansible.sh build/fleet
set -eu
fleet=$(cd "${1:-build/fleet}" && pwd)
cd "$(dirname "$0")/../ansible"
# A cache of its own, so that no copy of the sources that an earlier online
# run installed there shadows the built collection.
cache=$(mktemp -d)
trap 'rm -rf "$cache"' EXIT
XDG_CACHE_HOME=$cache ANSIBLE_COLLECTIONS_PATH=$fleet ANSIBLE_COLLECTIONS_SCAN_SYS_PATH=false \
  ansible-lint --nocolor -q
