#!/usr/bin/env bash
# The whole test suite: native debug, native ASan+UBSan, the Windows DLLs
# (i686 checked statically, x86_64 run under Wine) and their installer.
set -uo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-$(nproc)}
failed=()
current=""
step() { current=$*; echo; echo "=== $*"; }
# The tail of a CI log is often all that is kept, so the failed steps are
# named again at the end.
fail() { failed+=("${1:-$current}"); }

run_preset() {
  local preset=$1
  step "native $preset"
  cmake --preset "$preset" >/dev/null || return 1
  cmake --build --preset "$preset" -j "$jobs" || return 1
  if ! ctest --preset "$preset" -j "$jobs"; then
    local log="build/$preset/Testing/Temporary/LastTestsFailed.log"
    # Named here with the failed tests, so the caller must not name it again.
    [[ -f $log ]] && { fail "native $preset: $(cut -d: -f2 "$log" | tr '\n' ' ')"; return 0; }
    return 1
  fi
}

# First, so that a tool installed here by hand but missing from the package
# list fails here rather than on the next fresh machine.
step "every program the build and the tests call comes from a listed package"
scripts/install-deps.sh --check || fail

for preset in debug asan; do run_preset "$preset" || fail; done

if [[ -x fuzz/run.sh ]]; then
  step "fuzzing: corpora replayed, then ${FUZZ_SECONDS:-30} s a target"
  if ! fuzz/run.sh "${FUZZ_SECONDS:-30}"; then
    fail
    [[ -f build/fuzz/summary.txt ]] && while IFS= read -r line; do
      [[ $line == *FINDING* || $line == *FAILED* || $line == *input* ]] && fail "  $line"
    done <build/fuzz/summary.txt
  fi
fi

if [[ -f src/platform/win32/CMakeLists.txt ]]; then
  for arch in i686 x86_64; do
    step "Pixnote.dll $arch"
    { cmake --preset "mingw-$arch" >/dev/null && cmake --build --preset "mingw-$arch" -j "$jobs"; } || { fail; continue; }
    tests/win32/check-imports.sh "$arch-w64-mingw32-objdump" "build/mingw-$arch/src/platform/win32/Pixnote.dll" ||
      fail "Pixnote.dll $arch imports beyond Windows XP"
  done
  step "Quillette-setup.exe"
  cmake --build --preset mingw-x86_64 -j "$jobs" --target installer || fail
  if [[ -x tests/win32/run-wine-tests.sh ]]; then
    step "Windows tests"
    tests/win32/run-wine-tests.sh || fail
  fi
fi

echo
if ((${#failed[@]})); then
  printf 'failed: %s\n' "${failed[@]}"
  echo "TEST SUITE FAILED"
  exit 1
fi
echo "TEST SUITE PASSED"
