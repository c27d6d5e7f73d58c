"""Batches of barcodes on a Dask cluster: a table of records rendered partition by partition,
each partition writing its files to a target directory (local, or storage every worker shares),
or returning the bytes as a column; refused records are collected with their reasons.

    >>> from dask.distributed import Client
    >>> from brevix.dask import render_table
    >>> client = Client("tcp://scheduler:8786")          # or Client(LocalCluster(...))
    >>> result = render_table("labels.csv", "/shared/labels")
    >>> result.written, len(result.refused)

A record has the columns ``output`` (a file name, relative to the target directory; its
extension picks the format), ``symbology``, ``text`` and, optionally, ``options``: drawing and
encoding options as ``name=value`` pairs separated by ``;`` or spaces (``module=3;angle=90``),
with the keyword names of brevix.png (dashes may stand for underscores). Options given to
render_table apply to every record; a record's own override them.

Records run where Dask puts them: the same record gives the same file on any worker.
"""

from __future__ import annotations

import os
from dataclasses import dataclass, field
from pathlib import Path
from typing import Any, Optional, Union

import pandas as pd

import brevix

COLUMNS = ("output", "symbology", "text", "options")
# The result of every record: its output name, whether it was made, and why not.
_RESULT_META = {"output": "object", "symbology": "object", "text": "object", "ok": "bool", "code": "object", "error": "object",
                "position": "int64"}

_BOOL_WORDS = {"yes": True, "true": True, "1": True, "": True, "no": False, "false": False,
               "0": False}
_INT_OPTIONS = {"module", "dpi", "margin", "height_modules", "angle", "codepage", "pdf417_level",
                "pdf417_columns", "pdf417_rows"}
_FLOAT_OPTIONS = {"xdim_mm", "height_mm"}
_BOOL_OPTIONS = {"quiet_zones", "show_text", "transparent", "complete", "pdf417_truncated"}
_STR_OPTIONS = {"foreground", "background", "pdf417_mode"}


@dataclass
class BatchResult:
    """What a batch made: the count of records written (or rendered), the refused records with
    their reasons (columns output, symbology, text, code, error, position), and, when bytes
    were asked for, every record's bytes (column ``data``, None where refused)."""

    written: int
    refused: pd.DataFrame
    frame: Optional[pd.DataFrame] = field(default=None, repr=False)


def parse_options(text: str) -> dict[str, Any]:
    """``"module=3;angle=90 transparent"`` as keyword arguments of brevix.png."""
    options: dict[str, Any] = {}
    for item in str(text).replace(";", " ").split():
        name, _, value = item.partition("=")
        name = name.strip().replace("-", "_")
        if name in _INT_OPTIONS:
            options[name] = int(value)
        elif name in _FLOAT_OPTIONS:
            options[name] = float(value)
        elif name in _BOOL_OPTIONS:
            if value.lower() not in _BOOL_WORDS:
                raise brevix.BarcodeError(f"option {name}: yes or no, not {value!r}",
                                          code="option")
            options[name] = _BOOL_WORDS[value.lower()]
        elif name in _STR_OPTIONS:
            options[name] = value
        else:
            raise brevix.BarcodeError(f"unknown option {name!r}", code="option")
    return options


