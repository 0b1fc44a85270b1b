#!/usr/bin/env bash
# The whole test suite: native debug, native ASan+UBSan, and the Windows DLLs
# (i686 checked statically, x86_64 run under Wine).
set -uo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-$(nproc)}
status=0
step() { echo; echo "=== $*"; }

run_preset() {
  local preset=$1
  step "native $preset"
  cmake --preset "$preset" >/dev/null || return 1
  cmake --build --preset "$preset" -j "$jobs" || return 1
  ctest --preset "$preset" -j "$jobs" || return 1
}

run_preset debug || status=1
run_preset asan || status=1

if [[ -x fuzz/run.sh ]]; then
  step "fuzzing: corpora replayed, then ${FUZZ_SECONDS:-30} s a target"
  fuzz/run.sh "${FUZZ_SECONDS:-30}" || status=1
fi

if [[ -f src/platform/win32/CMakeLists.txt ]]; then
  for arch in i686 x86_64; do
    step "Pixnote.dll $arch"
    { cmake --preset "mingw-$arch" >/dev/null && cmake --build --preset "mingw-$arch" -j "$jobs"; } || status=1
  done
  if [[ -x tests/win32/run-wine-tests.sh ]]; then
    step "Windows tests"
    tests/win32/run-wine-tests.sh || status=1
  fi
fi

echo
if ((status)); then echo "TEST SUITE FAILED"; else echo "TEST SUITE PASSED"; fi
exit $status
