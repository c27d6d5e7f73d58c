#!/usr/bin/env python3
"""Writes the seed corpora under fuzz/corpus/<target>/ from texts the unit tests use.

The targets read their settings with libFuzzer's FuzzedDataProvider, which takes integers from the
end of the input and the text from its start; Seed() lays an input out the same way.
"""
import hashlib
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


class Seed:
    def __init__(self):
        self.head = b''  # strings, taken from the front
        self.tail = []  # integers, in the order the provider consumes them from the end

    def string(self, text):
        """A value for ConsumeRandomLengthString: backslashes doubled, then a terminator."""
        if isinstance(text, str):
            text = text.encode('latin-1')
        self.head += text.replace(b'\\', b'\\\\') + b'\\ '
        return self

    def integral(self, value, lo, hi):
        """A value for ConsumeIntegralInRange(lo, hi)."""
        span = hi - lo
        offset = value - lo
        nbytes = 0
        while nbytes < 8 and (span >> (8 * nbytes)) > 0:
            nbytes += 1
        # The provider shifts the first consumed byte up: most significant byte first.
        for i in reversed(range(nbytes)):
            self.tail.append((offset >> (8 * i)) & 0xFF)
        return self

    def boolean(self, value):
        self.tail.append(1 if value else 0)
        return self

    def int32(self, value):
        return self.integral(value & 0xFFFFFFFF, 0, 0xFFFFFFFF)

    def build(self, text):
        if isinstance(text, str):
            text = text.encode('latin-1')
        return self.head + bytes(text) + bytes(reversed(self.tail))


def write(target, seeds):
    folder = os.path.join(HERE, 'corpus', target)
    os.makedirs(folder, exist_ok=True)
    for data in seeds:
        name = hashlib.sha1(data).hexdigest()[:16]
        with open(os.path.join(folder, name), 'wb') as f:
            f.write(data)


def encoders():
    # Order of fuzz_encoders' table, then Bookland, Code 128 planner, add-on.
    texts = {
        0: ['123456', '0123', '12'], 1: ['123456'], 2: ['123456'], 3: ['123456'], 4: ['123456'],
        5: ['123456'], 6: ['123456'], 7: ['1234567890123', '12345678901234 123456'],
        8: ['BC', 'CODE 39-$/+%.'], 9: ['Bc~\x7f'], 10: ['123456'], 11: ['BC', 'TEST93'],
        12: ['Code 93!'], 13: ['BC', '1234567890', 'aB\x01cd'], 14: ['EAN 128'],
        15: ['A0123+-$/:68A'], 16: ['ABCCBA'], 17: ['1234567'], 18: ['123456789'],
        19: ['123-45'], 20: ['12345670', '12345670 12'], 21: ['9771210107001', '9771210107001 12345'],
        22: ['012345678905', '012345678905 12'], 23: ['01234565', '01234565 12345'],
        24: ['80-7226-102', '978-80-7226-10'], 25: ['00123456789', '123'], 26: ['12', '12345'],
    }
    seeds = []
    for which, items in texts.items():
        for text in items:
            for digitise in (False,):
                for width in (0, 95, 400):
                    seeds.append(Seed().integral(which, 0, 26).boolean(digitise).boolean(True)
                                 .boolean(True).integral(width, -8, 1 << 14).build(text))
    return seeds


def pdf417():
    seeds = []
    cases = [
        ('A', 0, 0, False, 10, 0), ('ABC', 0, 0, True, 10, 0), ('ABC', 0, 1, False, 10, 0),
        ('ABC', 0, 0, False, 0, 3), ('bla,bla,bla', 0, 0, False, 10, 0),
        ('PDF417 a\tb\r\n', 0, 0, False, 10, 0), ('ABCDEFG', 1, 0, False, 10, 0),
        ('41', 2, 0, False, 10, 0), ('1' * 50, 3, 0, False, 10, 0), (bytes(range(256)), 4, 5, False, 30, 0),
        ('x' * 300, 1, 0, False, 10, 0), ('Aa1;', 0, 9, True, 3, 0),
    ]
    for text, mode, level, truncated, cols, rows in cases:
        seeds.append(Seed().integral(mode, 0, 7).integral(level, 0, 12).boolean(truncated)
                     .boolean(False).integral(cols, -2, 40).boolean(False).integral(rows, -2, 40)
                     .build(text))
    return seeds