def render_partition(frame: pd.DataFrame, out_dir: Optional[str], defaults: dict[str, Any],
                     format: Optional[str] = None) -> pd.DataFrame:
    """Renders the records of one partition. With out_dir, writes each record's file there and
    returns one result row per record; without it, adds the file's bytes as column ``data``
    (format: the output name's extension, else ``format``)."""
    outputs, oks, codes, errors, positions, data = [], [], [], [], [], []
    has_options = "options" in frame.columns
    made_dirs: set[str] = set()
    for row in frame.itertuples(index=False):
        output = str(getattr(row, "output", "") or "")
        blob = None
        try:
            options = dict(defaults)
            if has_options and isinstance(row.options, str) and row.options.strip():
                options.update(parse_options(row.options))
            if out_dir is not None:
                if not output:
                    raise brevix.BarcodeError("the record names no output file", code="option")
                path = os.path.join(out_dir, output)
                parent = os.path.dirname(path)
                if parent not in made_dirs:
                    os.makedirs(parent, exist_ok=True)
                    made_dirs.add(parent)
                brevix.write(path, str(row.symbology), str(row.text), **options)
            else:
                kind = os.path.splitext(output)[1].lstrip(".") or format or "png"
                blob = brevix.to_bytes(str(row.symbology), str(row.text), format=kind, **options)
            oks.append(True)
            codes.append(None)
            errors.append(None)
            positions.append(0)
        except brevix.BarcodeError as e:
            oks.append(False)
            codes.append(e.code)
            errors.append(e.message)
            positions.append(e.position)
        except (TypeError, ValueError, OSError) as e:
            oks.append(False)
            codes.append("option" if not isinstance(e, OSError) else "write")
            errors.append(str(e))
            positions.append(0)
        outputs.append(output)
        data.append(blob)
    result = pd.DataFrame({"output": outputs, "symbology": frame["symbology"].astype(str).values,
                           "text": frame["text"].astype(str).values, "ok": oks, "code": codes, "error": errors,
                           "position": positions}, index=frame.index)
    result = result.astype({"ok": bool, "position": "int64"})
    if out_dir is None:
        result["data"] = data
    return result


def _dask_frame(source: Any, partitions: Optional[int]):
    import dask.dataframe as dd

    if isinstance(source, (str, os.PathLike)):
        # Every column as text: "0012" stays "0012".
        frame = dd.read_csv(os.fspath(source), dtype=str, keep_default_na=False,
                            blocksize="4MB")
    elif isinstance(source, pd.DataFrame):
        frame = dd.from_pandas(source, npartitions=partitions or 8, sort=False)
    else:
        frame = source  # a Dask DataFrame already
    missing = {"output", "symbology", "text"} - set(frame.columns)
    if missing:
        raise ValueError(f"the table lacks the column(s) {', '.join(sorted(missing))}")
    if partitions and frame.npartitions != partitions:
        frame = frame.repartition(npartitions=partitions)
    return frame


def render_frame(source: Any, out_dir: Union[str, os.PathLike, None] = None, *,
                 format: Optional[str] = None, partitions: Optional[int] = None,
                 **options: Any):
    """The lazy Dask DataFrame of render_partition over the table (a CSV path, a pandas or a
    Dask DataFrame): one result row per record, with ``data`` when out_dir is None."""
    frame = _dask_frame(source, partitions)
    target = None if out_dir is None else os.path.abspath(os.fspath(out_dir))
    meta = dict(_RESULT_META)
    if target is None:
        meta["data"] = "object"
    columns = [c for c in COLUMNS if c in frame.columns]
    return frame[columns].map_partitions(render_partition, target, options, format,
                                         meta=pd.DataFrame({k: pd.Series(dtype=v)
                                                            for k, v in meta.items()}))


def render_table(source: Any, out_dir: Union[str, os.PathLike, None] = None, *,
                 format: Optional[str] = None, partitions: Optional[int] = None,
                 client: Any = None, **options: Any) -> BatchResult:
    """Renders every record of the table on the cluster and returns what was made.

    source: a CSV file (with a header line naming the columns), a pandas DataFrame or a Dask
        DataFrame; columns output, symbology, text and optionally options.
    out_dir: the directory the files go to (every worker must see it: local for a LocalCluster,
        shared storage for a cluster of hosts); None returns the bytes in the result's frame.
    partitions: repartition the table first (a pandas DataFrame gets 8 by default).
    client: a dask.distributed Client; by default the current one, else Dask's local scheduler.
    options: drawing and encoding options for every record (keywords of brevix.png).
    """
    lazy = render_frame(source, out_dir, format=format, partitions=partitions, **options)
    computed = client.compute(lazy).result() if client is not None else lazy.compute()
    table = computed.reset_index(drop=True)
    refused = table.loc[~table["ok"], ["output", "symbology", "text", "code", "error", "position"]]
    return BatchResult(written=int(table["ok"].sum()), refused=refused.reset_index(drop=True),
                       frame=table if out_dir is None else None)
