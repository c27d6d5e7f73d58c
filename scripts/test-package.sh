#!/usr/bin/env bash
# Installs a built tree into a scratch prefix, then builds and runs a small consumer against it
# twice: with find_package(Brevix) and with pkg-config. Usage: test-package.sh BUILD_DIR
set -euo pipefail
build="$(cd "$1" && pwd)"
source_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"

cmake --install "$build" --prefix "$prefix" >/dev/null
test -x "$prefix/bin/brevix"
test -f "$prefix/include/brevix/core/control.h"
test -f "$prefix/include/brevix/render/export.h"
test -f "$prefix/include/brevix/api/barcode.h"
test ! -e "$prefix/include/brevix/platform/win"
"$prefix/bin/brevix" --list | grep -q csCodePDF417

# CMake package.
cmake -S "$source_dir/tests/package" -B "$work/cmake" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/cmake" >/dev/null
tool="$("$work/cmake/consumer" "$work/cmake.png")"
test "$tool" = "$prefix/bin/brevix"

# pkg-config.
export PKG_CONFIG_PATH="$prefix/lib/pkgconfig:$prefix/lib64/pkgconfig:$(find "$prefix" -name pkgconfig -type d | tr '\n' ':')"
pkg-config --exists brevix
# shellcheck disable=SC2046
c++ -o "$work/pc-consumer" -I "$source_dir/tests/package/own" "$source_dir/tests/package/consumer.cpp" \
  $(pkg-config --cflags --libs brevix)
"$work/pc-consumer" "$work/pc.png" >/dev/null
echo "package: installed, found by CMake and pkg-config, consumer drew its barcode"
