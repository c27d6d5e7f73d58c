# Type hints of the brevix package; the docstrings are in __init__.py.
import os
from typing import NamedTuple, Union, overload

import numpy as np
import numpy.typing as npt

from ._errors import BarcodeError as BarcodeError

Color = Union[str, int, tuple[int, int, int]]
Barcode = Union["Symbol", str, int]

FORMATS: tuple[str, ...]

class Symbol:
    @property
    def symbology(self) -> str: ...
    @property
    def name(self) -> str: ...
    @property
    def text(self) -> str: ...
    @property
    def width(self) -> int: ...
    @property
    def height(self) -> int: ...
    @property
    def rows(self) -> list[str]: ...

class SymbologyInfo(NamedTuple):
    value: int
    identifier: str
    name: str
    sample: str

def symbologies() -> list[SymbologyInfo]: ...
def encode(
    symbology: Union[str, int],
    text: Union[str, bytes],
    *,
    complete: bool = ...,
    codepage: int = ...,
    pdf417_mode: str = ...,
    pdf417_level: int | None = ...,
    pdf417_columns: int = ...,
    pdf417_rows: int = ...,
    pdf417_truncated: bool = ...,
    qr_level: str = ...,
    qr_version: int = ...,
    qr_mask: int | None = ...,
    dm_shape: str = ...,
    dm_size: tuple[int, int] | None = ...,
    gs1: bool = ...,
) -> Symbol: ...

# Drawing options, taken by every function below as keywords:
#   module: int = 2, xdim_mm: float = 0, dpi: int = 96, quiet_zones: bool = True, margin: int = 0,
#   height_modules: int = 0, height_mm: float = 0, show_text: bool = True, angle: int = 0,
#   foreground: Color = "#000000", background: Color = "#FFFFFF", transparent: bool = False
# and, with a symbology and a text, the keywords of encode.
def to_bytes(
    barcode: Barcode, text: Union[str, bytes, None] = ..., *, format: str = ..., **options: object
) -> bytes: ...
def png(barcode: Barcode, text: Union[str, bytes, None] = ..., **options: object) -> bytes: ...
def svg(barcode: Barcode, text: Union[str, bytes, None] = ..., **options: object) -> str: ...
def eps(barcode: Barcode, text: Union[str, bytes, None] = ..., **options: object) -> str: ...
def pdf(barcode: Barcode, text: Union[str, bytes, None] = ..., **options: object) -> bytes: ...
def render(
    barcode: Barcode, text: Union[str, bytes, None] = ..., **options: object
) -> npt.NDArray[np.uint8]: ...
def write(
    path: Union[str, os.PathLike[str]],
    barcode: Barcode,
    text: Union[str, bytes, None] = ...,
    **options: object,
) -> None: ...
