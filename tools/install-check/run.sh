#!/usr/bin/env bash
# Installs the build in BUILD_DIR into a temporary prefix, then configures, builds
# and runs the outside consumer against it, and checks the pkg-config file too.
set -euo pipefail
build_dir="$1"
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cmake --install "$build_dir" --prefix "$work/prefix" >/dev/null
cmake -S "$here" -B "$work/build" -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/build" >/dev/null
"$work/build/consumer"
PKG_CONFIG_PATH="$work/prefix/lib/pkgconfig" pkg-config --exists dlist
echo "install-check: ok"
