#!/usr/bin/env python3
"""The Python package's costs, each against a peer measured in the same run:

1. brevix.png per barcode against the same work looped in C++ inside the extension (the
   binding's overhead: argument conversion, the Symbol object, the bytes object);
2. brevix.dask throughput on a LocalCluster of 1 and 2 worker processes against the same table
   rendered in one process without Dask.

Run with the package installed (see the README), e.g.
    /usr/bin/python3 bench/python_bench.py [--records 20000]
"""

import argparse
import os
import platform
import statistics
import tempfile
import time

import pandas as pd

import brevix
from brevix import _brevix


def cpu_model():
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return platform.processor() or "unknown"


def per_barcode(symbology, texts, rounds, pairs):
    """Median seconds per barcode of each side and the median of the paired ratios: short
    batches of each side alternate, so that both sides of a ratio ran under the same load."""

    def python_side():
        start = time.perf_counter()
        for _ in range(rounds):
            for t in texts:
                brevix.png(symbology, t)
        return time.perf_counter() - start

    def cpp_side():
        return _brevix._loop_png(symbology, texts, rounds)

    python_side(), cpp_side()  # fonts, buffers and the PNG compressor set up
    n = rounds * len(texts)
    py, cpp = [], []
    for _ in range(pairs):
        py.append(python_side() / n)
        cpp.append(cpp_side() / n)
    ratios = [p / c for p, c in zip(py, cpp)]
    return statistics.median(py), statistics.median(cpp), statistics.median(ratios)


def dask_throughput(records, workers_list, runs=3):
    """Records per second, the best of runs for each configuration."""
    from dask.distributed import Client, LocalCluster

    from brevix.dask import render_partition, render_table

    frame = pd.DataFrame({
        "output": [f"{i}.png" for i in range(records)],
        "symbology": ["csCode128"] * records,
        "text": [f"BREVIX-{i:08d}" for i in range(records)],
    })
    rows = []
    with tempfile.TemporaryDirectory() as tmp:
        def alone(k):
            start = time.perf_counter()
            render_partition(frame, os.path.join(tmp, f"alone{k}"), {})
            return records / (time.perf_counter() - start)

        render_partition(frame.head(100), os.path.join(tmp, "warm"), {})
        rows.append(("one process, no Dask", max(alone(k) for k in range(runs))))
        for workers in workers_list:
            with LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                              dashboard_address=None) as cluster, Client(cluster) as client:
                client.run(lambda: brevix.png("csCode128", "warm"))  # imports on every worker
                rates = []
                for k in range(runs):
                    start = time.perf_counter()
                    result = render_table(frame, os.path.join(tmp, f"w{workers}-{k}"),
                                          client=client, partitions=8 * workers)
                    rates.append(records / (time.perf_counter() - start))
                    assert result.written == records and result.refused.empty
                rows.append((f"LocalCluster, {workers} worker process(es)", max(rates)))
    return rows


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--records", type=int, default=20000, help="Dask table size")
    parser.add_argument("--rounds", type=int, default=10, help="rounds over the texts a batch")
    args = parser.parse_args()
    print(f"CPU: {cpu_model()}, {os.cpu_count()} logical processors; Python "
          f"{platform.python_version()}")
    texts = [f"BREVIX-{i:06d}" for i in range(100)]
    print("\nbrevix.png per barcode (encode + PNG, default options), medians of 21 paired batches:")
    print(f"{'symbology':<14}{'Python us':>11}{'C++ us':>9}{'Python/C++':>12}")
    cases = [("csCode128", texts), ("csCodeEAN13", [f"{400000000000 + i:012d}" for i in range(100)]),
             ("csCodePDF417", [f"Record {i}, Brevix from Python" for i in range(100)])]
    for symbology, case_texts in cases:
        py, cpp, ratio = per_barcode(symbology, case_texts, args.rounds, 21)
        print(f"{symbology:<14}{py * 1e6:>11.1f}{cpp * 1e6:>9.1f}{ratio:>12.2f}")
    print(f"\nbrevix.dask, {args.records} Code 128 PNG files written, best of 3:")
    rows = dask_throughput(args.records, [1, 2])
    base = rows[0][1]
    for name, rate in rows:
        print(f"  {name:<40}{rate:>9.0f} records/s  ({rate / base:.2f} x one process)")


if __name__ == "__main__":
    main()