def control():
    # fuzz_control's operations, in the order of its TOp enumeration.
    TYPEBAR, TEXT, ANGLE, DISPLAY, RATIO, COMPLETE, TRANSPARENT, PMODE, PLEVEL, PTRUNC, BOUNDS, \
        PAINT, ENCODE, MINWIDTH, ASSIGN = range(15)
    last = 14
    samples = {0: '123456', 7: 'BC', 8: 'Bc~', 9: 'BC', 10: 'bc', 11: 'BC', 12: 'ABCCBA',
               13: '0977121010700', 14: '80-7226-102', 17: 'A0123+-$/:68A', 18: '1234',
               19: '123456789', 20: '1234567897', 21: '1234567', 22: '9771210107001',
               23: 'EAN 128', 26: '01234567890', 27: '0123456', 29: '1234567890123',
               30: '123456', 31: '123456', 32: 'bla,bla,bla'}
    seeds = []
    for typebar, text in samples.items():
        for angle in (0, 1):
            sd = Seed().integral(TYPEBAR, 0, last).integral(typebar, 0, 255)
            sd.integral(TEXT, 0, last).string(text)
            sd.integral(ANGLE, 0, last).integral(angle, 0, 255)
            sd.integral(DISPLAY, 0, last).integral(3, 0, 255)
            sd.integral(BOUNDS, 0, last).integral(1, 0, 15).integral(300, -4, 700)
            sd.integral(1, 0, 15).integral(120, -4, 700)
            sd.integral(PAINT, 0, last).integral(ENCODE, 0, last)
            seeds.append(sd.build(b''))
    # Ratio 0 and negative, a symbology past the enumeration, a bad PDF417 character.
    seeds.append(Seed().integral(RATIO, 0, last).boolean(True).integral(0, -3, 4)
                 .integral(PAINT, 0, last).build(b''))
    seeds.append(Seed().integral(RATIO, 0, last).boolean(True).integral(-3, -3, 4)
                 .integral(PAINT, 0, last).build(b''))
    seeds.append(Seed().integral(TYPEBAR, 0, last).integral(40, 0, 255)
                 .integral(PAINT, 0, last).build(b''))
    # Ratio INT_MIN and INT_MAX (offsets from INT_MIN): widths beyond any surface.
    for offset in (0, 0xFFFFFFFF):
        seeds.append(Seed().integral(RATIO, 0, last).boolean(False).integral(offset, 0, 0xFFFFFFFF)
                     .integral(PAINT, 0, last).integral(ENCODE, 0, last).build(b''))
    seeds.append(Seed().integral(TYPEBAR, 0, last).integral(32, 0, 255).integral(TEXT, 0, last)
                 .string('ab\x01c').integral(PMODE, 0, last).integral(2, 0, 255)
                 .integral(MINWIDTH, 0, last).integral(PAINT, 0, last).build(b''))
    return seeds


def cli():
    # Batch records as the tool's tests and help show them, and every option once.
    records = [
        'a.png,csCode39,ABC',
        ' a.png , 7 , AB C ',
        'a.png,7,"x,y"',
        'a.png,7,"say ""hi"""',
        '"a\nb.png",7,X\nc.png,7,Y',
        'a.png,7,X\r\nb.png,7,Y\r\n',
        '\xef\xbb\xbfa.png,7,X',
        '# comment\n\n  \na.png,7,X',
        'a.png,7,X,angle=90,transparent,--height=120,,display = both',
        'a.png,7,X,=5',
        'a.png,7,"open\nb.png,7,Y',
        'a.png,csCodeEAN8,9638507\nb.png,csCode39,ABC,angle=90,width=80,height=300',
        'e.png,csCodeEAN13,9771210107001 12345,display=both,code-font=Liberation Sans:10:bold:#FF0000',
        'u.png,UPC-A,01234567890,angle=270,lines=navy,back=#FFFFC0,complete-draw',
        'p.png,32,bla\tbla,pdf417-mode=binary,pdf417-level=5,pdf417-truncate,ratio=2',
        'n.png,csCodePDF417,12345678901234567890,pdf417-mode=numeric,height=60',
        't.png,csCode128,\xc5\xa1\xc4\x8d,codepage=1250,type-font=DejaVu Sans:7:italic:underline',
        'r.png,csCode_2_5_interleaved,0123,ratio=-3,width=0,height=-5',
        'i.png,ITF,0977121010700,display=type,width=2147483647,height=2147483647',
        'a.png,7,X\rb.png,7,Y\r\rc.png,7,Z',  # lone carriage returns end lines too
    ]
    batches = [r.encode('latin-1').decode('unicode_escape').encode('latin-1') for r in records]
    # An input is the argument vector (NUL-separated, ended by two NULs), then jobs.csv.
    commands = [
        ['csCodeEAN13', '977121010700', 'f.png'],
        ['--strict', 'csCodeEAN13', '9771210107000', 'f.bmp'],
        ['csCodeEAN13', '9771210107000', '-'],
        ['csCodePDF417', 'caf\xc3\xa9', '-'],
        ['csCodePDF417', '', '-'],
        ['--pdf417-mode=binary', '-W', '300', '-H', '100', 'csCodePDF417', 'A\x1bB', 'p.gif'],
        ['-a', '90', '--display', 'both', '22', '9771210107001', '-o', 'v.emf'],
        ['--codepage', '1250', 'csCode128', '\xc5\xa0', 'c.wmf'],
        ['csCode39', 'ABC', 'x.jpeg'],
        ['--version'],
        ['--list'],
        ['--help'],
        ['--bogus'],
        ['--batch', '.'],
        ['--batch', 'missing.csv'],
    ]
    seeds = [b'--batch\0jobs.csv\0\0' + b for b in batches]
    seeds += [b'-q\0--height=60\0--batch\0-\0\0' + batches[-1]]
    for args in commands:
        encoded = [a.encode('latin-1').decode('unicode_escape').encode('latin-1') for a in args]
        seeds.append(b'\0'.join(encoded) + b'\0\0')
    return seeds


