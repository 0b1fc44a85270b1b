#!/usr/bin/env bash
# Builds the release archives into build/dist (or $OUT):
#   Quillette-<version>-windows.zip          the installer, both DLLs,
#                                            README.txt for Excel users, the licence
#   quillette-<version>-linux-<arch>.tar.gz  the quillette command-line tool
# With --windows only the zip is made.
#
# Environment: JOBS (build parallelism, default 2), OUT (output folder).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-2}
windows_only=0
[[ ${1:-} == --windows ]] && windows_only=1
version=$(sed -n 's/^project(Quillette VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
out=${OUT:-build/dist}
mkdir -p "$out"
out=$(cd "$out" && pwd)

build() {  # build <preset> <target>
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -j "$jobs" --target "$2" >/dev/null
}

# The licence goes into both archives; there is none to ship when the
# repository has no licence file.
licence=$(find . -maxdepth 1 -type f \( -iname 'LICENSE*' -o -iname 'LICENCE*' -o -iname 'COPYING*' \) | sort | head -1)
[[ -n $licence ]] || echo "warning: the repository has no licence file; the archives go out without one" >&2

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

# --- Windows ------------------------------------------------------------------
build mingw-i686 Pixnote
build mingw-x86_64 installer
win=$stage/Quillette-$version
mkdir -p "$win/x86" "$win/x64"
cp build/mingw-x86_64/installer/Quillette-setup.exe "$win/"
cp build/mingw-i686/src/platform/win32/Pixnote.dll "$win/x86/"
cp build/mingw-x86_64/src/platform/win32/Pixnote.dll "$win/x64/"
# Notepad before Windows 10 shows LF-only text as one line.
sed 's/$/\r/' installer/README.txt >"$win/README.txt"
[[ -z $licence ]] || sed 's/$/\r/' "$licence" >"$win/LICENSE.txt"
zip=$out/Quillette-$version-windows.zip
rm -f "$zip"
(cd "$stage" && zip -q -X -r "$zip" "Quillette-$version")
echo "$zip"
((windows_only)) && exit 0

# --- Linux command-line tool ----------------------------------------------------
build release quillette
arch=$(uname -m)
cli=$stage/quillette-$version-linux-$arch
mkdir -p "$cli"
cp build/release/src/cli/quillette "$cli/"
cp README.md "$cli/"
# The tool links the system's libzip and pugixml.
cat >"$cli/INSTALL.txt" <<EOF
quillette $version for Linux ($arch), built on Debian 12.

It needs the shared libraries of libzip and pugixml; on Debian 12 and its
derivatives:

    sudo apt-get install libzip4 libpugixml1v5

Then run ./quillette --help, or ./quillette demo to make demo.xlsx.
README.md describes the commands.
EOF
[[ -z $licence ]] || cp "$licence" "$cli/"
tarball=$out/quillette-$version-linux-$arch.tar.gz
(cd "$stage" && tar --owner=0 --group=0 --sort=name -czf "$tarball" "$(basename "$cli")")
echo "$tarball"
