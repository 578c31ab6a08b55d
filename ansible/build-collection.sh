#!/bin/sh
# Lays out the collection fcupdate.fleet with its binary module and builds
# its archive:
#   ansible/build-collection.sh OUT MODULE
# gives OUT/ansible_collections/fcupdate/fleet/ (ANSIBLE_COLLECTIONS_PATH=OUT
# finds it) and OUT/fcupdate-fleet-<version>.tar.gz. The component choices of
# the module's and the role's argument specs are filled in from the vendor
# registration, components/vendors.txt.
set -eu
out=$1
module=$2
src=$(cd "$(dirname "$0")" && pwd)
vendors=$src/../components/vendors.txt
collection=$out/ansible_collections/fcupdate/fleet
rm -rf "$collection"
mkdir -p "$collection"
# LICENSE is a link to the project's own: the collection gets the file.
for part in galaxy.yml README.md CHANGELOG.md LICENSE meta plugins playbooks roles; do
  cp -RL "$src/$part" "$collection/"
done
find "$collection" -name __pycache__ -prune -exec rm -rf {} +

# Column $1 of the registration's lines, each written as the printf format
# $3 says, joined by ", " and before the last by $2.
registered() {
  awk -v column="$1" -v last="$2" -v form="$3" '
    /^[ \t]*(#|$)/ { next }
    { items[n++] = sprintf(form, $column) }
    END { for (i = 0; i < n; i++) printf "%s%s", (i == 0 ? "" : (i == n - 1 ? last : ", ")), items[i] }' "$vendors"
}
choices=$(registered 1 ", " "%s")
words=$(registered 1 " or " "%s")
executables=$(registered 3 " or " "C(%s)")
grep -rl FCUPDATE_COMPONENT_ "$collection" | while read -r file; do
  sed -i -e "s|FCUPDATE_COMPONENT_CHOICES|$choices|g" -e "s|FCUPDATE_COMPONENT_WORDS|$words|g" \
    -e "s|FCUPDATE_COMPONENT_EXECUTABLES|$executables|g" "$file"
done
if grep -rq FCUPDATE_COMPONENT_ "$collection"; then
  echo "build-collection.sh: a component placeholder left unfilled in $collection" >&2
  exit 1
fi
# Ansible copies the module to every host on every call: no debug sections.
${STRIP:-strip} -o "$collection/plugins/modules/fc_firmware" "$module"
chmod 0755 "$collection/plugins/modules/fc_firmware"
rm -f "$out"/fcupdate-fleet-*.tar.gz
ansible-galaxy collection build "$collection" --output-path "$out" >/dev/null
echo "collection: $collection"
echo "archive:    $(ls "$out"/fcupdate-fleet-*.tar.gz)"
