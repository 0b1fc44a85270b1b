#!/usr/bin/env bash
# Builds the fuzz preset, replays every committed corpus, then fuzzes each
# target for a bounded time and prints the executions each reached.
#
#   fuzz/run.sh [seconds per target, default 60] [target ...]
#   fuzz/run.sh --long [seconds per target] [target ...]
#                           each target until it has run a million inputs (or
#                           for the seconds given); the grown corpus, merged
#                           down to the inputs that add coverage, replaces
#                           fuzz/corpus/<target>
#   fuzz/run.sh --seeds     regenerate fuzz/corpus/ from our own writer and test files
#
# Findings land in build/fuzz/findings/; in a bounded run the corpus grown
# while fuzzing stays in build/fuzz/grown/ and the committed seeds stay small.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-2}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
bin=build/fuzz/fuzz

if [[ ${1:-} == --seeds ]]; then
  rm -rf fuzz/corpus
  "$bin/make_seeds" fuzz/corpus
  for f in tests/platform/xlsx/golden/*; do
    case $f in
      *comments*.xml) cp "$f" fuzz/corpus/fuzz_comments/ ;;
      *.vml) cp "$f" fuzz/corpus/fuzz_vml/ ;;
    esac
  done
  mkdir -p fuzz/corpus/fuzz_cells
  i=0
  for a in B3 '$B$3' B2:C5 C5:B2 'B2:B5,D2' a1 XFD1048576 '$A$1:$XFD$1048576' 'A1,B2,C3:D4,$E$5' ZZZZ1 A0 A99999999 'A1:' ',A1' 'b$2'; do
    printf '%s' "$a" >"fuzz/corpus/fuzz_cells/$((i++))"
  done
  exit 0
fi

long=0
if [[ ${1:-} == --long ]]; then
  long=1
  shift
fi
if ((long)); then
  seconds=${1:-0}  # 0: no time limit, only the million runs
  [[ ${1:-} =~ ^[0-9]+$ ]] && shift
  limit=(-runs=1000000)
  ((seconds > 0)) && limit+=(-max_total_time="$seconds")
else
  seconds=${1:-60}
  shift || true
  limit=(-max_total_time="$seconds")
fi
targets=("$@")
((${#targets[@]})) || targets=($(cd "$bin" && ls fuzz_*))

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p build/fuzz/findings build/fuzz/logs
rm -f build/fuzz/summary.txt
status=0
summary=()
for t in "${targets[@]}"; do
  seeds=fuzz/corpus/$t
  grown=build/fuzz/grown/$t
  log=build/fuzz/logs/$t.log
  mkdir -p "$grown"
  dict=()
  [[ $t == fuzz_comments || $t == fuzz_vml || $t == fuzz_xlsx_parts ]] && dict=(-dict=fuzz/xml.dict)
  echo "=== $t: replaying $seeds"
  if ! "$bin/$t" -runs=0 -timeout=10 "$seeds" >"$log" 2>&1; then
    tail -30 "$log"; status=1; summary+=("$t: replay FAILED"); continue
  fi
  echo "=== $t: fuzzing (${limit[*]})"
  start=$SECONDS
  if "$bin/$t" "${dict[@]}" "${limit[@]}" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048 \
       -artifact_prefix="build/fuzz/findings/$t-" "$grown" "$seeds" >"$log" 2>&1; then
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    took=$((SECONDS - start))
    if ((long)); then
      merged=build/fuzz/merged/$t
      rm -rf "$merged" && mkdir -p "$merged"
      "$bin/$t" -merge=1 -timeout=10 "$merged" "$seeds" "$grown" >>"$log" 2>&1 &&
        rm -rf "$seeds" && mv "$merged" "$seeds"
    fi
    summary+=("$t: ${execs:-?} executions in ${took}s, corpus $(ls "$grown" | wc -l) grown, $(ls "$seeds" | wc -l) kept")
  else
    tail -40 "$log"; status=1
    # CI keeps only the tail of its log, so a finding is summarised in one
    # line and small inputs travel with it, enough to replay it elsewhere.
    what=$(grep -m1 -E '^SUMMARY:|ERROR: libFuzzer' "$log" || echo "exit without a summary")
    summary+=("$t: FINDING: $what")
    for f in build/fuzz/findings/"$t"-*; do
      [[ -f $f ]] || continue
      if (( $(stat -c %s "$f") <= 4096 )); then
        summary+=("$t: input $(basename "$f") base64 $(base64 -w0 "$f")")
      else
        summary+=("$t: input $(basename "$f") is $(stat -c %s "$f") bytes")
      fi
    done
  fi
done
echo
printf '%s\n' "${summary[@]}" | tee build/fuzz/summary.txt
exit $status
