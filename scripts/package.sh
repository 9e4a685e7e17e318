#!/usr/bin/env bash
# Builds the Debian package of Tanzel:
#   scripts/package.sh OUTDIR
# writes OUTDIR/tanzel_<version>_<arch>.deb and checks it with lintian (fails on an error or
# a warning) and the AppStream file with appstreamcli.
#
# The package is built from a Release build of its own (build-package/, with Debian's build
# flags) and Japan Post's archives (scripts/find-archives.sh, downloaded when none is found),
# imported beside the built programs; cmake --install stages the programs, the data files,
# the desktop entry, the icon, the AppStream file and the systemd units, and this script adds
# the manual pages (help2man, from each program's --help), the documentation and the control
# data of packaging/debian (the dependencies from dpkg-shlibdeps). JOBS sets the build's
# parallel jobs (default: the number of cores).
set -euo pipefail
out=${1:?usage: scripts/package.sh OUTDIR}
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$out"
out=$(cd "$out" && pwd)
cd "$root"
scripts/install-deps.sh --package
umask 022

debian=$root/packaging/debian
build=$root/build-package
# One date for every file and for the AppStream release: the changelog's, as dpkg-buildpackage does.
SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l "$debian/changelog" -S Timestamp)
export SOURCE_DATE_EPOCH
# Debian's build flags, with every hardening feature (bindnow too); CMake reads no CPPFLAGS.
export DEB_BUILD_MAINT_OPTIONS=${DEB_BUILD_MAINT_OPTIONS:-hardening=+all}
eval "$(dpkg-buildflags --export=sh)"

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_CXX_FLAGS="$CPPFLAGS $CXXFLAGS" -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" \
  -DTANZEL_BUILD_TESTS=OFF -DTANZEL_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" -j "${JOBS:-$(nproc)}"

upstream=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
version=$(dpkg-parsechangelog -l "$debian/changelog" -S Version)
if [ "${version%-*}" != "$upstream" ]; then
  echo "package.sh: packaging/debian/changelog is at $version, the program at $upstream:" >&2
  echo "add an entry for $upstream-1 at the top of the changelog" >&2
  exit 1
fi
arch=$(dpkg --print-architecture)

archives=$(scripts/find-archives.sh --download)
scripts/import-data.sh "$build/bin" "$archives"

work=$build/deb
stage=$work/tanzel
rm -rf "$work"
mkdir -p "$stage"
DESTDIR=$stage cmake --install "$build" >/dev/null
lib=$stage/usr/lib/tanzel
# Stripped as dh_strip strips a program.
for program in tanzel tanzel-search tanzel-import tanzel-serve; do
  strip --remove-section=.comment --remove-section=.note --strip-unneeded "$lib/$program"
done
for f in tanzel tanzel-search tanzel-import tanzel-serve KEN13.CSV JIG13.CSV EDITION; do
  if [ ! -e "$lib/$f" ]; then
    echo "package.sh: the installation has no $f in /usr/lib/tanzel" >&2
    exit 1
  fi
done

# The folder belongs to the package: an update, even one run by root, goes into the user's
# data folder (UpdateTargetFolder looks for this file).
echo "The programs and data files here belong to the tanzel package; updates go into each user's data folder." \
  >"$lib/PACKAGED"

# The staged programs find their data beside them (a scratch home, so that no user's data is read).
mkdir -p "$work/home"
if ! HOME=$work/home XDG_DATA_HOME='' "$lib/tanzel-search" 1000001 | grep -q 千代田; then
  echo "package.sh: the staged tanzel-search does not find 100-0001 in the packaged data" >&2
  exit 1
fi

# Manual pages, from each program's --help. help2man takes the synopsis from a line that
# starts "Usage:" and the lines after it that start "or:", as GNU programs spell them; the
# programs write "usage:" and indent the further forms, so help2man reads the help through a
# wrapper of the program's own name that spells them so.
man=$stage/usr/share/man/man1
mkdir -p "$man" "$work/help"
declare -A what=(
  [tanzel]="look up Japanese postal codes (desktop program)"
  [tanzel-search]="search Japan Post's postal code data and resolve addresses to postal codes"
  [tanzel-import]="import, download and compare Japan Post's postal code data"
  [tanzel-serve]="answer postal code look-ups as JSON over HTTP"
)
for program in tanzel tanzel-search tanzel-import tanzel-serve; do
  printf '#!/bin/sh\n"%s" "$@" | sed -e "1s/^usage:/Usage:/" -e "2,/^[^ ]/s/^ *\\(tanzel[-a-z]* \\)/  or: \\1/"\n' \
    "$build/bin/$program" >"$work/help/$program"
  chmod +x "$work/help/$program"
  help2man --no-info --no-discard-stderr --locale=C.UTF-8 --version-string="$upstream" --section=1 \
    --name="${what[$program]}" --include="$root/packaging/man/$program.h2m" \
    --output="$man/$program.1" "$work/help/$program"
  # Lines of addresses stay lines: troff cannot spread a line that is one long word.
  awk '/^https?:\/\// { if (!url) print ".nf"; url = 1; print; next }
       url { print ".fi"; url = 0 } { print }' "$man/$program.1" >"$man/$program.1.new"
  mv "$man/$program.1.new" "$man/$program.1"
  gzip -9n "$man/$program.1"
done

# Documentation: the guides (the program opens README.ja.md from here) with their pictures.
doc=$stage/usr/share/doc/tanzel
mkdir -p "$doc/docs/images"
install -m 0644 README.md README.ja.md "$doc/"
install -m 0644 docs/images/*.png "$doc/docs/images/"
install -m 0644 "$debian/copyright" "$doc/copyright"
gzip -9nc "$debian/changelog" >"$doc/changelog.Debian.gz"
if [ -f "$debian/tanzel.lintian-overrides" ]; then
  install -D -m 0644 "$debian/tanzel.lintian-overrides" "$stage/usr/share/lintian/overrides/tanzel"
fi

appstreamcli validate --no-net "$stage"/usr/share/metainfo/*.metainfo.xml

# Control data: dpkg-shlibdeps and dpkg-gencontrol work in a folder laid out as a source
# package would be.
mkdir -p "$work/debian" "$stage/DEBIAN"
cp "$debian/control" "$debian/changelog" "$work/debian/"
(
  cd "$work"
  dpkg-shlibdeps -Tdebian/tanzel.substvars "$lib/tanzel" "$lib/tanzel-search" "$lib/tanzel-import" "$lib/tanzel-serve"
  # Timestamps and permissions as dpkg expects them, before Installed-Size is summed up.
  find "$stage" -type d -exec chmod 0755 {} +
  find "$stage" -type f ! -perm -u+x -exec chmod 0644 {} +
  find "$stage" -type f -perm -u+x -exec chmod 0755 {} +
  dpkg-gencontrol -ptanzel -P"$stage" -Tdebian/tanzel.substvars -Vmisc:Depends= -fdebian/files
)
(cd "$stage" && find usr -type f | LC_ALL=C sort | xargs -d '\n' md5sum >DEBIAN/md5sums)
chmod 0644 "$stage/DEBIAN/control" "$stage/DEBIAN/md5sums"
find "$stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +

deb=$out/tanzel_${version}_${arch}.deb
dpkg-deb --root-owner-group -Zxz --build "$stage" "$deb" >/dev/null
echo "Built $deb ($(du -h "$deb" | cut -f1))"

lintian --fail-on error,warning --display-info "$deb"
echo "lintian: no error, no warning"
