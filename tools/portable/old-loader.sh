#!/usr/bin/env bash
# Runs the test suite of the portable build with the packaged executables
# started by Debian 11's loader (glibc 2.31) over Debian 11's libraries
# (libxml2 2.9.10): the old start code, the separate libpthread and libdl, and
# another libxml2. The packages come from the Debian archive the system's own
# apt sources name, through a private apt configuration in a cache outside
# the tree; the system's sources, lists and status are never touched.
# Usage: old-loader.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
cache=${FCUPDATE_TOOLCHAIN_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/fcupdate-toolchain}/bullseye
suite=bullseye
packages=(libc6 libxml2)

# The first archive URI of the system's Debian sources (deb822 or one-line).
archive_uri() {
  local uri
  uri=$(cat /etc/apt/sources.list.d/*.sources 2>/dev/null | awk '/^URIs:/ && $2 !~ /security/ {print $2; exit}')
  [ -n "$uri" ] || uri=$(grep -hs '^deb ' /etc/apt/sources.list /etc/apt/sources.list.d/*.list |
    sed 's/\[[^]]*\]//' | awk '$2 !~ /security/ {print $2; exit}')
  [ -n "$uri" ] || { echo "old loader: no Debian archive in the apt sources" >&2; exit 1; }
  echo "$uri"
}

fetch() {
  local apt=$cache/apt
  rm -rf "$apt" "$cache/root"
  mkdir -p "$apt/lists/partial" "$apt/archives/partial" "$apt/parts" "$cache/root"
  echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $(archive_uri) $suite main" >"$apt/sources.list"
  : >"$apt/status"
  local options=(-o Dir::Etc::SourceList="$apt/sources.list" -o Dir::Etc::SourceParts="$apt/parts"
    -o Dir::Etc::Preferences=/dev/null -o Dir::Etc::PreferencesParts="$apt/parts"
    -o Dir::State="$apt" -o Dir::State::Lists="$apt/lists" -o Dir::State::status="$apt/status"
    -o Dir::Cache="$apt" -o Dir::Cache::archives="$apt/archives" -o Debug::NoLocking=1
    -o APT::Architecture=amd64 -o APT::Architectures=amd64 -o APT::Install-Recommends=false)
  echo "old loader: fetching $suite's ${packages[*]} and their dependencies into $cache" >&2
  apt-get "${options[@]}" -qq update
  apt-get "${options[@]}" -qq -y --download-only install "${packages[@]}" >/dev/null
  local deb
  for deb in "$apt"/archives/*.deb; do dpkg-deb -x "$deb" "$cache/root"; done
  touch "$cache/root/.complete"
}

[ -f "$cache/root/.complete" ] || fetch
loader=$(echo "$cache"/root/lib/x86_64-linux-gnu/ld-2.*.so)
libraries=$cache/root/lib/x86_64-linux-gnu:$cache/root/usr/lib/x86_64-linux-gnu
[ -x "$loader" ] || { echo "old loader: no loader in $cache/root" >&2; exit 1; }

# The packaged executables, each behind a launcher that starts it with the
# old loader; the build's other programs (the sandbox tool) as they are.
package=$(echo "$build"/fcupdate-*-portable.x86_64.tar.gz)
launchers=$build/old-loader
rm -rf "$launchers" && mkdir -p "$launchers/package"
tar -xzf "$package" -C "$launchers/package"
for program in "$build"/bin/*; do
  name=$(basename "$program")
  if [ -f "$launchers/package/$name" ]; then
    printf '#!/bin/sh\nexec %s --library-path %s %s "$@"\n' "$loader" "$libraries" "$launchers/package/$name" \
      >"$launchers/$name"
    chmod +x "$launchers/$name"
  else
    ln -s "$program" "$launchers/$name"
  fi
done
echo "old loader: $("$loader" --library-path "$libraries" "$cache/root/lib/x86_64-linux-gnu/libc.so.6" | head -1)"
echo "old loader: fcupdate loads" $("$loader" --library-path "$libraries" --list "$launchers/package/fcupdate" | awk '$3 ~ /^\// {print $3}')
exec python3 "$here/run-tests.py" "$build" "$launchers"
