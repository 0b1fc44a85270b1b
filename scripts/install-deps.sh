#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the Windows
# cross-build need; only what is missing, so a second run is quick.
#
#   scripts/install-deps.sh           install what is missing
#   scripts/install-deps.sh --check   fail, naming the program, when the build or
#                                     the tests call a program (or a Python module)
#                                     that no package of this list provides
set -euo pipefail
cd "$(dirname "$0")/.."
packages=(
  g++ cmake ninja-build pkg-config git
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libzip-dev libpugixml-dev libstb-dev libcli11-dev
  clang-14 libclang-rt-14-dev
  g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 mingw-w64-tools binutils-mingw-w64
  wine wine64 wine64-tools libwine-dev xvfb xauth nsis
  python3 python3-openpyxl libreoffice-calc-nogui
  zip unzip poppler-utils
  nodejs npm
)
if [[ ${1:-} == --check ]]; then
  exec /usr/bin/python3 scripts/check-deps.py "${packages[@]}"
fi
# A package counts as present when an installed package provides it: a
# nodejs from another archive than Debian's (nodesource) carries npm itself and
# conflicts with Debian's npm package.
provided=" $(dpkg-query -W -f='${Status}|${Provides}\n' 2>/dev/null | sed -n 's/^install ok installed|//p' |
             tr ',' '\n' | sed 's/ *(.*//; s/^ *//' | tr '\n' ' ') "
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || [[ $provided == *" $p "* ]] ||
    missing+=("$p")
done
if ((${#missing[@]})); then
  SUDO=""
  [[ $(id -u) -eq 0 ]] || SUDO="sudo"
  echo "installing: ${missing[*]}" >&2
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
