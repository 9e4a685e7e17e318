#!/usr/bin/env bash
# Installs with apt-get whatever the build, the tests and the program need and is missing.
#   scripts/install-deps.sh [--package]
# --package: also what scripts/package.sh needs to build and check the Debian package.
set -euo pipefail
packages=(g++ cmake ninja-build pkg-config qt6-base-dev libzip-dev zlib1g-dev libutf8proc-dev libjpeg-dev libcurl4-openssl-dev libssl-dev libmicrohttpd-dev libexpat1-dev libxlsxwriter-dev nlohmann-json3-dev fonts-ipafont-gothic qt6-translations-l10n
  clang clang-format libclang-rt-14-dev curl ca-certificates wrk nginx-light libboost-dev ccache)
[ "${1:-}" = --package ] && packages+=(dpkg-dev lintian help2man appstream)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
