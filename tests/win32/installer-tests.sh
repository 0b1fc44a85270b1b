#!/usr/bin/env bash
# Quillette-setup under Wine, one row per kind of installed Office: the
# installer runs silently (/S), then its files and registry entries are
# checked, then the uninstaller runs and nothing may be left.
#
# Wine here runs no 32-bit programs, so the 64-bit build of the installer
# script is run (the shipped installer is the 32-bit build of the same
# script), and a 32-bit DLL cannot be registered: rows that need one expect
# the installer to try the 32-bit regsvr32 on it, report the failure with its
# exit code and leave nothing behind.
#
# Environment: JOBS (build parallelism, default 2). The Wine prefix lives in
# build/mingw-x86_64/wineprefix-setup and is created once.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
jobs=${JOBS:-2}
passed=0
failed=0
expect() {  # expect <description> <command...>
  local what=$1; shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $what"; fi
}

{ cmake --preset mingw-i686 >/dev/null && cmake --build --preset mingw-i686 -j "$jobs" --target Pixnote >/dev/null &&
  cmake --preset mingw-x86_64 >/dev/null && cmake --build --preset mingw-x86_64 -j "$jobs" --target installer >/dev/null; } ||
  { echo "build of the installer failed"; exit 1; }
build=$root/build/mingw-x86_64
setup=$build/installer/Quillette-setup-x64.exe
dll64=$build/src/platform/win32/Pixnote.dll
# The shipped installer, which cannot run here: a 32-bit program whose
# manifest asks for no elevation.
shipped=$build/installer/Quillette-setup.exe
expect "Quillette-setup.exe is a 32-bit PE" grep -q 'file format pei-i386' <(i686-w64-mingw32-objdump -f "$shipped")
expect "Quillette-setup.exe runs as invoker" grep -aq 'requestedExecutionLevel level="asInvoker"' "$shipped"

idl=src/platform/win32/quillpix.idl
guid='[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}'
clsid={$(grep -B1 'coclass Connect' "$idl" | grep -oE "$guid")}
libid={$(grep -B6 '^library Quillpix' "$idl" | grep -oE "$guid")}

export WINEPREFIX=$build/wineprefix-setup
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [[ ! -f $WINEPREFIX/.quill-ready ]]; then
  echo "creating the Wine prefix of the installer tests (once)..."
  rm -rf "$WINEPREFIX"
  # HKCU\Software\Classes\CLSID and \Interface exist on any Windows where
  # some program registered a class for the user; a new prefix lacks them,
  # and nobody removes such shared parents.
  { wine wineboot -i && wine reg add 'HKCU\Software\Classes\CLSID' /f &&
    wine reg add 'HKCU\Software\Classes\Interface' /f && wineserver -w; } >/dev/null 2>&1 &&
    touch "$WINEPREFIX/.quill-ready" || { echo "wineboot failed"; exit 1; }
