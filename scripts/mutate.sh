#!/usr/bin/env bash
# Mutation run: a fixed, seeded sample of small faults put into the core and
# the xlsx code one at a time, each built incrementally and tried against the
# native test programs that link the changed library. Prints the share of
# mutants the tests kill. Mutants that do not compile are left out of the
# count. Not part of CI: a run takes about half an hour to forty minutes on
# an idle machine.
#
#   scripts/mutate.sh [--seed N] [--count N] [--timeout SECONDS] [--list]
#
# It edits the sources of the tree it runs in (each file is put back after its
# mutant, also on Ctrl-C), so run it in a tree of its own while you work:
#   git worktree add /tmp/mut HEAD && /tmp/mut/scripts/mutate.sh
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
seed=1 count=60 timeout=120 list_only=0
while (($#)); do
  case $1 in
    --seed) seed=$2; shift 2 ;;
    --count) count=$2; shift 2 ;;
    --timeout) timeout=$2; shift 2 ;;
    --list) list_only=1; shift ;;
    *) echo "usage: $0 [--seed N] [--count N] [--timeout SECONDS] [--list]" >&2; exit 2 ;;
  esac
done

build=$root/build/mutate
# The interoperability checks start LibreOffice and Python for each run; they
# watch what other programs make of a file, not the faults sown here.
filter=${MUTATE_GTEST_FILTER:--Readers.*:CliEndToEnd.*}
dirs=(src/ports src/host src/dialog src/images src/commenttext src/removal src/platform/xlsx)
plan=$(mktemp) || exit 1
trap 'rm -f "$plan"' EXIT

# The sample: every place one of the operators below applies, listed in a
# fixed order, then drawn with the seed. Comment lines, includes and
# preprocessor lines are never mutated.
python3 - "$seed" "$count" "${dirs[@]}" >"$plan" <<'EOF'
import pathlib, random, re, sys
seed, count, dirs = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3:]
ops = [
    ("flip", re.compile(r" == "), " != "),
    ("flip", re.compile(r" != "), " == "),
    ("flip", re.compile(r" <= "), " < "),
    ("flip", re.compile(r" >= "), " > "),
    ("flip", re.compile(r" < "), " <= "),
    ("flip", re.compile(r" > "), " >= "),
    ("flip", re.compile(r" && "), " || "),
    ("flip", re.compile(r" \|\| "), " && "),
    ("off-by-one", re.compile(r" \+ 1\b"), " + 2"),
    ("off-by-one", re.compile(r" - 1\b"), " - 2"),
    ("off-by-one", re.compile(r"\+\+(\w+)"), r"\1"),
    ("constant", re.compile(r"\btrue\b"), "false"),
    ("constant", re.compile(r"\bfalse\b"), "true"),
    ("constant", re.compile(r"(?<![\w.])([2-9]|[1-9]\d+)(?![\w.'x])"), None),
]
sites = []
for d in dirs:
    for path in sorted(pathlib.Path(d).glob("*.cpp")):
        lines = path.read_text(encoding="utf-8").split("\n")
        for no, line in enumerate(lines, 1):
            code = line.strip()
            if not code or code.startswith(("//", "#", "*", "/*")) or "static_assert" in code:
                continue
            body = line.split("//")[0]
            for kind, rx, repl in ops:
                for m in rx.finditer(body):
                    if repl is None:
                        new = str(int(m.group(1)) + 1)
                        mutated = body[:m.start(1)] + new + body[m.end(1):]
                    else:
                        mutated = body[:m.start()] + m.expand(repl) + body[m.end():]
                    sites.append((str(path), no, kind, mutated + line[len(body):]))
            # A statement on a line of its own that calls something.
            prev = lines[no - 2].split("//")[0].rstrip() if no > 1 else ""
            if (not prev or prev.endswith((";", "{", "}"))) and re.fullmatch(r"\s*[\w:.>\-\[\]()*&, \"]+\([^;]*\);\s*", body) and not re.match(
                    r"\s*(return|throw|const|auto|std::|if|for|while|else)\b", body) and "=" not in body:
                sites.append((str(path), no, "dropped", re.match(r"\s*", body).group(0) + ";"))
random.Random(seed).shuffle(sites)
for path, no, kind, text in sites[:count]:
    print(f"{path}\t{no}\t{kind}\t{text}")
EOF

if ((list_only)); then cat "$plan"; exit 0; fi

export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUILL_WERROR=OFF -DQUILL_BENCH=OFF >/dev/null || exit 1
echo "baseline build..."
cmake --build "$build" -j "${JOBS:-1}" >/dev/null || { echo "the unmutated tree does not build" >&2; exit 1; }
mapfile -t programs < <(find "$build/tests" -maxdepth 1 -type f -name 'test_*' -perm -u+x | sort)
for p in "${programs[@]}"; do
  "$p" --gtest_brief=1 --gtest_filter="$filter" >/dev/null 2>&1 || { echo "the unmutated tree fails $(basename "$p")" >&2; exit 1; }
done

killed=0 survived=0 left_out=0 n=0
restore() { [[ -n ${saved:-} ]] && cp "$saved" "$file" && rm -f "$saved"; saved=; }
trap 'restore; rm -f "$plan"; exit 130' INT TERM
while IFS=$'\t' read -r file line kind text; do
  ((++n))
  saved=$(mktemp); cp "$file" "$saved"
  MUT_LINE=$line MUT_TEXT=$text python3 -c '
import os, sys
p = sys.argv[1]; lines = open(p, encoding="utf-8").read().split("\n")
lines[int(os.environ["MUT_LINE"]) - 1] = os.environ["MUT_TEXT"]
open(p, "w", encoding="utf-8").write("\n".join(lines))' "$file"
  stamp=$(mktemp)
  sleep 0.01
  if ! timeout 600 cmake --build "$build" -j "${JOBS:-1}" >/dev/null 2>&1; then
    ((++left_out)); verdict="left out (does not compile)"
  else
    verdict=survived
    for p in "${programs[@]}"; do
      [[ $p -nt $stamp ]] || continue  # not relinked: it does not use the changed code
      if ! timeout "$timeout" "$p" --gtest_brief=1 --gtest_filter="$filter" >/dev/null 2>&1; then verdict="killed by $(basename "$p")"; break; fi
    done
    if [[ $verdict == survived ]]; then ((++survived)); else ((++killed)); fi
  fi
  rm -f "$stamp"
  restore
  printf '%3d %-9s %s:%s  %s\n' "$n" "$kind" "$file" "$line" "$verdict"
  [[ $verdict == survived ]] && printf '      %s\n' "$(sed 's/^[[:space:]]*//' <<<"$text")"
done <"$plan"
# Leave the build matching the sources again.
cmake --build "$build" -j "${JOBS:-1}" >/dev/null 2>&1

total=$((killed + survived))
echo
echo "seed $seed: $total mutants compiled ($left_out left out), $killed killed, $survived survived"
((total)) && awk -v k="$killed" -v t="$total" 'BEGIN { printf "killed share: %.1f%%\n", 100 * k / t }'
