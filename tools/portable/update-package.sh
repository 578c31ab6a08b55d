#!/usr/bin/env bash
# Lays out the portable executables as an update package is used: the
# executables at the top level of the tarball beside a README, the manual
# page and the licence, to be copied next to the package's reference.xml and
# the vendor's flash engine.
# Usage: update-package.sh BUILD_DIR EXECUTABLE...
set -euo pipefail
build=$1
shift
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
name=fcupdate-$version-portable.x86_64
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
for executable in "$@"; do
  strip -o "$stage/$executable" "$build/bin/$executable"
done
# The README lists the components of the vendor registration.
here=$(dirname "$0")
components=$(awk '!/^[ \t]*(#|$)/ {printf "  %-18s the %s component\n", $3, $2}' "$here/../../components/vendors.txt")
awk -v components="$components" '$0 == "FCUPDATE_COMPONENTS" {print components; next} {print}' \
  "$here/package-README" >"$stage/README"
cp "$here/../../fcupdate.8" "$here/../../LICENSE" "$stage/"
# Fixed owner and order, so that the tarball depends only on its contents.
tar -czf "$build/$name.tar.gz" -C "$stage" --owner=0 --group=0 --numeric-owner --sort=name "$@" README \
  fcupdate.8 LICENSE
echo "update package: $build/$name.tar.gz"
