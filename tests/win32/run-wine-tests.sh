#!/usr/bin/env bash
# Windows tests of Pixnote.dll. Builds both DLLs (a no-op when they are up to
# date), checks the i686 DLL statically with objdump (the machine runs no
# 32-bit programs), and runs the x86_64 DLL under Wine: regsvr32 in and out,
# every registry value, the per-user fallback, COM creation by ProgID,
# connection and unloading, the IDispatch bridge over a fake Excel, and the
# DLL inside that fake Excel (menu button, click, disconnection). With
# --bench it also prints the measurements of `pixnote_bench` (bench/win32).
#
# Environment: JOBS (build parallelism, default 2). The Wine prefix lives in
# build/mingw-x86_64/wineprefix and is created once (wineboot takes a while);
# delete it to start afresh.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"

# Wine creates windows (COM's apartment window among them) only with a display.
if [[ -z "${DISPLAY:-}" ]]; then
  exec xvfb-run -a "$0" "$@"
fi

bench=0
[[ ${1:-} == --bench ]] && bench=1
jobs=${JOBS:-2}
passed=0
failed=0
ok() { passed=$((passed + 1)); }
bad() { failed=$((failed + 1)); echo "FAILED: $*"; }
expect() {  # expect <description> <command...>
  local what=$1; shift
  if "$@"; then ok; else bad "$what"; fi
}

for arch in i686 x86_64; do
  { cmake --preset "mingw-$arch" >/dev/null && cmake --build --preset "mingw-$arch" -j "$jobs" >/dev/null; } ||
    { echo "build of mingw-$arch failed"; exit 1; }
done
dll32=$root/build/mingw-i686/src/platform/win32/Pixnote.dll
dll64=$root/build/mingw-x86_64/src/platform/win32/Pixnote.dll
scripted64=$root/build/mingw-x86_64/src/platform/win32/scripted/Pixnote.dll
tests=$root/build/mingw-x86_64/src/platform/win32/pixnote_tests.exe
window_tests=$root/build/mingw-x86_64/src/platform/win32/pixnote_window_tests.exe

# --- static checks of both DLLs -------------------------------------------
static_check() {  # static_check <objdump> <dll>
  local objdump=$1 dll=$2 dump exports imports
  dump=$("$objdump" -p "$dll") || { bad "objdump $dll"; return; }
  exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" | grep -v 'Pointer\] Table' |
            grep -oE '\] [A-Za-z_@0-9]+' |
            cut -c3- | sort | tr '\n' ' ')
  expect "$dll exports ($exports)" \
    test "$exports" = "DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer "
  expect "$dll imports only what Windows XP has" "$root/tests/win32/check-imports.sh" "$objdump" "$dll"
  # The scripted message boxes of the tests are not in the shipped DLL.
  expect "$dll has no scripted message boxes" \
    bash -c '! "$1" -el "$2" | grep -q QUILLETTE_MSGBOX' _ "${objdump%objdump}strings" "$dll"
  local rsrc
  rsrc=$(sed -n '/Resource Directory section/,/String table starts/p' <<<"$dump")
  # TYPELIB (by name) with IDs 1 and 2; RT_VERSION (16) with ID 1.
  expect "$dll TYPELIB resource" grep -q 'name: .*TYPELIB' <<<"$rsrc"
  expect "$dll TYPELIB 1" awk '/TYPELIB/{t=1;next} /^0[0-9a-f]+   Entry/{t=0} t && /Entry: ID: 0x000001,/{f=1} END{exit !f}' <<<"$rsrc"
  expect "$dll VERSION resource" grep -q '^0[0-9a-f]*   Entry: ID: 0x000010' <<<"$rsrc"
}
static_check i686-w64-mingw32-objdump "$dll32"
static_check x86_64-w64-mingw32-objdump "$dll64"
expect "the test build has the scripted boxes" \
  bash -c 'x86_64-w64-mingw32-strings -el "$1" | grep -q QUILLETTE_MSGBOX_LOG' _ "$scripted64"
expect "i686 DLL is a 32-bit PE" grep -q 'file format pei-i386' <(i686-w64-mingw32-objdump -f "$dll32")

# --- Wine ---------------------------------------------------------------------
export WINEPREFIX=$root/build/mingw-x86_64/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installer prompts
if [[ ! -f $WINEPREFIX/.quill-ready ]]; then
  echo "creating the Wine prefix (once)..."
  rm -rf "$WINEPREFIX"
  wine wineboot -i >/dev/null 2>&1 && wineserver -w && touch "$WINEPREFIX/.quill-ready" ||
    { echo "wineboot failed"; exit 1; }
fi

