"""brevix.dask: a table of a few thousand records on a LocalCluster of two worker processes gives
the files one process gives, and the refused records with their reasons."""

import filecmp
import os

import pandas as pd
import pytest

pytest.importorskip("dask.dataframe")
distributed = pytest.importorskip("distributed")

from brevix.dask import render_table  # noqa: E402

RECORDS = 3000
KINDS = ["png", "svg", "gif", "pdf"]


def make_table(path):
    rows = []
    for i in range(RECORDS):
        kind = KINDS[i % len(KINDS)]
        if i % 3 == 0:
            rows.append((f"ean/{i}.{kind}", "EAN 13", f"{400000000000 + i:012d}", ""))
        elif i % 3 == 1:
            rows.append((f"c128/{i}.{kind}", "csCode128", f"Brevix {i}", "module=1;angle=90"))
        else:
            rows.append((f"pdf/{i}.{kind}", "PDF417", f"Record {i}, on a cluster",
                         "pdf417-level=2 transparent"))
    # Refused: a wrong check digit (strict), a letter in Code 39's lower case, an unknown option.
    rows += [("bad/1.png", "EAN 13", "9771210107002", ""),
             ("bad/2.png", "Code 39", "abc", ""),
             ("bad/3.png", "Code 128", "x", "colour=red")]
    frame = pd.DataFrame(rows, columns=["output", "symbology", "text", "options"])
    frame.to_csv(path, index=False)
    return frame


def test_cluster_writes_what_one_process_writes(tmp_path):
    table = tmp_path / "records.csv"
    make_table(table)
    single = tmp_path / "single"
    import dask

    with dask.config.set(scheduler="synchronous"):
        alone = render_table(table, single)
    cluster_dir = tmp_path / "cluster"
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster, \
            distributed.Client(cluster) as client:
        spread = render_table(table, cluster_dir, client=client, partitions=4)
    assert alone.written == spread.written == RECORDS
    assert list(spread.refused["output"]) == ["bad/1.png", "bad/2.png", "bad/3.png"]
    assert list(spread.refused["code"]) == ["text", "text", "option"]
    assert list(spread.refused["position"]) == [13, 1, 0]
    names = sorted(os.path.relpath(os.path.join(d, f), single)
                   for d, _, fs in os.walk(single) for f in fs)
    assert len(names) == RECORDS
    match, mismatch, errors = filecmp.cmpfiles(single, cluster_dir, names, shallow=False)
    assert (len(match), mismatch, errors) == (RECORDS, [], [])


def test_bytes_column_from_a_pandas_frame(tmp_path):
    frame = make_table(tmp_path / "records.csv").head(40)
    import dask

    with dask.config.set(scheduler="synchronous"):
        result = render_table(frame, format="png", module=3)
    assert result.written == 40 and result.refused.empty
    import brevix

    first = result.frame.iloc[0]
    assert first["data"] == brevix.to_bytes("EAN 13", first["text"], format="png", module=3)