fi
local_w=$(wine cmd /c echo %LOCALAPPDATA% 2>/dev/null | tr -d '\r')
localdir=$(winepath -u "$local_w" 2>/dev/null)
instdir=$localdir/Programs/Quillette
instdir_w=$(winepath -w "$instdir" 2>/dev/null)

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# state <file>: the registry parts that the installer or the add-in may touch
# and the files of the user's local application data.
state() {
  local key
  : >"$1"
  for key in 'HKCU\Software' 'HKLM\Software\Classes'; do
    wine reg export "$key" "$tmp/part.reg" /y >/dev/null 2>&1 && iconv -f UTF-16 -t UTF-8 "$tmp/part.reg" | tr -d '\r' >>"$1"
  done
  (cd "$localdir" && find . | sort) >>"$1"
}
# value <state> <key> <name>: the data of one value as the export writes it
# ("..." for strings, dword:... for numbers); name @ is the default value.
# Key names compare without case, as in the registry.
value() {
  local name='"'$3'"='
  [[ $3 == @ ]] && name='@='
  # Through the environment: awk -v would read the backslashes as escapes.
  KEY="[$2]" NAME=$name awk '
    tolower($0) == tolower(ENVIRON["KEY"]) { inside = 1; next }
    /^\[/ { inside = 0 }
    inside && index($0, ENVIRON["NAME"]) == 1 { print substr($0, length(ENVIRON["NAME"]) + 1); exit }' "$1"
}
reg_text() { local s=${1//\\/\\\\}; s=${s//\"/\\\"}; printf '"%s"' "$s"; }  # a string as the export writes it
# fake <view> <key> <name> <data>: an Office registry value under HKLM.
fake() { wine reg add "HKLM\\$2" /v "$3" /d "$4" /reg:"$1" /f >/dev/null 2>&1 || echo "FAILED: reg add $2"; }
office_keys=('HKLM\Software\Microsoft\Office' 'HKLM\Software\Wow6432Node\Microsoft\Office')

no_machine_class() {  # no_machine_class <state>
  ! sed -n '/^\[HKEY_LOCAL_MACHINE/,$p' "$1" |
    grep -qiF -e 'HKEY_LOCAL_MACHINE\Software\Classes\Quillpix.Connect' -e "\\CLSID\\$clsid"
}
check_installed() {  # check_installed <row> <state>
  local row=$1 s=$2 classes='HKEY_CURRENT_USER\Software\Classes'
  local dll_w="$instdir_w\\x64\\Pixnote.dll"
  expect "$row: x64 DLL installed" cmp -s "$dll64" "$instdir/x64/Pixnote.dll"
  expect "$row: no x86 folder" test ! -e "$instdir/x86"
  expect "$row: uninstaller" test -f "$instdir/Uninstall.exe"
  expect "$row: ProgID" test "$(value "$s" "$classes\\Quillpix.Connect\\CLSID" @)" = "\"$clsid\""
  expect "$row: class server" test "$(value "$s" "$classes\\CLSID\\$clsid\\InprocServer32" @)" = "$(reg_text "$dll_w")"
  expect "$row: threading model" test "$(value "$s" "$classes\\CLSID\\$clsid\\InprocServer32" ThreadingModel)" = '"Apartment"'
  expect "$row: class ProgID" test "$(value "$s" "$classes\\CLSID\\$clsid\\ProgID" @)" = '"Quillpix.Connect"'
  # Wine's RegisterTypeLibForUser is a semi-stub that registers for the
  # machine; Windows puts the library under the user's classes.
  local lib="TypeLib\\$libid\\1.0\\409\\win64" lib_at
  lib_at=$(value "$s" "$classes\\$lib" @)
  [[ -n $lib_at ]] || lib_at=$(value "$s" "HKEY_LOCAL_MACHINE\\Software\\Classes\\$lib" @)
  expect "$row: type library" test "$lib_at" = "$(reg_text "$dll_w")"
  expect "$row: no class or ProgID in the machine's classes" no_machine_class "$s"
  local addin='HKEY_CURRENT_USER\Software\Microsoft\Office\Excel\Addins\Quillpix.Connect'
  expect "$row: FriendlyName" test "$(value "$s" "$addin" FriendlyName)" = '"Quillette"'
  expect "$row: Description" test "$(value "$s" "$addin" Description)" = '"Add-In Project Template"'
  expect "$row: LoadBehavior" test "$(value "$s" "$addin" LoadBehavior)" = 'dword:00000003'
  expect "$row: CommandLineSafe" test "$(value "$s" "$addin" CommandLineSafe)" = 'dword:00000000'
  local un='HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillette'
  expect "$row: uninstall DisplayName" test "$(value "$s" "$un" DisplayName)" = '"Quillette"'
  expect "$row: UninstallString" test "$(value "$s" "$un" UninstallString)" = "$(reg_text "\"$instdir_w\\Uninstall.exe\"")"
  expect "$row: QuietUninstallString" test "$(value "$s" "$un" QuietUninstallString)" = "$(reg_text "\"$instdir_w\\Uninstall.exe\" /S")"
}

# Rows: name | fake Office values (view;key;name;data, comma-separated) |
# the regsvr32 calls expected | installer exit code here.
# Exit codes: 0 installed, 2 no Excel, 3 a DLL could not be registered.
sys32='C:\windows\System32\regsvr32.exe'
wow64='C:\windows\SysWOW64\regsvr32.exe'
rows=(
  "32-bit Office (2010, MSI)|32;Software\\Microsoft\\Office\\14.0\\Outlook;Bitness;x86|$wow64 x86|3"
  "64-bit Office (Click-to-Run)|64;Software\\Microsoft\\Office\\ClickToRun\\Configuration;Platform;x64|$sys32 x64|0"
  "both (Excel 2007, 64-bit Excel 2013 without Outlook)|32;Software\\Microsoft\\Office\\12.0\\Excel\\InstallRoot;Path;C:\\Office12\\,64;Software\\Microsoft\\Office\\15.0\\Excel\\InstallRoot;Path;C:\\Office15\\|$sys32 x64,$wow64 x86|3"
  "none (Office without bitness)|64;Software\\Microsoft\\Office\\16.0\\Common;Dummy;1||2"
)
for row in "${rows[@]}"; do
  IFS='|' read -r name fakes calls code <<<"$row"
  for k in "${office_keys[@]}"; do wine reg delete "$k" /f >/dev/null 2>&1; done
  IFS=',' read -ra list <<<"$fakes"
  for f in "${list[@]}"; do IFS=';' read -r view key vname data <<<"$f"; fake "$view" "$key" "$vname" "$data"; done
  state "$tmp/before"

  WINEDEBUG=-all,+process wine "$setup" /S >"$tmp/trace" 2>&1
  rc=$?
  expect "$name: exit code $rc, expected $code" test "$rc" = "$code"
  # Which DLL went to which regsvr32 (the trace names every process started).
  started=$(grep -F 'CreateProcessInternalW app (null) cmdline' "$tmp/trace" | grep -F '\" /s \"' |
            sed -E 's/.*cmdline L"\\"//; s/\\\\/\\/g; s/\\" \/s \\".*\\(x86|x64)\\Pixnote.dll.*/ \1/' | paste -sd, -)
  expect "$name: registered with [$started], expected [$calls]" test "$started" = "$calls"

  if [[ $code == 0 ]]; then
    state "$tmp/installed"
    check_installed "$name" "$tmp/installed"
    # As if Excel had loaded the add-in and closed with the dialog shown.
    wine reg add 'HKCU\Software\VB and VBA Program Settings\Pixnote\Settings' /v DisplayOnConnect /d 1 /f >/dev/null 2>&1
    # The uninstaller copies itself to the temp folder and returns at once.
    wine "$instdir/Uninstall.exe" /S >/dev/null 2>&1
    wineserver -w
  fi
  state "$tmp/after"
  if diff -u "$tmp/before" "$tmp/after" >"$tmp/diff"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1)); echo "FAILED: $name: something was left:"; grep '^[-+][^-+]' "$tmp/diff" | head -20
  fi
