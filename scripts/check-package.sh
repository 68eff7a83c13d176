#!/usr/bin/env bash
# Installs the Debian package into a fresh Debian 12 root made by debootstrap, with
# apt-get as a user would, and runs the installed program there: --version, the
# command line without TV.ini, create-database, and an import and the XML file of a
# demo fund made on this machine, kept in the user's data folder
# (~/.local/share/tervala). Not run by CI: it downloads a minimal Debian system.
# Run as root. Usage: scripts/check-package.sh [ROOT]
# (ROOT: an empty folder for the Debian root; a new one under /tmp by default,
# removed at the end unless KEEP_ROOT=1.)
set -euo pipefail
cd "$(dirname "$0")/.."
step() { echo "== $1 (at ${SECONDS} s)"; }

command -v debootstrap >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends debootstrap
# The mirror this machine's own packages come from.
mirror=${MIRROR:-$(sed -n 's/^URIs: *\([^ ]*\/debian\)$/\1/p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -1)}
root=${1:-$(mktemp -d /tmp/tervala-bookworm.XXXXXX)}
chmod 755 "$root" # apt's own user reads its lists inside

mounted=()
cleanup() {
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount "${mounted[i]}" || true; done
    [ "${KEEP_ROOT:-0}" = 1 ] || rm -rf --one-file-system "$root"
}
trap cleanup EXIT

step "package"
deb=$(scripts/package.sh | tail -1)
cmake --build build --target tervala-demo >/dev/null

step "debootstrap bookworm into $root"
debootstrap --variant=minbase bookworm "$root" ${mirror:+"$mirror"} >"$root.debootstrap.log" 2>&1 ||
    { tail -20 "$root.debootstrap.log"; exit 1; }
rm -f "$root.debootstrap.log"
for fs in proc dev; do
    mount --bind "/$fs" "$root/$fs"
    mounted+=("$root/$fs")
done
cp /etc/resolv.conf "$root/etc/resolv.conf"
in_root() { chroot "$root" env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }

step "apt-get install ./$(basename "$deb")"
cp "$deb" "$root/tmp/"
in_root apt-get update -q >/dev/null
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "./tmp/$(basename "$deb")" >"$root/tmp/apt.log" 2>&1 ||
    { tail -30 "$root/tmp/apt.log"; exit 1; }
grep -E '^(Setting up tervala|[0-9]+ upgraded)' "$root/tmp/apt.log"

step "tervala --version"
version=$(in_root tervala --version 2>&1) && echo "$version" ||
    echo "(exit $?: this build has no --version) $(head -1 <<<"$version")"

step "tervala check-lokra without TV.ini"
in_root tervala check-lokra || echo "(exit $?)"

step "create-database and import of a demo fund"
home=$root/root/.local/share/tervala
[ -d "$home" ] || { echo "the program made no ~/.local/share/tervala"; exit 1; }
demo=$(mktemp -d)
build/tools/tervala-demo --contracts 300 "$demo"
cp "$demo/lokra.fdb" "$home/lokra.fdb"
rm -rf "$demo"
in_root tervala create-database /root/.local/share/tervala/ksu.fdb
printf '[Settings]\r\nHost=\r\nPath_ksu=ksu.fdb\r\nPath=lokra.fdb\r\nUpdateServer=http://127.0.0.1:1\r\n' >"$home/TV.ini"
in_root tervala import 01 2013 06 2013
in_root tervala xml 01 2013 06 2013
ls -l "$home/Eksport"
step "done"
