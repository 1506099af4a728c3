#!/usr/bin/env bash
# The package on a Debian 12 that has nothing else: a minimal root made with debootstrap, the
# package installed there with apt (which must bring every library, font and plugin the program
# needs from the package's dependencies alone), then the programs run in that root through chroot:
# no library missing, zenlo-admin makes and checks a database and imports goods (zenlo-read-xls
# beside it), and zenlo, on this machine's Xvfb, shows its first start, makes an empty database,
# lets the administrator log in, settles a sale and leaves its automatic backup
# (scripts/drive-installed.py, phases first-day and sale). Each step is timed.
#
#     scripts/clean-root-test.sh zenlo_<version>_amd64.deb
#
# Runs as root. The root lives in a temporary folder and is removed at the end, its mounts first.
set -euo pipefail
cd "$(dirname "$0")/.."
[ $# -eq 1 ] || { echo "usage: scripts/clean-root-test.sh zenlo_<version>_amd64.deb" >&2; exit 2; }
deb=$(realpath "$1")
started=$SECONDS
step_started=$SECONDS
step() {
  echo "== clean-root-test: $* ($((SECONDS - step_started)) s)"
  step_started=$SECONDS
}
fail() {
  echo "clean-root-test: $*" >&2
  exit 1
}
[ "$(id -u)" -eq 0 ] || fail "debootstrap and chroot need root"
export DEBIAN_FRONTEND=noninteractive
missing=()
for p in debootstrap xvfb xauth openbox xdotool x11-utils imagemagick python3; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update >/dev/null
  apt-get install -y --no-install-recommends "${missing[@]}" >/dev/null
fi

root=$(mktemp -d /tmp/zenlo-clean-root.XXXXXX)
chmod 0755 "$root"  # apt in the root reads its lists as the user _apt
cleanup() {
  if mountpoint -q "$root/proc"; then umount "$root/proc" || true; fi
  # Nothing of this machine may be reached through the root when it is deleted.
  if mountpoint -q "$root/proc"; then
    echo "clean-root-test: $root/proc is still mounted; $root is left in place" >&2
  else
    rm -rf "$root"
  fi
}
trap cleanup EXIT

# The mirror this machine installs from.
mirror=$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -1)
mirror=${mirror:-$(awk '$1 == "deb" && $3 == "bookworm" { print $2; exit }' /etc/apt/sources.list 2>/dev/null)}
mirror=${mirror:-http://deb.debian.org/debian}
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$root.log" 2>&1 || { cat "$root.log" >&2; rm -f "$root.log"; fail "debootstrap failed"; }
rm -f "$root.log"
step "debootstrap --variant=minbase bookworm ($mirror)"

mount -t proc proc "$root/proc"
cp "$deb" "$root/tmp/"
chroot "$root" apt-get update >/dev/null
chroot "$root" apt-get install -y "/tmp/$(basename "$deb")" >"$root/tmp/install.log" 2>&1 ||
  { cat "$root/tmp/install.log" >&2; fail "apt-get install in the clean root failed"; }
grep -E "newly installed" "$root/tmp/install.log"
step "apt-get install $(basename "$deb") in the clean root"

in_root() { chroot "$root" env -i HOME=/root/shop PATH=/usr/bin:/bin LANG=C.UTF-8 "$@"; }
unresolved=$(in_root sh -c 'ldd /opt/zenlo/bin/*' | grep "not found" || true)
[ -z "$unresolved" ] || fail "libraries the package does not bring: $unresolved"
in_root zenlo-admin --help >/dev/null
in_root sh -c 'cd /tmp && zenlo-admin init --demo demo.mdb && zenlo-admin check demo.mdb' >/dev/null
cp tests/fixtures/goods_100.xls "$root/tmp/"
in_root sh -c 'cd /tmp && zenlo-admin import goods_100.xls demo.mdb'
step "zenlo-admin in the clean root"

mkdir -p "$root/root/shop"
drive() {
  env -i HOME="$root/root/shop" PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin LANG=C.UTF-8 TMPDIR="$root/tmp" \
    ZENLO_ROOT="$root" tests/x11/run-under-x.sh python3 scripts/drive-installed.py "$1"
}
drive first-day
in_root zenlo-admin import /tmp/goods_100.xls /root/shop/.local/share/zenlo/data.mdb
drive sale
step "zenlo in the clean root: first start, first login, a sale"
echo "clean-root-test: ok ($((SECONDS - started)) s)"
