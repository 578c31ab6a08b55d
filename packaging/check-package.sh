#!/usr/bin/env bash
# Checks that an RPM of fcupdate looks like a package: the licence, a
# description and changelog of its own, the README and licence as documents,
# the manual page in section 8, /var/vlx owned with mode 0755, every
# registered component in /usr/bin and nothing else there.
# Usage: check-package.sh RPM
set -euo pipefail
package=$1
vendors=$(dirname "$0")/../components/vendors.txt
faults=()
# Each query is read whole first: grep -q leaving a pipe early would stop
# rpm with SIGPIPE, and pipefail would then hide the fault.
licence=$(rpm -qp --qf '%{LICENSE}' "$package")
[ "$licence" = Apache-2.0 ] || faults+=("licence $licence")
description=$(rpm -qp --qf '%{DESCRIPTION}' "$package")
grep -q 'CPack' <<<"$description" && faults+=("the packager's description")
changelog=$(rpm -qp --changelog "$package")
[ -n "$changelog" ] || faults+=("no changelog")
grep -q 'CPack' <<<"$changelog" && faults+=("the packager's changelog")
documents=$(rpm -qpd "$package")
for document in /usr/share/doc/fcupdate/README.md /usr/share/doc/fcupdate/LICENSE /usr/share/man/man8/fcupdate.8; do
  grep -q "^$document" <<<"$documents" || faults+=("no document $document")
done
listing=$(rpm -qp --qf '[%{FILEMODES:perms} %{FILEUSERNAME} %{FILENAMES}\n]' "$package")
grep -qx 'drwxr-xr-x root /var/vlx' <<<"$listing" || faults+=("/var/vlx not owned by root with mode 0755")
expected=$(awk '!/^[ \t]*(#|$)/ {print "/usr/bin/" $3}' "$vendors" | sort)
found=$(awk '$3 ~ "^/usr/bin/" {print $3}' <<<"$listing" | sort)
[ "$found" = "$expected" ] || faults+=("/usr/bin holds $(echo $found), not $(echo $expected)")
if [ ${#faults[@]} -gt 0 ]; then
  printf 'FAIL %s:' "$package"
  printf ' %s;' "${faults[@]}"
  echo
  exit 1
fi
echo "ok   $package: $licence, $(grep -c '^\*' <<<"$changelog") changelog entries, $(wc -l <<<"$documents") documents"
