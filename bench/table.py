"""Reads the results bench/run gathered and prints one table: each figure,
its linearity (time at the largest argument against the smallest, when they
are about 4x apart), its ratio to the peer, and the goal it is held to.

    /usr/bin/python3 bench/table.py RESULTS_DIR

RESULTS_DIR holds <program>.json (Google Benchmark's JSON), peer.json and
memory.json (either may be missing). Exits 1 when a measured goal is missed."""
import json
import os
import re
import sys

# program, benchmark name (regex), goal text, kind, limit
GOALS = [
    ("bench_rich_text", r"BM_SelectAndReadEachPosition", "rich-text walk ratio <= 4.4", "linear", 4.4),
    ("bench_memory_comment", r"BM_(Write|Read)SevenAttributes", "comment formatting ratio <= 4.4", "linear", 4.4),
    ("bench_insert_fmt_text", r"BM_InsertFmtText", "comment formatting ratio <= 4.4", "linear", 4.4),
    ("bench_insert_image", r"BM_InsertImage", "insert-image per-cell ratio <= 4.4", "linear", 4.4),
    ("bench_xlsx", r"BM_LoadChangeOneNoteSave", "xlsx load+change+save >= 10x faster than openpyxl", "peer", 10.0),
]
TO_MS = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}


def load_json(path):
    try:
        with open(path) as f:
            return json.load(f)
    except (OSError, ValueError):
        return None


def families(results):
    """{family: [(arg, ms)]} from Google Benchmark JSON; aggregates skipped."""
    out = {}
    for b in results.get("benchmarks", []):
        if b.get("run_type") == "aggregate":
            continue
        name = b.get("run_name", b["name"])
        family, _, arg = name.partition("/")
        ms = b["real_time"] * TO_MS.get(b.get("time_unit", "ns"), 1e-6)
        out.setdefault(family, []).append((int(arg) if arg.isdigit() else None, ms))
    return out


def goal_for(program, family):
    for prog, pattern, text, kind, limit in GOALS:
        if prog == program and re.fullmatch(pattern, family):
            return text, kind, limit
    return None


def main():
    d = sys.argv[1]
    peer = load_json(os.path.join(d, "peer.json"))
    memory = load_json(os.path.join(d, "memory.json"))
    rows, failed = [], False
    seen_programs = set()
    for fname in sorted(os.listdir(d)):
        if not fname.startswith("bench_") or not fname.endswith(".json"):
            continue
        program = fname[:-5]
        results = load_json(os.path.join(d, fname))
        if results is None:
            rows.append((program, "(no results: the program failed)", "", "", "", "", ""))
            failed = True
            continue
        seen_programs.add(program)
        for family, runs in families(results).items():
            goal = goal_for(program, family)
            text, kind, limit = goal if goal else ("", None, None)
            runs.sort(key=lambda r: (r[0] is None, r[0]))
            linear = ""
            verdict = ""
            with_args = [r for r in runs if r[0]]
            if len(with_args) >= 2:
                (n, t_n), (m, t_m) = with_args[0], with_args[-1]
                ratio = t_m / t_n
                linear = "%.2f (%d vs %d)" % (ratio, m, n) if abs(m / n - 4) > 0.01 else "%.2f" % ratio
                if kind == "linear":
                    ok = ratio <= limit
                    verdict = "ok" if ok else "MISSED"
                    failed |= not ok
            peer_ratio = ""
            if kind == "peer" and peer:
                ratio = peer["ms"] / runs[0][1]
                peer_ratio = "%.1fx (openpyxl %.0f ms)" % (ratio, peer["ms"])
                ok = ratio >= limit
                verdict = "ok" if ok else "MISSED"
                failed |= not ok
            elif kind == "peer":
                peer_ratio, verdict = "(peer did not run)", "?"
            figures = ", ".join(("%s: %.3g ms" % (a, t)) if a else "%.3g ms" % t for a, t in runs)
            rows.append((program, family, figures, linear, peer_ratio, text, verdict))
    if memory:
        ratio = (memory["rss_peak_kb"] - memory["rss_before_kb"]) * 1024 / memory["xml_bytes"]
        ok = ratio <= 3
        failed |= not ok
        rows.append(("bench_xlsx", "peak memory of load+change+save",
                     "%.1f MB over %.1f MB XML (process peak %.1f MB)" % (
                         (memory["rss_peak_kb"] - memory["rss_before_kb"]) / 1024, memory["xml_bytes"] / 2**20,
                         memory["rss_peak_kb"] / 1024),
                     "", "%.2fx XML" % ratio, "peak memory <= 3x uncompressed XML", "ok" if ok else "MISSED"))
    for prog, _, text, _, _ in GOALS:
        if prog not in seen_programs:
            rows.append((prog, "(not built yet)", "", "", "", text, "-"))
    head = ("program", "benchmark", "figures", "4N/N", "vs peer", "goal", "")
    widths = [max(len(str(r[i])) for r in rows + [head]) for i in range(len(head))]
    line = lambda r: "  ".join(str(c).ljust(w) for c, w in zip(r, widths)).rstrip()
    print(line(head))
    print("  ".join("-" * w for w in widths))
    for r in rows:
        print(line(r))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
