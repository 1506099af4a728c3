#!/usr/bin/env bash
# Installs the Debian package on this machine the way a shop does and works the installed program
# as a shop does. Each step is timed:
#   1. the package (scripts/package.sh, unless one is given) and lintian on it: no errors;
#   2. its file list: the three programs, the launchers, the desktop entry, the icons, the manual
#      pages, and nothing of the tests or benchmarks;
#   3. apt-get install ./zenlo_<version>_amd64.deb (an installed zenlo is purged first);
#   4. the installed /usr/bin/zenlo on Xvfb with openbox for a user with a fresh, empty HOME, driven
#      by scripts/drive-installed.py: the menu entry starts it, the first start makes an empty
#      database in ~/.local/share/zenlo, the administrator logs in, goods come in through
#      zenlo-admin import, a sale is settled, every close leaves an automatic backup;
#   5. the upgrade: the same build packaged as a newer version and installed over it; data.mdb and
#      config.ini stay byte for byte, and the program starts with the login, no first-start dialog;
#   6. the print path through CUPS (scripts/print-test.sh);
#   7. apt-get remove keeps the data, and so does apt-get purge, which says where it lies.
#
#     scripts/package-test.sh [zenlo_<version>_amd64.deb]
#
# Runs as root (or with sudo): it installs and removes the package. ZENLO_SCREENSHOTS=docs writes
# docs/first-start.png and docs/menu-entry.png.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
started=$SECONDS
step_started=$SECONDS
step() {
  echo "== package-test: $* ($((SECONDS - step_started)) s)"
  step_started=$SECONDS
}
fail() {
  echo "package-test: $*" >&2
  exit 1
}
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

missing=()
for p in lintian xvfb xauth openbox xdotool x11-utils imagemagick rofi desktop-file-utils python3; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get update >/dev/null
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}" >/dev/null
fi
step "test tools ready"

