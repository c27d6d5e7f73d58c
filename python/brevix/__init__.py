"""Barcodes from Python: encode a text in one of the symbologies and get PNG bytes, an SVG
document, a NumPy array of pixels, or a file.

    >>> import brevix
    >>> png = brevix.png("EAN 13", "977121010700")             # bytes of a PNG file
    >>> svg = brevix.svg("csCode128", "Brevix 42", xdim_mm=0.33)  # an SVG document
    >>> pixels = brevix.render("Code 39", "HELLO", module=3)    # (height, width, 3) uint8
    >>> brevix.write("label.pdf", "PDF417", "Brevix PDF417")

The pictures are the brevix tool's default module mode: whole pixels per module (``module``,
default 2), the symbology's standard quiet zones, captions sized to the modules.

Every problem raises :class:`BarcodeError` with its message, the position of the refused
character and a code. The drawing functions release the GIL: Python threads render in
parallel, each with buffers of its own.
"""

from __future__ import annotations

import functools
import os
from typing import NamedTuple, Union

import numpy as np

from ._errors import BarcodeError
from . import _brevix
from ._brevix import Symbol

__all__ = ["BarcodeError", "Symbol", "SymbologyInfo", "symbologies", "encode", "png", "svg",
           "eps", "pdf", "to_bytes", "render", "write", "FORMATS"]

#: The formats to_bytes and write take.
FORMATS = ("bmp", "gif", "png", "tif", "jpg", "svg", "eps", "pdf")

_ENCODE_OPTIONS = {"complete", "codepage", "pdf417_mode", "pdf417_level", "pdf417_columns",
                   "pdf417_rows", "pdf417_truncated", "qr_level", "qr_version", "qr_mask",
                   "dm_shape", "dm_size", "gs1"}
_RENDER_OPTIONS = {"module", "xdim_mm", "dpi", "quiet_zones", "margin", "height_modules",
                   "height_mm", "show_text", "angle", "foreground", "background", "transparent"}

Color = Union[str, int, tuple]


class SymbologyInfo(NamedTuple):
    value: int
    identifier: str
    name: str
    sample: str


def symbologies() -> list[SymbologyInfo]:
    """Every symbology: its value, identifier ("csCodeEAN13"), name ("EAN 13") and a sample."""
    return [SymbologyInfo(*row) for row in _brevix.symbologies()]


def _color(value: Color, what: str) -> tuple:
    if isinstance(value, str):
        digits = value[1:] if value.startswith("#") else value
        if len(digits) == 6:
            try:
                number = int(digits, 16)
            except ValueError:
                number = None
            if number is not None:
                return (number >> 16 & 255, number >> 8 & 255, number & 255)
        raise BarcodeError(f"{what} {value!r}: use '#RRGGBB', an (r, g, b) tuple or 0xRRGGBB",
                           code="option")
    if isinstance(value, int) and not isinstance(value, bool) and 0 <= value <= 0xFFFFFF:
        return (value >> 16 & 255, value >> 8 & 255, value & 255)
    if isinstance(value, (tuple, list)) and len(value) == 3:
        return tuple(int(v) for v in value)
    raise BarcodeError(f"{what} {value!r}: use '#RRGGBB', an (r, g, b) tuple or 0xRRGGBB",
                       code="option")


# Names are looked up once: a loop over many texts of one symbology pays for it once.
_symbology_value = functools.lru_cache(maxsize=256)(_brevix.symbology_value)


