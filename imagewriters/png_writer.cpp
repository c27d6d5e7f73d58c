#include <dlfcn.h>
#include <isa-l/igzip_lib.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cassert>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "imagewriters/image_writers.h"
#include "imagewriters/png_arena.h"
#include "imagewriters/row_deflate.h"

namespace brevix {

namespace {

// A picture whose distinct rows (those unlike the row above) hold at most this many bytes, a
// linear barcode or a small symbol, is compressed with the fixed codes of the deflate format by
// DeflateRows, which codes a run of equal rows as a few matches instead of searching every byte
// of them: building codes for the picture would cost more than compressing it, and the file is at
// most a few hundred bytes larger. Larger ones are compressed by ISA-L's deflate, which does what
// zlib's fastest levels do at several times their speed, with codes built for them (level 1),
// which makes them about as small as zlib's level 3 does.
constexpr std::size_t kFixedCodesUpTo = 2048;
// zlib's stream format around the raw deflate stream: the header of a 32 KB window compressed
// with the fastest algorithm, and the data's Adler-32 checksum after it, which PackScanlines
// already has.
constexpr std::uint8_t kZlibHeader[2] = {0x78, 0x01};
constexpr std::size_t kZlibTrailer = 4;
constexpr std::uint8_t kFilterNone = 0;
constexpr std::uint8_t kFilterUp = 2;

// Packs a row of 1-bit indices (each 0 or 1), leftmost pixel in the high bit: eight at a time,
// by a multiplication that gathers the low bit of each byte into the top byte.
void PackRow1(const std::uint8_t* src, std::size_t width, std::uint8_t* dst) {
  std::size_t x = 0;
  for (; x + 8 <= width; x += 8) {
    std::uint64_t v;
    std::memcpy(&v, src + x, 8);
    // Byte k of v (pixel x + k, little-endian) lands at bit 7 - k of the top byte.
    *dst++ = static_cast<std::uint8_t>((v * 0x8040201008040201u) >> 56);
  }
  if (x < width) {
    unsigned v = 0;
    int k = 0;
    for (; x < width; ++x, ++k) v = v << 1 | src[x];
    *dst = static_cast<std::uint8_t>(v << (8 - k));
  }
}

// Packs indices of 2 or 4 bits, leftmost pixel in the high bits, a byte at a time.
void PackRow(const std::uint8_t* src, std::size_t width, int bits, std::uint8_t* dst) {
  const std::size_t perByte = static_cast<std::size_t>(8 / bits);
  std::size_t x = 0;
  for (; x + perByte <= width; x += perByte) {
    unsigned v = 0;
    for (std::size_t k = 0; k < perByte; ++k) v = v << bits | src[x + k];
    *dst++ = static_cast<std::uint8_t>(v);
  }
  if (x < width) {
    unsigned v = 0;
    std::size_t k = 0;
    for (; x < width; ++x, ++k) v = v << bits | src[x];
    *dst = static_cast<std::uint8_t>(v << bits * static_cast<int>(perByte - k));
  }
}

// The Adler-32 checksum of data whose checksum is adler followed by count copies of a line of
// the given length and checksum: the copies are combined by doubling, in a few steps for a
// barcode's hundreds of equal rows.
uLong AppendCopies(uLong adler, uLong lineAdler, z_off_t length, std::size_t count) {
  for (; count > 0; count >>= 1) {
    if (count & 1) adler = adler32_combine(adler, lineAdler, length);
    if (count > 1) {
      lineAdler = adler32_combine(lineAdler, lineAdler, length);
      length *= 2;
    }
  }
  return adler;
}

struct TScanlines {
  uLong Adler = 0;                // the checksum of all rows
  std::size_t DistinctBytes = 0;  // the bytes of the rows unlike the row above
  std::size_t Line = 0;           // a row's bytes, its filter byte included
};

// The image data of a PNG file: each row a filter byte (none) and its indices packed to the
// picture's depth; a row like the one above is not packed again. Returns the Adler-32 checksum
// of the data (a repeated row's checksum is combined in, not computed again) and how much of it
// is distinct rows; same gets an entry per line, nonzero when the line equals the one before.
TScanlines PackScanlines(const TGifImage& image, TBytes& out, TBytes& same) {
  const int bits = image.BitsPerPixel();
  const std::size_t width = static_cast<std::size_t>(image.Width);
  const std::size_t rowBytes = (width * static_cast<std::size_t>(bits) + 7) / 8;
  const std::size_t line = rowBytes + 1;
  const auto lineLength = static_cast<z_off_t>(line);
  out.resize(line * static_cast<std::size_t>(image.Height));
  same.assign(static_cast<std::size_t>(image.Height), 0);
  std::uint8_t* dst = out.data();
  const bool flagged = image.RepeatsAbove.size() == static_cast<std::size_t>(image.Height);
  // In a picture of one byte a pixel, a row like the one above is stored filtered against it:
  // its filter byte and zeros, which deflate gets through faster than a copy of the row. Packed
  // rows are short enough that a copy costs it no more.
  const bool up = bits == 8;
  const uLong upAdler = up ? [&] {
    std::uint8_t* const zeros = out.data();  // the first row is written over it below
    std::memset(zeros, 0, line);
    zeros[0] = kFilterUp;
    return adler32(adler32(0, nullptr, 0), zeros, static_cast<uInt>(line));
  }()
                          : 0;
  uLong adler = adler32(0, nullptr, 0);
  uLong pendingAdler = adler;  // a line not yet in adler, and how many times it comes
  std::size_t pending = 0;
  bool pendingUp = false;
  std::size_t distinct = 0;
  for (int y = 0; y < image.Height; ++y, dst += line) {
    const std::uint8_t* src = image.Indices.data() + static_cast<std::size_t>(y) * width;
    if (y > 0 && (flagged ? image.RepeatsAbove[static_cast<std::size_t>(y)] != 0
                          : std::memcmp(src, src - width, width) == 0)) {
      if (!up) {
        std::memcpy(dst, dst - line, line);
        same[static_cast<std::size_t>(y)] = 1;
        ++pending;
        continue;
      }
      std::memset(dst, 0, line);
      dst[0] = kFilterUp;
      same[static_cast<std::size_t>(y)] = pendingUp;
      if (!pendingUp) {
        adler = AppendCopies(adler, pendingAdler, lineLength, pending);
        pendingAdler = upAdler;
        pending = 0;
        pendingUp = true;
      }
      ++pending;
      continue;
    }
    adler = AppendCopies(adler, pendingAdler, lineLength, pending);
    dst[0] = kFilterNone;
    if (bits == 8)
      std::memcpy(dst + 1, src, width);
    else if (bits == 1)
      PackRow1(src, width, dst + 1);
    else
      PackRow(src, width, bits, dst + 1);
    pendingAdler = adler32(adler32(0, nullptr, 0), dst, static_cast<uInt>(line));
    pending = 1;
    pendingUp = false;
    distinct += line;
  }
  return {AppendCopies(adler, pendingAdler, lineLength, pending), distinct, line};
}

// ISA-L is opened when a picture first needs it: the pictures a call writes most (linear
// barcodes) are compressed by DeflateRows, and loading the library would cost a process that
// writes one of them a tenth of its time. Without the library, zlib compresses instead.
#ifndef BREVIX_ISAL_SONAME
#define BREVIX_ISAL_SONAME "libisal.so.2"
#endif
struct TIsal {
  void (*StatelessInit)(isal_zstream*) = nullptr;
  int (*Stateless)(isal_zstream*) = nullptr;
};

const TIsal* Isal() {
  static const TIsal isal = [] {
    TIsal t;
    void* lib = dlopen(BREVIX_ISAL_SONAME, RTLD_NOW | RTLD_LOCAL);
    if (!lib) return t;
    t.StatelessInit =
        reinterpret_cast<void (*)(isal_zstream*)>(dlsym(lib, "isal_deflate_stateless_init"));
    t.Stateless = reinterpret_cast<int (*)(isal_zstream*)>(dlsym(lib, "isal_deflate_stateless"));
    if (!t.StatelessInit || !t.Stateless) t = TIsal{};
    return t;
  }();
  return isal.Stateless ? &isal : nullptr;
}

// ISA-L's vector code can return with the upper halves of the AVX registers in use. Until they
// are cleared, every SSE instruction the compiler emits elsewhere pays for merging them on some
// processors: code run after a large PNG file took twice its time. Clearing them costs nothing.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
__attribute__((target("avx"))) void ZeroUpper() {
  __builtin_ia32_vzeroupper();
}
void ClearUpperVectorState() {
  static const bool avx = __builtin_cpu_supports("avx");
  if (avx) ZeroUpper();
}
#else
void ClearUpperVectorState() {}
#endif

// Shared with libpng's callbacks; plain data, since libpng reports errors by longjmp.
struct TPngJob {
  const TGifImage* Image = nullptr;
  std::span<const std::uint8_t> Idat;  // the compressed image data
  TBytes* Out = nullptr;
  TPngArena* Arena = nullptr;
  int Dpi = 0;
  char Error[256] = {};
};

void OnError(png_structp png, png_const_charp message) {
  auto* job = static_cast<TPngJob*>(png_get_error_ptr(png));
  std::snprintf(job->Error, sizeof job->Error, "%s", message);
  png_longjmp(png, 1);
}
void OnWarning(png_structp, png_const_charp) {}
void OnWrite(png_structp png, png_bytep data, png_size_t length) {
  auto* job = static_cast<TPngJob*>(png_get_io_ptr(png));
  job->Out->insert(job->Out->end(), data, data + length);
}
void OnFlush(png_structp) {}
png_voidp OnAllocate(png_structp png, png_alloc_size_t size) {
  return static_cast<TPngArena*>(png_get_mem_ptr(png))->Allocate(size);
}
void OnFree(png_structp png, png_voidp p) {
  static_cast<TPngArena*>(png_get_mem_ptr(png))->Free(p);
}

// libpng writes the signature and the header chunks, then the image data compressed beforehand
// as one IDAT chunk, and the end chunk. Returns false with job.Error set when libpng fails. Only
// trivially destructible locals live here, as libpng leaves by longjmp.
bool WritePng(TPngJob& job) {
  const TGifImage& image = *job.Image;
  png_structp png = png_create_write_struct_2(PNG_LIBPNG_VER_STRING, &job, OnError, OnWarning,
                                              job.Arena, OnAllocate, OnFree);
  if (!png) {
    std::snprintf(job.Error, sizeof job.Error, "out of memory");
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    if (!info) std::snprintf(job.Error, sizeof job.Error, "out of memory");
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return false;
  }
  png_set_write_fn(png, &job, OnWrite, OnFlush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.Width),
               static_cast<png_uint_32>(image.Height), image.BitsPerPixel(), PNG_COLOR_TYPE_PALETTE,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_color palette[kMaxGifColors];
  const int colors = static_cast<int>(image.Palette.size());
  for (int i = 0; i < colors; ++i) {
    const TColor c = image.Palette[static_cast<std::size_t>(i)];
    palette[i] = png_color{static_cast<png_byte>(ColorR(c)), static_cast<png_byte>(ColorG(c)),
                           static_cast<png_byte>(ColorB(c))};
  }
  png_set_PLTE(png, info, palette, colors);
  if (image.TransparentIndex >= 0 && image.TransparentIndex < colors) {
    // Every entry up to the transparent one needs an alpha value; the others stay opaque.
    png_byte alpha[kMaxGifColors];
    for (int i = 0; i <= image.TransparentIndex; ++i) alpha[i] = 255;
    alpha[image.TransparentIndex] = 0;
    png_set_tRNS(png, info, alpha, image.TransparentIndex + 1, nullptr);
  }
  const png_uint_32 perMetre = PixelsPerMetre(job.Dpi);
  png_set_pHYs(png, info, perMetre, perMetre, PNG_RESOLUTION_METER);
  png_write_info(png, info);
  static constexpr png_byte kIdat[5] = "IDAT";
  static constexpr png_byte kIend[5] = "IEND";
  png_write_chunk(png, kIdat, job.Idat.data(), job.Idat.size());
  png_write_chunk(png, kIend, nullptr, 0);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

// The compressor lives as long as the encoder: setting one up touches more memory than a small
// barcode's picture holds.
struct TPngEncoder::TState {
  TPngArena Arena;  // libpng's memory for one picture
  isal_zstream Deflate;
  // Level 1's hash table and symbol buffer, made when a picture first needs it.
  std::unique_ptr<std::uint8_t[]> LevelBuffer;
  static constexpr std::size_t kLevelBufferSize = ISAL_DEF_LVL1_SMALL;
  TBytes Scanlines;
  TBytes SameAsAbove;  // per line of Scanlines
  TBytes Idat;         // room for the largest stream so far; IdatSize bytes of it in use
  std::size_t IdatSize = 0;
  TBytes Out;

  // Deflate's fields are cleared, but not its history buffer and hash table (80 KB), which
  // stateless compression sets before it reads them: clearing them would cost a one-picture
  // process more than compressing its picture.
  TState() { std::memset(&Deflate, 0, offsetof(isal_zstream, internal_state.buffer)); }
  TState(const TState&) = delete;
  TState& operator=(const TState&) = delete;

  // Compresses Scanlines, whose checksum and distinct bytes are given, into Idat as one zlib
  // stream.
  void Compress(const TScanlines& scanlines) {
    const std::size_t line = scanlines.Line;
    if (scanlines.DistinctBytes <= kFixedCodesUpTo && line <= kRowDeflateMaxLine) {
      const std::size_t bound =
          sizeof kZlibHeader + RowDeflateBound(line, SameAsAbove) + kZlibTrailer;
      if (Idat.size() < bound) Idat.resize(bound);
      std::memcpy(Idat.data(), kZlibHeader, sizeof kZlibHeader);
      const std::size_t written =
          DeflateRows(Scanlines, line, SameAsAbove, Idat.data() + sizeof kZlibHeader);
      Finish(scanlines.Adler, written);
      return;
    }
    const TIsal* isal = Isal();
    if (!isal) {
      CompressWithZlib(scanlines.Adler);
      return;
    }
    isal->StatelessInit(&Deflate);
    Deflate.end_of_stream = 1;
    Deflate.flush = NO_FLUSH;
    Deflate.gzip_flag = IGZIP_DEFLATE;
    if (!LevelBuffer) LevelBuffer = std::make_unique<std::uint8_t[]>(kLevelBufferSize);
    Deflate.level = 1;
    Deflate.level_buf = LevelBuffer.get();
    Deflate.level_buf_size = kLevelBufferSize;
    // Data that does not compress is stored as it is: at most the rows, a stored block's header
    // for every 64 KB and the largest header a block of codes can have, with a little slack.
    const std::size_t n = Scanlines.size();
    const std::size_t bound =
        sizeof kZlibHeader + n + 5 * (n / 65535 + 1) + ISAL_DEF_MAX_HDR_SIZE + 64 + kZlibTrailer;
    // Grown only, so that its bytes are not cleared again for every picture.
    if (Idat.size() < bound) Idat.resize(bound);
    std::memcpy(Idat.data(), kZlibHeader, sizeof kZlibHeader);
    Deflate.next_in = Scanlines.data();
    Deflate.avail_in = static_cast<std::uint32_t>(n);
    Deflate.next_out = Idat.data() + sizeof kZlibHeader;
    Deflate.avail_out = static_cast<std::uint32_t>(bound - sizeof kZlibHeader - kZlibTrailer);
    const int result = isal->Stateless(&Deflate);
    ClearUpperVectorState();
    if (result != COMP_OK || Deflate.avail_in != 0) throw EImageEncodeError("PNG: deflate failed");
    Finish(scanlines.Adler, Deflate.total_out);
  }

  // zlib's fastest level, as a raw stream: the checksum is known already.
  void CompressWithZlib(uLong adler) {
    z_stream z{};
    if (deflateInit2(&z, 1, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
      throw EImageEncodeError("PNG: deflate failed");
    const std::size_t n = Scanlines.size();
    const std::size_t bound =
        sizeof kZlibHeader + deflateBound(&z, static_cast<uLong>(n)) + kZlibTrailer;
    if (Idat.size() < bound) Idat.resize(bound);
    std::memcpy(Idat.data(), kZlibHeader, sizeof kZlibHeader);
    z.next_in = Scanlines.data();
    z.avail_in = static_cast<uInt>(n);
    z.next_out = Idat.data() + sizeof kZlibHeader;
    z.avail_out = static_cast<uInt>(bound - sizeof kZlibHeader - kZlibTrailer);
    const int result = deflate(&z, Z_FINISH);
    const std::size_t written = z.total_out;
    deflateEnd(&z);
    if (result != Z_STREAM_END) throw EImageEncodeError("PNG: deflate failed");
    Finish(adler, written);
  }

  // The checksum after the written bytes of deflate stream.
  void Finish(uLong adler, std::size_t written) {
    std::uint8_t* trailer = Idat.data() + sizeof kZlibHeader + written;
    for (int k = 0; k < 4; ++k) trailer[k] = static_cast<std::uint8_t>(adler >> (24 - 8 * k));
    IdatSize = sizeof kZlibHeader + written + kZlibTrailer;
  }
};

TPngEncoder::TPngEncoder() : FState(std::make_unique<TState>()) {}

TPngEncoder::~TPngEncoder() = default;

std::span<const std::uint8_t> TPngEncoder::Encode(const TGifImage& image, int dpi) {
  CheckImageSize(image.Width, image.Height);
  assert(!image.Palette.empty() && image.Palette.size() <= kMaxGifColors);
  assert(image.Indices.size() ==
         static_cast<std::size_t>(image.Width) * static_cast<std::size_t>(image.Height));
  TState& state = *FState;
  state.Compress(PackScanlines(image, state.Scanlines, state.SameAsAbove));
  state.Out.clear();
  TPngJob job;
  job.Image = &image;
  job.Idat = std::span<const std::uint8_t>(state.Idat.data(), state.IdatSize);
  job.Out = &state.Out;
  job.Arena = &state.Arena;
  job.Dpi = dpi;
  const bool written = WritePng(job);
  state.Arena.Reset();
  if (!written) throw EImageEncodeError(std::string("PNG: ") + job.Error);
  return state.Out;
}

TBytes EncodePng(const TGifImage& image, int dpi) {
  TPngEncoder encoder;
  const std::span<const std::uint8_t> bytes = encoder.Encode(image, dpi);
  return TBytes(bytes.begin(), bytes.end());
}

}  // namespace brevix
