"""The peer of bench_xlsx's BM_LoadChangeOneNoteSave: openpyxl loads the same
workbook, changes the same note (Sheet3!C101) and saves.

    /usr/bin/python3 bench/peer_openpyxl.py WORKBOOK [repetitions]

Prints {"first_ms", "warm_ms": <fastest repetition after three>, "repetitions"}
as JSON."""
import json
import os
import sys
import tempfile
import time

from openpyxl import load_workbook
from openpyxl.comments import Comment


def main():
    path = sys.argv[1]
    reps = int(sys.argv[2]) if len(sys.argv) > 2 else 4
    out = os.path.join(tempfile.mkdtemp(), "peer_out.xlsx")
    times = []
    for _ in range(reps):
        start = time.perf_counter()
        wb = load_workbook(path)
        wb.worksheets[2].cell(row=101, column=3).comment = Comment("Bench:\nchanged", "Bench")
        wb.save(out)
        times.append((time.perf_counter() - start) * 1000)
    os.remove(out)
    os.rmdir(os.path.dirname(out))
    warm = min(times[3:]) if len(times) > 3 else None
    print(json.dumps({"first_ms": times[0], "warm_ms": warm, "repetitions": reps}))


if __name__ == "__main__":
    main()