def encode(symbology: Union[str, int], text: Union[str, bytes], *, complete: bool = False,
           codepage: int = 1252, pdf417_mode: str = "alphanumeric",
           pdf417_level: int | None = None, pdf417_columns: int = 10, pdf417_rows: int = 0,
           pdf417_truncated: bool = False, qr_level: str = "M", qr_version: int = 0,
           qr_mask: int | None = None, dm_shape: str = "square",
           dm_size: tuple[int, int] | None = None, gs1: bool = False) -> Symbol:
    """Encodes text in a symbology.

    symbology: an identifier ("csCodeEAN13", also "EAN13"), a name ("EAN 13") or a value (22);
        case, spaces and punctuation do not matter; a string of digits is a value.
    text: a str, converted to the 8-bit code page ``codepage`` (1252 unless said), or bytes,
        taken as they are.
    complete: False (strict): a wrong check character raises BarcodeError; True replaces it.
        A missing check character is added either way.
    pdf417_*: PDF417's compaction mode ("alphanumeric", "binary", "numeric"), error correction
        level (0..8, None: chosen from the text's length), data columns, rows (0: as needed) and
        truncation.
    qr_*: QR Code's error correction level ("L", "M", "Q", "H"), smallest version (0: as the
        text needs, else 1..40) and mask (None: chosen, else 0..7).
    dm_*: Data Matrix's shape ("square", "rect", "auto") and a fixed size (rows, columns).
    gs1: QR Code and Data Matrix: the text is GS1 data in AI syntax, "(01)09501101530003".
    QR Code and Data Matrix take a str as UTF-8 whatever ``codepage`` says.
    """
    if isinstance(symbology, str):
        symbology = _symbology_value(symbology)
    return _brevix.encode(symbology, text, complete=complete, codepage=codepage,
                          pdf417_mode=pdf417_mode,
                          pdf417_level=-1 if pdf417_level is None else pdf417_level,
                          pdf417_columns=pdf417_columns, pdf417_rows=pdf417_rows,
                          pdf417_truncated=pdf417_truncated, qr_level=qr_level,
                          qr_version=qr_version, qr_mask=-1 if qr_mask is None else qr_mask,
                          dm_shape=dm_shape, dm_size=dm_size or (0, 0), gs1=gs1)


def _prepare(barcode, text, options: dict):
    """The symbol and the drawing options of a call taking a Symbol or symbology and text."""
    unknown = set(options) - _ENCODE_OPTIONS - _RENDER_OPTIONS
    if unknown:
        raise TypeError(f"unknown option(s): {', '.join(sorted(unknown))}")
    encoding = {k: v for k, v in options.items() if k in _ENCODE_OPTIONS}
    drawing = {k: v for k, v in options.items() if k in _RENDER_OPTIONS}
    if isinstance(barcode, Symbol):
        if text is not None or encoding:
            raise TypeError("a Symbol is encoded already: give no text or encoding options")
        symbol = barcode
    else:
        if text is None:
            raise TypeError("give a Symbol, or a symbology and a text")
        symbol = encode(barcode, text, **encoding)
    for key in ("foreground", "background"):
        if key in drawing:
            drawing[key] = _color(drawing[key], key)
    return symbol, drawing


def to_bytes(barcode, text=None, *, format: str = "png", **options) -> bytes:
    """The bytes of a picture file in ``format`` (bmp, gif, png, tif, jpg, svg, eps or pdf).

    barcode: a Symbol, or a symbology with ``text`` (see encode; its options go here too).
    options: module (pixels per module, default 2), xdim_mm (module width in mm: the whole
        pixels closest to it at dpi), dpi (written into the file, default 96), quiet_zones
        (default True), margin (modules beyond them), height_modules or height_mm (bar height),
        show_text (default True), angle (0, 90, 180, 270, counter-clockwise), foreground and
        background ('#RRGGBB', (r, g, b) or 0xRRGGBB), transparent.
    """
    symbol, drawing = _prepare(barcode, text, options)
    return _brevix.to_bytes(symbol, format, **drawing)


def png(barcode, text=None, **options) -> bytes:
    """The bytes of a PNG file; arguments as to_bytes."""
    return to_bytes(barcode, text, format="png", **options)


def svg(barcode, text=None, **options) -> str:
    """An SVG document (size in millimetres, bars as rectangles, captions as text); arguments
    as to_bytes."""
    return to_bytes(barcode, text, format="svg", **options).decode("utf-8")


def eps(barcode, text=None, **options) -> str:
    """An EPS document; arguments as to_bytes."""
    return to_bytes(barcode, text, format="eps", **options).decode("latin-1")


def pdf(barcode, text=None, **options) -> bytes:
    """The bytes of a one-page PDF file; arguments as to_bytes."""
    return to_bytes(barcode, text, format="pdf", **options)


def render(barcode, text=None, **options) -> np.ndarray:
    """The picture's pixels: a (height, width, 3) uint8 array of R, G, B, or (height, width, 4)
    with alpha 0 over the background when ``transparent``; arguments as to_bytes."""
    symbol, drawing = _prepare(barcode, text, options)
    return _brevix.render(symbol, **drawing)


def write(path: Union[str, os.PathLike], barcode, text=None, **options) -> None:
    """Writes the picture file at path, in the format its extension names (.png, .svg, .pdf,
    .eps, .tif, .jpg, .gif, .bmp). The file appears whole or not at all; arguments as to_bytes.
    """
    symbol, drawing = _prepare(barcode, text, options)
    _brevix.write(symbol, os.fspath(path), **drawing)