done
for k in "${office_keys[@]}"; do wine reg delete "$k" /f >/dev/null 2>&1; done
wineserver -k 2>/dev/null

# The release zip: its files, and a README.txt with every section an Excel
# user needs, each with some text under it.
if zip=$(OUT=$tmp/dist scripts/release.sh --windows 2>/dev/null) && [[ -f $zip ]]; then
  top=$(basename "$zip" -windows.zip)
  listing=$(unzip -Z1 "$zip" | grep -v '/$' | sort | paste -sd' ')
  want="$top/Quillette-setup.exe $top/README.txt $top/x64/Pixnote.dll $top/x86/Pixnote.dll"
  if ls LICENSE* LICENCE* COPYING* >/dev/null 2>&1; then want="$top/LICENSE.txt $want"; fi
  expect "zip holds [$listing], expected [$want]" test "$listing" = "$want"
  unzip -p "$zip" "$top/README.txt" | tr -d '\r' >"$tmp/README.txt"
  for section in 'What it does' 'Install' 'Where the button is' 'Uninstall'; do
    expect "README.txt section '$section'" awk -v h="$section" '
      prev == h && /^-+$/ { inside = 1; next }
      inside && /^-+$/ { exit }
      inside && NF { words += NF }
      { prev = $0 }
      END { exit words < 10 }' "$tmp/README.txt"
  done
  expect "README.txt names the Insert menu and Menu Commands" grep -q 'Menu Commands' "$tmp/README.txt"
else
  failed=$((failed + 1)); echo "FAILED: scripts/release.sh --windows"
fi

echo "installer: $passed passed, $failed failed"
((failed == 0))
