#!/bin/sh
# Lays out the collection fcupdate.fleet with its binary module and builds
# its archive:
#   ansible/build-collection.sh OUT MODULE
# gives OUT/ansible_collections/fcupdate/fleet/ (ANSIBLE_COLLECTIONS_PATH=OUT
# finds it) and OUT/fcupdate-fleet-<version>.tar.gz.
set -eu
out=$1
module=$2
src=$(cd "$(dirname "$0")" && pwd)
collection=$out/ansible_collections/fcupdate/fleet
rm -rf "$collection"
mkdir -p "$collection"
for part in galaxy.yml README.md CHANGELOG.md LICENSE meta plugins playbooks roles; do
  cp -R "$src/$part" "$collection/"
done
find "$collection" -name __pycache__ -prune -exec rm -rf {} +
# Ansible copies the module to every host on every call: no debug sections.
${STRIP:-strip} -o "$collection/plugins/modules/fc_firmware" "$module"
chmod 0755 "$collection/plugins/modules/fc_firmware"
rm -f "$out"/fcupdate-fleet-*.tar.gz
ansible-galaxy collection build "$collection" --output-path "$out" >/dev/null
echo "collection: $collection"
echo "archive:    $(ls "$out"/fcupdate-fleet-*.tar.gz)"
