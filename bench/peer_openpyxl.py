"""The peer of bench_xlsx's BM_LoadChangeOneNoteSave: openpyxl loads the same
2,048-note workbook, changes the same note (Sheet3!C101) and saves.

    /usr/bin/python3 bench/peer_openpyxl.py WORKBOOK [repetitions]

Prints {"ms": <fastest repetition>, "repetitions": n} as JSON."""
import json
import os
import sys
import tempfile
import time

from openpyxl import load_workbook
from openpyxl.comments import Comment


def main():
    path = sys.argv[1]
    reps = int(sys.argv[2]) if len(sys.argv) > 2 else 5
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
    print(json.dumps({"ms": min(times), "repetitions": reps}))


if __name__ == "__main__":
    main()