w32=$(winepath -w "$dll32" 2>/dev/null)
w64=$(winepath -w "$dll64" 2>/dev/null)
s64=$(winepath -w "$scripted64" 2>/dev/null)

suite() {  # suite <group> [args...]: runs one group of the test program; counts its tests
  local out
  out=$(wine "$tests" "$@" --gtest_color=no --gtest_brief=1 2>&1)
  local rc=$?
  printf '%s\n' "$out" | grep -vE '^($|\[(==========|  PASSED  )\])'
  local line p f
  line=$(grep -oE '[0-9]+ passed, [0-9]+ failed' <<<"$out" | tail -1)
  if [[ -n $line ]]; then
    p=${line%% passed*}; f=${line#*, }; f=${f%% failed}
    passed=$((passed + p)); failed=$((failed + f))
  fi
  if ((rc != 0)) && [[ -z $line || ${f:-0} == 0 ]]; then bad "suite $* exited with $rc"; fi
}
regsvr() {  # regsvr <description> [/u | dll]: regsvr32 /s on the x86_64 DLL (or the one given) must succeed
  local what=$1 arg=${2:-}
  case $arg in
    /u) expect "$what" wine regsvr32 /u /s "$w64" ;;
    '') expect "$what" wine regsvr32 /s "$w64" ;;
    *) expect "$what" wine regsvr32 /s "$arg" ;;
  esac
}
snapshot() {  # the parts of the registry registration may touch
  local out=$1 key
  : >"$out"
  for key in 'HKCR' 'HKCU\Software'; do
    wine reg export "$key" "$out.part" /y >/dev/null 2>&1 && iconv -f UTF-16 -t UTF-8 "$out.part" >>"$out"
  done
  rm -f "$out.part"
  grep -q 'Quillpix\|Classes' "$out" || bad "registry export $out came out empty"
}

# Start from a clean registry even after an interrupted run. A new prefix has
# no HKCU\Software\Classes\CLSID or \Interface yet; the first per-user
# registration creates them and, like Windows, nobody removes shared parent
# keys, so one warm-up cycle keeps them out of the before/after comparison.
wine regsvr32 /u /s "$w64" >/dev/null 2>&1
QUILLETTE_REGISTER_PER_USER=1 wine regsvr32 /s "$w64" >/dev/null 2>&1
wine regsvr32 /u /s "$w64" >/dev/null 2>&1

suite unit
suite bridge
# The dialog window, the RichEdit editor contract and the platform services
# (GoogleTest).
if [[ -x $window_tests ]]; then
  out=$(wine "$window_tests" --gtest_color=no 2>&1)
  rc=$?
  grep -E '^\[  (FAILED|PASSED|SKIPPED) |: Failure$|^[^[].*(Expected|Which is|Value of)' <<<"$out"
  p=$(grep -oE '^\[  PASSED  \] [0-9]+' <<<"$out" | grep -oE '[0-9]+$'); passed=$((passed + ${p:-0}))
  if ((rc != 0)); then bad "window tests exited with $rc"; fi
fi
suite resources "$w64" win64
suite resources "$w32" win32

tmp=$(mktemp -d)
snapshot "$tmp/before.reg"

regsvr "regsvr32 (machine)"
suite registered "$w64"
# Inside a host the DLL's boxes must be scripted: its test build, registered
# in the same place, stands in for it there.
regsvr "regsvr32 (test build)" "$s64"
suite com "$s64"
if ((bench)); then
  wine "${tests%/*}/pixnote_bench.exe" "$s64" 2>&1 | grep -v '^$' || bad "benchmark run"
fi
regsvr "regsvr32 (machine, again)"
regsvr "regsvr32 /u (machine)" /u
suite unregistered
regsvr "regsvr32 /u twice" /u

export QUILLETTE_REGISTER_PER_USER=1
regsvr "regsvr32 (per user)"
suite registered "$w64" per-user
regsvr "regsvr32 /u (per user)" /u
suite unregistered
regsvr "regsvr32 (per user, again)"
unset QUILLETTE_REGISTER_PER_USER
# A plain unregistration cleans a per-user registration too.
regsvr "regsvr32 /u (plain, after per user)" /u
suite unregistered

snapshot "$tmp/after.reg"
if diff -u "$tmp/before.reg" "$tmp/after.reg" >"$tmp/diff"; then
  ok
else
  bad "registration left the registry changed:"; head -40 "$tmp/diff"
fi
rm -rf "$tmp"
wineserver -k 2>/dev/null
"$root/tests/win32/installer-tests.sh" || bad "installer tests"

echo "win32: $passed passed, $failed failed"
((failed == 0))
