#!/usr/bin/env bash
# Builds the Debian package zenlo_<version>_amd64.deb in the repository's top folder, for a shop
# to install with `apt install ./zenlo_<version>_amd64.deb`.
#
# How, with dpkg-deb and no debian/ source tree:
#   1. A Release build in build-pkg/ (or $BUILD_DIR) with Debian's hardening flags
#      (dpkg-buildflags), of the three programs only: zenlo, zenlo-admin, zenlo-read-xls.
#   2. cmake --install into a staging root: the component "program" under /opt/zenlo (the three
#      programs, stripped; zenlo finds zenlo-read-xls beside itself), the component "desktop"
#      under /usr (menu entry, scalable icon, manual pages).
#   3. The rest of the package's files: the icon in the hicolor PNG sizes, rendered from
#      packaging/zenlo.svg with rsvg-convert; the launchers /usr/bin/zenlo and /usr/bin/zenlo-admin
#      (symlinks: Qt resolves /proc/self/exe, so the program's folder is still /opt/zenlo/bin);
#      the manual pages compressed; /usr/share/doc/zenlo/{copyright,changelog.gz}; the lintian
#      overrides; the maintainer script postrm.
#   4. The control file from packaging/control: the dependencies are what dpkg-shlibdeps finds for
#      the three programs, plus what they load at run time and no linker sees (the fonts, Qt's
#      Chinese translations). Qt's xcb platform plugin and its CUPS print plugin ship in
#      libqt6gui6 and libqt6printsupport6 on Debian 12, which the libraries already bring.
#   5. dpkg-deb --root-owner-group writes the package.
#
# The version is CMake's project(zenlo VERSION ...); ZENLO_PACKAGE_VERSION overrides it (the
# install test makes a newer package of the same build that way; the changelog then gets an entry
# of that version). JOBS is the number of build jobs (default 2). ZENLO_PACKAGE_DIR is where the
# package is written (default: the repository's top folder). The last line printed is the
# package's path.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
build_dir="${BUILD_DIR:-build-pkg}"
out_dir="${ZENLO_PACKAGE_DIR:-$top}"
umask 022

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
scripts/install-deps.sh
tools=()
command -v dpkg-shlibdeps >/dev/null || tools+=(dpkg-dev)
command -v rsvg-convert >/dev/null || tools+=(librsvg2-bin)
if [ ${#tools[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update >/dev/null
  $SUDO apt-get install -y --no-install-recommends "${tools[@]}" >/dev/null
fi

# 1. The build. -g and -O2 give way to the Release flags; the programs are stripped anyway.
export DEB_BUILD_MAINT_OPTIONS="hardening=+all"
export DEB_CXXFLAGS_MAINT_STRIP="-g -O2"
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags="$(dpkg-buildflags --get LDFLAGS)"
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS="$cxxflags" \
  -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build "$build_dir" -j"${JOBS:-2}" --target zenlo zenlo-admin zenlo-read-xls

version="${ZENLO_PACKAGE_VERSION:-$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build_dir/CMakeCache.txt")}"
if ! [[ "$version" =~ ^[0-9][A-Za-z0-9.+~]*$ ]]; then
  echo "package: \"$version\" is no version for a native Debian package" >&2
  exit 1
fi
# Reproducible: every date in the package is the last commit's.
export SOURCE_DATE_EPOCH="${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || date +%s)}"

# 2. The installed files.
stage="$build_dir/package-root"
rm -rf "$stage"
mkdir -p "$stage"
DESTDIR="$stage" cmake --install "$build_dir" --prefix /opt/zenlo --component program --strip >/dev/null
DESTDIR="$stage" cmake --install "$build_dir" --prefix /usr --component desktop >/dev/null
for program in zenlo zenlo-admin zenlo-read-xls; do
  test -x "$stage/opt/zenlo/bin/$program" || { echo "package: $program was not installed" >&2; exit 1; }
  # As Debian strips: the compiler's version notes go too.
  strip --remove-section=.comment --remove-section=.note "$stage/opt/zenlo/bin/$program"
