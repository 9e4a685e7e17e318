#!/usr/bin/env bash
# Installs the Debian package, uses it, purges it and checks that nothing of it is left:
#   scripts/test-package.sh DEB
# Changes the system's packages, so it runs only as root (skipped otherwise, exit 77) and only
# when tanzel is not installed already. Run by hand after scripts/package.sh; ./test.sh does
# not run it.
set -euo pipefail
deb=${1:?usage: scripts/test-package.sh tanzel_VERSION_ARCH.deb}
deb=$(cd "$(dirname "$deb")" && pwd)/$(basename "$deb")
if [ "$(id -u)" -ne 0 ]; then
  echo "test-package.sh: skipped (installs and purges a package: run as root)"
  exit 77
fi
if dpkg-query -W -f='${Status}' tanzel 2>/dev/null | grep -q "installed"; then
  echo "test-package.sh: tanzel is installed already; purge it first (dpkg --purge tanzel)" >&2
  exit 1
fi
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# The package's own dependencies first, so that dpkg -i alone installs it.
DEBIAN_FRONTEND=noninteractive apt-get satisfy -y -qq --no-install-recommends "$(dpkg-deb -f "$deb" Depends)" >/dev/null

dpkg -i "$deb"
mapfile -t files < <(dpkg -L tanzel | grep -v '^/\.$')
echo "The package installed ${#files[@]} paths"

# The data is there at once: no import, no download.
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
answer=$(HOME=$home XDG_DATA_HOME='' tanzel-search 1000001 2>&1) || fail "tanzel-search 1000001 exited with $?"
grep -q 千代田 <<<"$answer" || fail "tanzel-search 1000001 did not print 千代田: $answer"
echo "$answer" | head -3
tanzel-serve --help >/dev/null || fail "tanzel-serve --help"
tanzel-import --help >/dev/null || fail "tanzel-import --help"
tanzel --help >/dev/null || fail "tanzel --help"
for page in tanzel tanzel-search tanzel-import tanzel-serve; do
  man -w "$page" >/dev/null 2>&1 || fail "no manual page for $page"
done
# The units are installed, not enabled, and nothing listens.
for unit in tanzel-serve.service tanzel-serve.socket; do
  [ -f "/usr/lib/systemd/system/$unit" ] || fail "$unit not installed"
  [ -z "$(find /etc/systemd/system -name "$unit" 2>/dev/null)" ] || fail "$unit is enabled"
done
# Running the programs wrote nothing into the user's folder or the installation.
[ -z "$(find "$home" -mindepth 1 -print -quit)" ] || fail "the programs wrote into HOME: $(find "$home" -mindepth 1)"
extra=$(comm -13 <(printf '%s\n' "${files[@]}" | LC_ALL=C sort) <(find /usr/lib/tanzel | LC_ALL=C sort))
[ -z "$extra" ] || fail "files in /usr/lib/tanzel that the package does not own: $extra"

dpkg --purge tanzel
for f in "${files[@]}"; do
  # Folders that other packages share (/usr, /usr/share/man/man1 ...) stay, of course.
  if [ -d "$f" ] && [ ! -L "$f" ]; then
    dpkg -S "$f" >/dev/null 2>&1 && continue
  fi
  if [ -e "$f" ] || [ -L "$f" ]; then
    fail "left after purge: $f"
  fi
done
dpkg-query -W tanzel >/dev/null 2>&1 && fail "dpkg still knows the package"

if [ "$failures" -gt 0 ]; then
  echo "test-package.sh: $failures failure(s)" >&2
  exit 1
fi
echo "test-package.sh: installed, ran and purged; nothing left"
