"""The Python package: symbologies x formats read back by ZXingReader, the same bytes as the
brevix tool, the errors, and threads."""

import os
import shutil
import struct
import subprocess
import threading

import numpy as np
import pytest

import brevix

# symbology, text, what ZXingReader reads (format and text), as in the C++ decode table.
DECODE_ROWS = [
    ("csCode_2_5_interleaved", "123456", "ITF", "123456"),
    ("csCodeITF", "0977121010700", "ITF", "09771210107001"),
    ("csCode39", "CODE-39 TEST", "Code39", "CODE-39 TEST"),
    ("csCodePZN", "123456", "Code39", "-1234562"),
    ("csCode93", "CODE 93", "Code93", "CODE 93"),
    ("csCode128", "Code 128!", "Code128", "Code 128!"),
    ("csCodeEAN128", "0101234567890128", "Code128", "0101234567890128"),
    ("csCodeCodabar", "A0123+-$/:68A", "Codabar", "0123+-$/:681"),
    ("csCodeEAN13", "9771210107001", "EAN-13", "9771210107001"),
    ("csCodeISBN", "80-7226-102", "EAN-13", "9788072261024"),
    ("csCodeEAN8", "1234567", "EAN-8", "12345670"),
    ("csCodeUPC_A", "01234567890", "UPC-A", "012345678905"),
    ("csCodeUPC_E0", "0123456", "UPC-E", "01234565"),
    ("csCodePDF417", "Brevix from Python, PDF417", "PDF417", "Brevix from Python, PDF417"),
    ("csCodeGS1_128", "(01)09501101530003(10)AB1", "Code128", "010950110153000310AB1"),
    ("csCodeQRCode", "Brevix QR, Python", "QRCode", "Brevix QR, Python"),
    ("csCodeDataMatrix", "Brevix DM 12345", "DataMatrix", "Brevix DM 12345"),
]
# What ZXingReader reads itself; the vector formats are compared with the tool's files below.
DECODED_FORMATS = ["png", "gif", "bmp", "jpg"]
ANGLES = [0, 90, 180, 270]

needs_reader = pytest.mark.skipif(shutil.which("ZXingReader") is None,
                                  reason="ZXingReader (zxing-cpp-tools) not installed")


@needs_reader
def test_every_symbology_and_format_decodes(tmp_path):
    files, expected = [], {}
    for i, (symbology, text, fmt, read) in enumerate(DECODE_ROWS):
        symbol = brevix.encode(symbology, text, complete=True)
        for j, kind in enumerate(DECODED_FORMATS):
            path = tmp_path / f"{i}-{kind}.{kind}"
            # The orientations in turn, across formats.
            path.write_bytes(brevix.to_bytes(symbol, format=kind, angle=ANGLES[(i + j) % 4]))
            files.append(str(path))
            expected[str(path)] = f'{fmt} "{read}"'
    out = subprocess.run(["ZXingReader", "-1", *files], capture_output=True, text=True).stdout
    got = {}
    for line in out.splitlines():
        name, _, rest = line.partition(" ")
        got[name] = rest
    assert got == expected


TOOL = os.environ.get("BREVIX_CLI") or shutil.which("brevix")


@pytest.mark.skipif(TOOL is None, reason="the brevix tool is not built (BREVIX_CLI)")
@pytest.mark.parametrize("kind", brevix.FORMATS)
def test_same_bytes_as_the_tool(tmp_path, kind):
    for symbology, text, *_ in DECODE_ROWS[::3]:
        tool_file = tmp_path / f"tool.{kind}"
        subprocess.run([TOOL, "--module", "3", "--angle", "90", "--lines", "#203040", symbology,
                        text, str(tool_file)], check=True)
        ours = brevix.to_bytes(symbology, text, format=kind, complete=True, module=3, angle=90,
                               foreground="#203040")
        assert ours == tool_file.read_bytes(), symbology
        brevix.write(tmp_path / f"ours.{kind}", symbology, text, complete=True, module=3,
                     angle=90, foreground=(0x20, 0x30, 0x40))
        assert (tmp_path / f"ours.{kind}").read_bytes() == ours


def png_size(data):
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    return struct.unpack(">II", data[16:24])


def test_render_gives_the_pixels():
    symbol = brevix.encode("Code 128", "Pixels")
    plain = brevix.render(symbol, module=1, quiet_zones=False, show_text=False)
    assert plain.dtype == np.uint8 and plain.shape == (symbol.height, symbol.width, 3)
    dark = "".join("1" if p[0] == 0 else "0" for p in plain[0])
    assert dark == symbol.rows[0]
    shaded = brevix.render(symbol, module=3, angle=90, transparent=True, background="#00FF00")
    width, height = png_size(brevix.png(symbol, module=3, angle=90))
    assert shaded.shape == (height, width, 4)
    green = (shaded[..., 1] == 255) & (shaded[..., 0] == 0)
    assert np.array_equal(shaded[..., 3] == 0, green)
    assert brevix.svg(symbol).startswith("<?xml")
    assert brevix.pdf(symbol).startswith(b"%PDF")
    assert brevix.eps(symbol).startswith("%!PS")


@pytest.mark.parametrize("call, code, position, result", [
    (lambda: brevix.encode("EAN 13", "9771210107002"), "text", 13, 1),
    (lambda: brevix.encode("Code 39", "ABCé"), "text", 4, 3),
    (lambda: brevix.encode("Code 128", "ab日本"), "text", 3, 3),
    (lambda: brevix.encode("EAN 8", "12"), "text", 0, 6),
    (lambda: brevix.encode("no such code", "1"), "symbology", 0, 0),
    (lambda: brevix.encode(99, "1"), "symbology", 0, 0),
    (lambda: brevix.encode("PDF417", "x", pdf417_level=9), "option", 0, 0),
    (lambda: brevix.encode("QR Code", "x", qr_level="Z"), "option", 0, 0),
    (lambda: brevix.png("EAN 13", "9771210107001", angle=45), "option", 0, 0),
    (lambda: brevix.png("EAN 13", "9771210107001", foreground="navy"), "option", 0, 0),
    (lambda: brevix.to_bytes("EAN 13", "9771210107001", format="wmf"), "format", 0, 0),
    (lambda: brevix.png("Code 128", "A" * 400, module=1000), "size", 0, 0),
    (lambda: brevix.write("/nonexistent/dir/a.png", "EAN 13", "9771210107001"), "write", 0, 0),
])
def test_errors(call, code, position, result):
    with pytest.raises(brevix.BarcodeError) as info:
        call()
    e = info.value
    assert (e.code, e.position, e.result) == (code, position, result), e.message
    assert e.message and str(e) == e.message


def test_completion_and_bytes_text():
    assert brevix.encode("EAN 13", "9771210107002", complete=True).text == "9771210107001"
    assert brevix.encode("EAN 13", "977121010700").text == "9771210107001"
    # bytes go as they are: 0xE9 is é in code page 1252, and the PDF417 is the same.
    assert (brevix.png("PDF417", b"caf\xe9", pdf417_mode="binary")
            == brevix.png("PDF417", "café", pdf417_mode="binary"))
    with pytest.raises(TypeError):
        brevix.png("EAN 13", "9771210107001", modul=3)


def test_threads_render_in_parallel_alike():
    texts = [f"BREVIX-{i:04d}" for i in range(200)]
    expected = [brevix.png("Code 128", t) for t in texts]
    results = [None] * 4

    def work(k):
        results[k] = [brevix.png("Code 128", t) for t in texts]

    threads = [threading.Thread(target=work, args=(k,)) for k in range(4)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert all(r == expected for r in results)
