"""Runs load + change one note + save on each benchmark workbook with our
program, the peers (openpyxl, ExcelJS) and the floor program, each in new
processes; then 1,000 pictures into notes against cp, and the growth table.
Writes the figures as JSON for table.py.

    /usr/bin/python3 bench/peers.py BUILD_DIR RESULTS_DIR

Cold: a new process doing the job once, wall clock, median of three.
Warm: the fastest run after three in one process. Memory: the process's peak
resident set (os.wait4), and for our program also its growth over the XML."""
import glob
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


def run(cmd, env=None):
    """(wall ms, peak RSS kB, stdout) of one new process."""
    start = time.perf_counter()
    p = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env)
    out, err = p.communicate()
    ms = (time.perf_counter() - start) * 1000
    if p.returncode != 0:
        raise RuntimeError("%s failed: %s" % (cmd[0], err.decode(errors="replace")[-400:]))
    return ms, out.decode()


def run_rss(cmd, env=None):
    """(wall ms, peak RSS kB) of one new process, its output discarded."""
    start = time.perf_counter()
    pid = os.fork()
    if pid == 0:
        try:
            fd = os.open(os.devnull, os.O_WRONLY)
            os.dup2(fd, 1)
            os.dup2(fd, 2)
            os.execvpe(cmd[0], cmd, env or os.environ)
        finally:
            os._exit(127)
    _, status, usage = os.wait4(pid, 0)
    ms = (time.perf_counter() - start) * 1000
    if os.waitstatus_to_exitcode(status) != 0:
        raise RuntimeError("%s failed" % cmd[0])
    return ms, usage.ru_maxrss


def cold(cmd, env=None, times=3):
    samples = [run_rss(cmd, env) for _ in range(times)]
    return statistics.median(s[0] for s in samples), max(s[1] for s in samples)


def main():
    build, out = sys.argv[1], sys.argv[2]
    bench = os.path.join(build, "bench", "bench_xlsx")
    floor = os.path.join(build, "bench", "floor_copy")
    cli = os.path.join(build, "src", "cli", "quillette")
    node_path = os.path.join(build, "peers", "node_modules")
    here = os.path.dirname(os.path.abspath(__file__))
    tmp = tempfile.mkdtemp(prefix="quill-bench-")
    result = {"workbooks": {}, "pictures": None, "growth": []}
    have_openpyxl = subprocess.run(["/usr/bin/python3", "-c", "import openpyxl"], capture_output=True).returncode == 0
    have_exceljs = shutil.which("node") and os.path.isdir(os.path.join(node_path, "exceljs"))
    node_env = dict(os.environ, NODE_PATH=node_path)
    try:
        # What the program holds before it loads anything: its peak when it
        # writes no picture.
        _, baseline_kb = cold([bench, "--write-pictures=" + os.path.join(tmp, "none"), "--count=0"])
        books = {"notes-2048": ["--write-fixture="], "large": ["--write-large="]}
        for name, how in books.items():
            path = os.path.join(tmp, name + ".xlsx")
            subprocess.run([bench, how[0] + path], check=True)
            edited = os.path.join(tmp, name + "-edited.xlsx")
            # Fastest of five after three, as the floor takes the fastest of five.
            _, text = run([bench, "--edit=" + path, "--out=" + edited, "--runs=8"])
            ours = json.loads(text)
            entry = {"xml_bytes": ours["xml_bytes"], "file_bytes": os.path.getsize(path), "programs": {}}
            ms, kb = cold([bench, "--edit=" + path])
            entry["programs"]["quillette"] = {"cold_ms": ms, "warm_ms": ours["warm_ms"], "peak_kb": kb,
                                              "growth_kb": kb - baseline_kb}
            ms, kb = cold([floor, path, edited, "1"])
            _, text = run([floor, path, edited, "5"])
            fl = json.loads(text)
            entry["programs"]["floor"] = {"cold_ms": ms, "warm_ms": fl["ms"], "peak_kb": kb,
                                          "changed_parts": fl["changed"], "parts": fl["parts"]}
            if have_openpyxl:
                print("running openpyxl on %s" % name, file=sys.stderr)
                script = os.path.join(here, "peer_openpyxl.py")
                ms, kb = cold(["/usr/bin/python3", script, path, "1"])
                _, text = run(["/usr/bin/python3", script, path, "4"])
                entry["programs"]["openpyxl"] = {"cold_ms": ms, "warm_ms": json.loads(text)["warm_ms"], "peak_kb": kb}
            if have_exceljs:
                print("running ExcelJS on %s" % name, file=sys.stderr)
                script = os.path.join(here, "peer_exceljs.js")
                ms, kb = cold(["node", script, path, "1"], node_env)
                _, text = run(["node", script, path, "4"], node_env)
                entry["programs"]["exceljs"] = {"cold_ms": ms, "warm_ms": json.loads(text)["warm_ms"], "peak_kb": kb}
            result["workbooks"][name] = entry

        # 1,000 pictures into 1,000 new notes of an empty sheet, and save,
        # against copying the same files.
        pics = os.path.join(tmp, "pictures")
        subprocess.run([bench, "--write-pictures=" + pics, "--count=1000"], check=True)
        files = sorted(glob.glob(os.path.join(pics, "*.png")))
        empty = os.path.join(tmp, "empty.xlsx")
        subprocess.run([bench, "--write-book=" + empty, "--notes=0"], check=True)

        def insert(n):
            return cold([cli, "insert-image", empty, "--cells", "A1:A%d" % n, *files[:n], "-o",
                         os.path.join(tmp, "pictures-%d.xlsx" % n)])

        def copy(n):
            dest = os.path.join(tmp, "copied")
            shutil.rmtree(dest, ignore_errors=True)
            os.makedirs(dest)
            return cold(["cp", *files[:n], dest])

        ms, kb = insert(1000)
        cp_ms, _ = copy(1000)
        result["pictures"] = {"ms": ms, "peak_kb": kb, "cp_ms": cp_ms,
                              "bytes": sum(os.path.getsize(f) for f in files[:1000])}

        # Growth: each quantity at N and 4N, everything else as in the
        # 2,048-note workbook's sheets.
        def book(tag, **shape):
            path = os.path.join(tmp, "growth-%s.xlsx" % tag)
            subprocess.run([bench, "--write-book=" + path] + ["--%s=%d" % kv for kv in shape.items()], check=True)
            return cold([bench, "--edit=" + path])

        for what, n, make in (
                ("notes per sheet", 512, lambda k: book("notes%d" % k, notes=k)),
                ("note length (characters)", 2000, lambda k: book("length%d" % k, length=k)),
                ("sheet size (cells)", 50000, lambda k: book("cells%d" % k, notes=16, cells=k)),
                ("pictures per run", 250, insert)):
            try:
                (t1, m1), (t4, m4) = make(n), make(4 * n)
                result["growth"].append({"what": what, "n": n, "ms": [t1, t4], "peak_kb": [m1, m4]})
            except RuntimeError as e:
                result["growth"].append({"what": what, "n": n, "error": str(e)})
    finally:
        shutil.rmtree(tmp, ignore_errors=True)
    with open(os.path.join(out, "peers.json"), "w") as f:
        json.dump(result, f, indent=1)


if __name__ == "__main__":
    main()
