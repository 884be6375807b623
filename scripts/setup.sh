#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests and the tools need,
# when one is missing and we are root; otherwise says what to install.
# wxWidgets and the virtual display are for the desktop front end (gui/) and its
# tests. `scripts/setup.sh fuzz` adds the clang-14 tool chain of the fuzz targets.
set -euo pipefail

packages=(cmake g++ make pkg-config python3 libgtest-dev libgmock-dev libcli11-dev libsqlite3-dev libmuparser-dev nlohmann-json3-dev libbenchmark-dev libsimpleini-dev
          libwxgtk3.2-dev xvfb xauth)
case "${1:-}" in
  "") ;;
  fuzz) packages+=(clang-14 libclang-rt-14-dev) ;;
  *) echo "setup: unknown package group '$1' (known: fuzz)" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  echo "setup: installing ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
else
  echo "setup: please install: sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