done

# 3. Launchers, icons, manual pages, documents, overrides.
mkdir -p "$stage/usr/bin"
ln -s /opt/zenlo/bin/zenlo "$stage/usr/bin/zenlo"
ln -s /opt/zenlo/bin/zenlo-admin "$stage/usr/bin/zenlo-admin"
for size in 16 22 24 32 48 64 128 256; do
  dir="$stage/usr/share/icons/hicolor/${size}x${size}/apps"
  mkdir -p "$dir"
  rsvg-convert -w "$size" -h "$size" packaging/zenlo.svg -o "$dir/zenlo.png"
done
gzip -9n "$stage"/usr/share/man/man1/*.1
doc="$stage/usr/share/doc/zenlo"
mkdir -p "$doc"
cp packaging/copyright "$doc/copyright"
{
  top_version=$(sed -n '1s/^zenlo (\([^)]*\)).*/\1/p' packaging/changelog)
  if [ "$version" != "$top_version" ]; then
    printf 'zenlo (%s) bookworm; urgency=medium\n\n' "$version"
    printf '  * Built from the sources of %s as version %s.\n\n' "$top_version" "$version"
    printf ' -- %s  %s\n\n' "$(sed -n 's/^Maintainer: //p' packaging/control)" \
      "$(date -u -R -d "@$SOURCE_DATE_EPOCH")"
  fi
  cat packaging/changelog
} | gzip -9n >"$doc/changelog.gz"
mkdir -p "$stage/usr/share/lintian/overrides"
cp packaging/lintian-overrides "$stage/usr/share/lintian/overrides/zenlo"

# 4. Control files.
mkdir -p "$stage/DEBIAN"
install -m 0755 packaging/postrm "$stage/DEBIAN/postrm"
shlibs_dir=$(mktemp -d)
trap 'rm -rf "$shlibs_dir"' EXIT
mkdir -p "$shlibs_dir/debian"
printf 'Source: zenlo\n\nPackage: zenlo\nArchitecture: amd64\n' >"$shlibs_dir/debian/control"
shlibs=$(cd "$shlibs_dir" && dpkg-shlibdeps -O "$top/$stage"/opt/zenlo/bin/* 2>/dev/null |
  sed -n 's/^shlibs:Depends=//p')
if [ -z "$shlibs" ]; then
  echo "package: dpkg-shlibdeps found no libraries" >&2
  exit 1
fi
for needed in libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 libqt6network6 libsqlcipher0 \
  libgsf-1-114 libzint2; do
  if ! grep -q "\(^\|, \)$needed" <<<"$shlibs"; then
    echo "package: dpkg-shlibdeps did not list $needed: $shlibs" >&2
    exit 1
  fi
done
depends="$shlibs, fonts-noto-cjk, qt6-translations-l10n"
# As dpkg-gencontrol counts it: each file's KiB rounded up, one for every other entry.
installed_size=$(find "$stage" -mindepth 1 -path "$stage/DEBIAN" -prune -o \
  \( -type f -printf '%s\n' -o -printf '1024\n' \) | awk '{ kib += int(($1 + 1023) / 1024) } END { print kib }')
sed -e "s/@VERSION@/$version/" -e "s/@INSTALLED_SIZE@/$installed_size/" -e "s/@DEPENDS@/$depends/" \
  packaging/control >"$stage/DEBIAN/control"
(cd "$stage" && find . -path ./DEBIAN -prune -o -type f -printf '%P\0' | LC_ALL=C sort -z |
  xargs -0 md5sum) >"$stage/DEBIAN/md5sums"
find "$stage" -type d -exec chmod 0755 {} +
find "$stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +

# 5. The package.
mkdir -p "$out_dir"
deb="$out_dir/zenlo_${version}_amd64.deb"
dpkg-deb --root-owner-group -Zxz --build "$stage" "$deb" >/dev/null
echo "package: $(dpkg-deb -f "$deb" Package Version Installed-Size | tr '\n' ' ')"
echo "$deb"
