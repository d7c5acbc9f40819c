#!/usr/bin/env bash
# Sets the machine up, builds every preset and runs every test with ctest:
# the native build (with AddressSanitizer and UndefinedBehaviorSanitizer) and
# the Windows build under wine and Xvfb. The presets build the product updater with
# QUILL_UNSIGNED_UPDATES=ON (a warning says so); the tests check signed updates with
# updater_signed, built with key pairs the build makes for itself.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

root=${QUILL_BUILD_ROOT:-build}
jobs=$(nproc)

cmake --preset native-asan -B "$root/native-asan" >/dev/null
cmake --build "$root/native-asan" -j "$jobs"
ctest --test-dir "$root/native-asan" --output-on-failure -j "$jobs"

# The product is the 32-bit build. Where the kernel runs no 32-bit processes
# (so no 32-bit wine), the same code is built for x86_64 and tested under wine64.
cmake --preset windows -B "$root/windows" >/dev/null
cmake --build "$root/windows" -j "$jobs"
preset=$(bash scripts/wine-preset.sh)
if [ "$preset" = windows ]; then
  tested="i686 build (the product: preset windows, 32-bit wine)"
else
  tested="x86_64 build (preset $preset, wine64), because this kernel runs no 32-bit programs"
  echo "note: this kernel cannot run 32-bit programs; Windows tests run on the $preset build"
  cmake --preset "$preset" -B "$root/$preset" >/dev/null
  cmake --build "$root/$preset" -j "$jobs"
fi

# ctest starts the wine session (display and wineserver) itself, as a test fixture.
status=0
ctest --test-dir "$root/$preset" --output-on-failure -j "$jobs" || status=$?
echo "Windows tests ran on the $tested."
exit "$status"
