#!/usr/bin/env bash
# check-imports.sh <objdump> <dll>: fails, naming each one, on any function the
# DLL imports that xp-imports.txt does not list with a reason.
set -uo pipefail
objdump=$1 dll=$2
list=$(dirname "$0")/xp-imports.txt
dump=$("$objdump" -p "$dll") || { echo "objdump failed on $dll"; exit 1; }
# Entries without a reason do not count.
allowed=$(grep -v '^#' "$list" | awk 'NF >= 3 {print toupper($1) " " $2}' | sort -u)
imports=$(awk '/DLL Name:/ {dll = toupper($3); next}
               /^$/ {dll = ""}
               dll && /^\t[0-9a-f]+\t? +[0-9]+ +[A-Za-z_]/ {print dll " " $NF}
               dll && /^\t[0-9a-f]+\t? +<none> +[0-9a-f]+/ {print dll " ordinal-" $NF}' <<<"$dump" | sort -u)
[[ -n $imports ]] || { echo "$dll: no imports found (has objdump's format changed?)"; exit 1; }
extra=$(comm -23 <(printf '%s\n' "$imports") <(printf '%s\n' "$allowed"))
if [[ -n $extra ]]; then
  echo "$dll imports functions not known to exist on Windows XP (see $list):"
  printf '  %s\n' $extra | paste -d' ' - -
  exit 1
fi