def export():
    # fuzz_export: symbology, angle, display, transparency, ratio, background, size, then the
    # stem, the text, the case of each extension and an extension of its own.
    rows = [
        (22, 0, 3, False, 2, 0xFFFFFF, 200, 80, 'label', '9771210107001', 'svg'),
        (32, 1, 0, True, 3, 0xFFFFE0, 400, 300, 'big', 'Brevix PDF417 export', 'jpeg'),
        (16, 2, 1, False, 2, 0x000080, 640, 480, 'wide', 'Brevix 42', ''),
        (14, 3, 2, True, 1, 0, 120, 600, 'Tall', 'CODE-39', 'Png'),
        (7, 0, 0, False, 4, 0x123456, 0, 60, 'empty', '0123', 'xyz'),
    ]
    seeds = []
    for typebar, angle, display, transparent, ratio, back, w, h, stem, text, ext in rows:
        seed = (Seed().integral(typebar, 0, 33).integral(angle, 0, 4).integral(display, 0, 4)
                .boolean(transparent).integral(ratio, -3, 4).int32(back)
                .integral(w, -2, 640).integral(h, -2, 480).string(stem).string(text))
        for i in range(10):
            seed.boolean(i % 2 == 0)
        seeds.append(seed.string(ext).build(''))
    return seeds


def files():
    # fuzz_files: what is at the name, whether its directories are made, the name, the content.
    names = ['a.png', 'sub/dir/b.bmp', '../up.gif', 'dot/./c.tif', 'x' * 120 + '.jpg', 'plain']
    seeds = []
    for kind in range(11):
        name = names[kind % len(names)]
        seeds.append(Seed().integral(kind, 0, 10).boolean(kind % 3 != 0).string(name)
                     .build(b'BM' + bytes(range(64)) * (kind + 1)))
    return seeds


def gs1():
    texts = ['(01)09501101530003(17)250101(10)ABC123', '[00]106141411234567897[3103]001250',
             '(01)09501101530004', '(17)251301', '(10)A(B)C(21)X', '(30)12(01)0950110153000',
             '(253)9501101020016ABC', '(8008)2501312359(7003)2501312400', '(3912)97812345']
    return [Seed().boolean(True).string(t).build('Brevix 0123456789 \x1d') for t in texts]


def qrcode():
    # fuzz_qrcode: flags (level, GS1, Shift JIS, ECI, out-of-range values, ECI x 100), minimum
    # version, mask + 1, ECI number, then the data.
    def seed(text, level=1, version=0, mask=-1, gs1=False, sjis=False, eci=-1, wild=False):
        if isinstance(text, str):
            text = text.encode('latin-1')
        flags = level | (gs1 << 2) | (sjis << 3) | ((eci >= 0) << 4) | (wild << 5)
        if eci > 255:
            flags |= 0x40
            eci //= 100
        return bytes([flags, version, mask + 1, max(eci, 0)]) + text

    kanji = bytes([0x93, 0x5F, 0xE4, 0xAA])  # two Kanji in Shift JIS
    return [
        seed('HELLO WORLD', 0), seed('01234567890123456789', 1), seed('Hello, world! 123', 2),
        seed('a', 3), seed(bytes(range(256)), 0), seed(kanji, 1, sjis=True),
        seed(b'ABC123' + kanji + b'abc\xb1\x81', 2, sjis=True),
        seed('0109501101530003\x1d10ABC%12', 1, gs1=True),
        seed('0109501101530003\x1d10abc', 1, gs1=True),
        seed('Gr\xc3\xbc\xc3\x9fe', 1, eci=26), seed('x', 0, eci=899), seed('y', 0, eci=20000),
        seed('ABCDEFGHIJ0123456789abcdefABCDEFGHIJ0123456789', 1, version=9, mask=3),
        seed('12' * 20, 2, version=40, mask=7), seed('7' * 7089, 0), seed('A' * 4296, 0),
        seed('b' * 2953, 0), seed('c' * 1274, 3), seed('8' * 7090, 0), seed('', 1),
        seed('HELLO', 1, version=141, mask=109, wild=True),
    ]


GENERATORS = {'fuzz_cli': cli, 'fuzz_control': control, 'fuzz_encoders': encoders, 'fuzz_pdf417': pdf417,
              'fuzz_export': export, 'fuzz_files': files,
              'fuzz_qrcode': qrcode, 'fuzz_gs1': gs1}

if __name__ == '__main__':
    for target in sys.argv[1:] or GENERATORS:
        write(target, GENERATORS[target]())