# 1. The package and lintian.
if [ $# -ge 1 ]; then
  deb=$(realpath "$1")
else
  deb=$(scripts/package.sh | tail -1)
fi
[ -f "$deb" ] || fail "no package $deb"
version=$(dpkg-deb -f "$deb" Version)
step "package $deb"
lint=$(lintian --display-info --show-overrides "$deb" 2>&1) || true
echo "$lint"
if grep -q "^E: " <<<"$lint"; then fail "lintian found errors"; fi
step "lintian: $(grep -c '^W: ' <<<"$lint" || true) warnings, $(grep -c '^E: ' <<<"$lint" || true) errors"

# 2. The file list.
contents=$(dpkg-deb -c "$deb")
echo "$contents"
echo "Installed-Size: $(dpkg-deb -f "$deb" Installed-Size) KiB, package $(stat -c %s "$deb") bytes"
has() { grep -qE "$1" <<<"$contents" || fail "the package lacks $1"; }
for program in zenlo zenlo-admin zenlo-read-xls; do has "^-rwxr-xr-x root/root .* \./opt/zenlo/bin/$program\$"; done
has " \./usr/bin/zenlo -> /opt/zenlo/bin/zenlo\$"
has " \./usr/bin/zenlo-admin -> /opt/zenlo/bin/zenlo-admin\$"
has " \./usr/share/applications/zenlo\.desktop\$"
for size in 16 22 24 32 48 64 128 256; do has " \./usr/share/icons/hicolor/${size}x${size}/apps/zenlo\.png\$"; done
has " \./usr/share/icons/hicolor/scalable/apps/zenlo\.svg\$"
has " \./usr/share/man/man1/zenlo\.1\.gz\$"
has " \./usr/share/man/man1/zenlo-admin\.1\.gz\$"
has " \./usr/share/doc/zenlo/copyright\$"
has " \./usr/share/doc/zenlo/changelog\.gz\$"
if grep -qE "zenlo-shots|tests_|bench_|/tst_" <<<"$contents"; then fail "test or benchmark files in the package"; fi
step "file list"

# 3. The installation, as a shop does it.
if dpkg-query -W -f='${Status}' zenlo 2>/dev/null | grep -q "installed\|config-files"; then
  $SUDO apt-get purge -y zenlo >/dev/null
fi
$SUDO apt-get install -y "$deb"
[ "$(dpkg-query -W -f='${Status} ${Version}' zenlo)" = "install ok installed $version" ] || fail "zenlo $version not installed"
[ "$(readlink -f /usr/bin/zenlo)" = /opt/zenlo/bin/zenlo ] || fail "/usr/bin/zenlo is not the installed program"
zenlo-admin --help | grep -q "zenlo-admin init" || fail "zenlo-admin --help"
desktop-file-validate /usr/share/applications/zenlo.desktop
step "apt-get install $(basename "$deb")"

# 4. A user who never ran the program: a fresh HOME, the XDG folders at their defaults.
work=$(mktemp -d /tmp/zenlo-package-test.XXXXXX)
home="$work/home"
if [ -n "${ZENLO_SCREENSHOTS:-}" ]; then
  # The pictures show the data folder's path: one such as a shop's own.
  home=/home/shop
  [ ! -e "$home" ] || fail "$home is there already; the pictures need a user who never ran the program"
fi
mkdir -p "$home" "$work/run"
chmod 0700 "$work/run"
keep=1
trap '[ "$keep" = 1 ] && echo "package-test: the test user'"'"'s files stay in $work" >&2' EXIT
as_user() {
  env -i HOME="$home" USER="$(id -un)" LOGNAME="$(id -un)" PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin \
    LANG=C.UTF-8 XDG_RUNTIME_DIR="$work/run" TMPDIR="$work" ZENLO_SCREENSHOTS="${ZENLO_SCREENSHOTS:+$top/$ZENLO_SCREENSHOTS}" \
    "$@"
}
drive() { as_user tests/x11/run-under-x.sh python3 scripts/drive-installed.py "$1"; }
data="$home/.local/share/zenlo"

drive menu
step "the menu entry starts the program"
drive first-day
[ -f "$data/data.mdb" ] || fail "no $data/data.mdb"
step "first start, empty database, first login"
as_user zenlo-admin import tests/fixtures/goods_100.xls "$data/data.mdb"
drive sale
step "goods imported, one sale"

# 5. The upgrade.
digest() { (cd "$data" && sha256sum data.mdb config.ini); }
before=$(digest)
newer="$version.1"
dpkg --compare-versions "$newer" gt "$version" || fail "$newer is not newer than $version"
newer_deb=$(ZENLO_PACKAGE_VERSION="$newer" ZENLO_PACKAGE_DIR="$work" scripts/package.sh | tail -1)
step "package $newer"
$SUDO apt-get install -y "$newer_deb"
[ "$(dpkg-query -W -f='${Version}' zenlo)" = "$newer" ] || fail "zenlo $newer not installed"
[ "$(digest)" = "$before" ] || fail "the upgrade changed the data: $before / $(digest)"
drive upgraded
step "upgraded to $newer, data unchanged, login at start"

# 6. Printing through CUPS.
as_user scripts/print-test.sh
step "print path"

# 7. Removal keeps the data.
after_use=$(digest; ls -R "$data")
$SUDO apt-get remove -y zenlo
if [ -e /opt/zenlo/bin/zenlo ] || [ -e /usr/bin/zenlo ]; then fail "apt-get remove left the programs"; fi
[ "$(digest; ls -R "$data")" = "$after_use" ] || fail "apt-get remove touched the data"
purge=$($SUDO apt-get purge -y zenlo 2>&1)
echo "$purge"
# shellcheck disable=SC2088 # the message names the folder as a user reads it
grep -qF "~/.local/share/zenlo (data.mdb, config.ini, 备份/)" <<<"$purge" || fail "apt-get purge said nothing of the data"
if dpkg-query -W -f='${Status}' zenlo 2>/dev/null | grep -q "installed\|config-files"; then fail "zenlo not purged"; fi
[ "$(digest; ls -R "$data")" = "$after_use" ] || fail "apt-get purge touched the data"
step "remove and purge keep the data"

keep=0
rm -rf "$work"
if [ -n "${ZENLO_SCREENSHOTS:-}" ]; then rm -rf "$home"; fi
echo "package-test: ok ($((SECONDS - started)) s)"
