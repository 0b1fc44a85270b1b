"""Reads the results bench/run gathered and prints one table: each figure,
its linearity (time at the largest argument against the smallest, when they
are about 4x apart) and the goal it is held to.

    /usr/bin/python3 bench/table.py RESULTS_DIR

RESULTS_DIR holds <program>.json (Google Benchmark's JSON) and peers.json
(bench/peers.py; may be missing). A second table gives load + change one note
+ save on each workbook for our program, the peers and the floor, then the
pictures and the growth figures, each with its goal. Exits 1 when a measured
goal is missed."""
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
    ("bench_xlsx", r"BM_LoadChangeOneNoteSave", "", None, None),
]
PEER_NAMES = {"openpyxl": "openpyxl (Debian)", "exceljs": "ExcelJS 4.4.0", "floor": "floor_copy"}
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
        # CPU time: the machine is shared, and wall time there measures the
        # neighbours as much as the growth of our cost.
        ms = b["cpu_time"] * TO_MS.get(b.get("time_unit", "ns"), 1e-6)
        out.setdefault(family, []).append((int(arg) if arg.isdigit() else None, ms))
    return out


def goal_for(program, family):
    for prog, pattern, text, kind, limit in GOALS:
        if prog == program and re.fullmatch(pattern, family):
            return text, kind, limit
    return None


def print_table(head, rows):
    widths = [max(len(str(r[i])) for r in rows + [head]) for i in range(len(head))]
    line = lambda r: "  ".join(str(c).ljust(w) for c, w in zip(r, widths)).rstrip()
    print(line(head))
    print("  ".join("-" * w for w in widths))
    for r in rows:
        print(line(r))


def main():
    d = sys.argv[1]
    peers = load_json(os.path.join(d, "peers.json"))
    rows, failed = [], False
    seen_programs = set()
    for fname in sorted(os.listdir(d)):
        if not fname.startswith("bench_") or not fname.endswith(".json"):
            continue
        program = fname[:-5]
        results = load_json(os.path.join(d, fname))
        if results is None:
            rows.append((program, "(no results: the program failed)", "", "", "", ""))
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
            figures = ", ".join(("%s: %.3g ms" % (a, t)) if a else "%.3g ms" % t for a, t in runs)
            rows.append((program, family, figures, linear, text, verdict))
    for prog, _, text, kind, _ in GOALS:
        if prog not in seen_programs and kind:
            rows.append((prog, "(not built yet)", "", "", text, "-"))
    print_table(("program", "benchmark", "figures", "4N/N", "goal", ""), rows)
    if peers:
        print()
        failed |= peer_table(peers)
    else:
        print("\n(no peer figures: bench/peers.py did not run)")
        failed = True
    return 1 if failed else 0


def mb(kb):
    return "%.0f MB" % (kb / 1024) if kb >= 10240 else "%.1f MB" % (kb / 1024)


def peer_table(peers):
    """Prints the workbook, pictures and growth figures; returns whether a
    goal was missed."""
    rows, failed = [], False

    def verdict(ok):
        nonlocal failed
        failed |= not ok
        return "ok" if ok else "MISSED"

    for book, entry in peers["workbooks"].items():
        progs = entry["programs"]
        ours = progs["quillette"]
        xml = entry["xml_bytes"]
        label = "%s (%.1f MB XML)" % (book, xml / 2**20)
        growth = ours["growth_kb"] * 1024 / xml
        rows.append((label, "quillette", "%.0f ms" % ours["cold_ms"], "%.1f ms" % ours["warm_ms"],
                     mb(ours["peak_kb"]), "memory growth %.2fx XML" % growth, "<= 2x XML", verdict(growth <= 2)))
        for name in ("openpyxl", "exceljs"):
            p = progs.get(name)
            if not p:
                rows.append((label, PEER_NAMES[name], "", "", "", "(did not run)", ">= 10x cold", "?"))
                failed = True
                continue
            r = p["cold_ms"] / ours["cold_ms"]
            rows.append((label, PEER_NAMES[name], "%.0f ms" % p["cold_ms"], "%.1f ms" % p["warm_ms"], mb(p["peak_kb"]),
                         "ours %.1fx faster cold" % r, ">= 10x faster (cold)", verdict(r >= 10)))
            if name == "exceljs":
                w = p["warm_ms"] / ours["warm_ms"]
                rows.append((label, PEER_NAMES[name], "", "", "", "ours %.1fx faster warm" % w, ">= 3x faster (warm)",
                             verdict(w >= 3)))
        fl = progs["floor"]
        r = ours["warm_ms"] / fl["warm_ms"]
        rows.append((label, "%s (%d of %d parts changed)" % (PEER_NAMES["floor"], fl["changed_parts"], fl["parts"]),
                     "%.0f ms" % fl["cold_ms"], "%.1f ms" % fl["warm_ms"], mb(fl["peak_kb"]),
                     "ours %.1fx the floor (warm)" % r, "<= 2x the floor", verdict(r <= 2)))
    pic = peers.get("pictures")
    if pic:
        r = pic["ms"] / pic["cp_ms"]
        rows.append(("1,000 pictures (%.1f MB)" % (pic["bytes"] / 2**20), "quillette insert-image + save",
                     "%.0f ms" % pic["ms"], "", mb(pic["peak_kb"]), "%.1fx cp (%.0f ms)" % (r, pic["cp_ms"]),
                     "<= 3x cp", verdict(r <= 3)))
    for g in peers.get("growth", []):
        if "error" in g:
            rows.append(("growth: %s" % g["what"], "", "", "", "", g["error"], "4N/N <= 4.4", verdict(False)))
            continue
        t = g["ms"][1] / g["ms"][0]
        m = g["peak_kb"][1] / g["peak_kb"][0]
        rows.append(("growth: %s" % g["what"], "%d -> %d" % (g["n"], 4 * g["n"]),
                     "%.0f -> %.0f ms" % tuple(g["ms"]), "", "%s -> %s" % (mb(g["peak_kb"][0]), mb(g["peak_kb"][1])),
                     "4N/N time %.2f, memory %.2f" % (t, m), "4N/N <= 4.4", verdict(t <= 4.4 and m <= 4.4)))
    print_table(("workbook / job", "program", "cold", "warm", "peak memory", "figure", "goal", ""), rows)
    return failed


if __name__ == "__main__":
    sys.exit(main())
