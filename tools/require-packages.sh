#!/usr/bin/env bash
# Makes sure the Debian packages a make target needs are present: installs the
# missing ones when run as root, otherwise names them and fails.
set -u
missing=()
for pkg in "$@"; do
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null)
  [ "$status" = "install ok installed" ] || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
  echo "missing Debian packages: ${missing[*]}" >&2
  echo "install them with: sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq -o DPkg::Lock::Timeout=900 >/dev/null || true
apt-get install -y -qq -o DPkg::Lock::Timeout=900 "${missing[@]}" >/dev/null || {
  echo "apt-get could not install: ${missing[*]}" >&2
  exit 1
}
