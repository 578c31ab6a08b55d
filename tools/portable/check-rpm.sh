#!/usr/bin/env bash
# Checks that rpm 4.3 and 4.4 can install an RPM of the portable build: a gzip
# payload, MD5 file digests, no build-id links, and requirements no newer than
# those rpm versions, glibc 2.3.4 and libxml2 2.6.16 know; and that the file
# is named as rpm names the package, NAME-VERSION-RELEASE.ARCH.rpm.
# Usage: check-rpm.sh RPM
set -euo pipefail
package=$1
faults=()
named=$(rpm -qp --qf '%{NAME}-%{VERSION}-%{RELEASE}.%{ARCH}.rpm' "$package")
[ "$(basename "$package")" = "$named" ] || faults+=("file name $(basename "$package") for $named")
compressor=$(rpm -qp --qf '%{PAYLOADCOMPRESSOR}' "$package")
[ "$compressor" = gzip ] || faults+=("payload $compressor")
# No digest algorithm tag means MD5, which is all rpm 4.4 reads.
algorithm=$(rpm -qp --qf '%{FILEDIGESTALGO}' "$package")
[ "$algorithm" = "(none)" ] || [ "$algorithm" = 1 ] || faults+=("file digest algorithm $algorithm")
# The listing is read whole first: grep -q leaving a pipe early would stop
# rpm with SIGPIPE, and pipefail would then hide the fault.
grep -q '/\.build-id/' <<<"$(rpm -qpl "$package")" && faults+=("build-id links")
newer() {  # version limit: whether version is above limit
  [ "$1" != "$2" ] && [ "$(printf '%s\n%s\n' "$1" "$2" | sort -V | tail -1)" = "$1" ]
}
while read -r requirement; do
  case $requirement in
    "rpmlib(CompressedFileNames) <= 3.0.4-1" | "rpmlib(PayloadFilesHavePrefix) <= 4.0-1") ;;
    "rpmlib(VersionedDependencies) <= 3.0.3-1") ;;
    libxml2 | "/bin/sh") ;;
    libc.so.6\(GLIBC_*\)\(64bit\) | libdl.so.2\(GLIBC_*\)\(64bit\) | libpthread.so.0\(GLIBC_*\)\(64bit\) | \
      libm.so.6\(GLIBC_*\)\(64bit\) | librt.so.1\(GLIBC_*\)\(64bit\))
      version=${requirement#*GLIBC_}
      newer "${version%%)*}" 2.3.4 && faults+=("$requirement") ;;
    libxml2.so.2\(LIBXML2_*\)\(64bit\))
      version=${requirement#*LIBXML2_}
      newer "${version%%)*}" 2.6.16 && faults+=("$requirement") ;;
    "libc.so.6()(64bit)" | "libdl.so.2()(64bit)" | "libpthread.so.0()(64bit)" | "libm.so.6()(64bit)" | \
      "librt.so.1()(64bit)" | "libxml2.so.2()(64bit)") ;;
    *) faults+=("$requirement") ;;
  esac
done < <(rpm -qp --requires "$package")
if [ ${#faults[@]} -gt 0 ]; then
  printf 'FAIL %s:' "$package"
  printf ' %s;' "${faults[@]}"
  echo
  exit 1
fi
echo "ok   $package: $compressor payload, MD5 digests, requires $(rpm -qp --requires "$package" | tr '\n' ',' | sed 's/,$//')"
