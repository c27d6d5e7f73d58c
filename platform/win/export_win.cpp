#include "platform/win/export_win.h"

#include <wincodec.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "core/control.h"
#include "imagewriters/gif_image.h"
#include "output/file_formats.h"
#include "output/vector_writers.h"
#include "platform/win/gdi_canvas.h"
#include "platform/win/gif_encoder.h"
#include "platform/win/win_error.h"
#include "render/draw.h"
#include "render/module_paint.h"

namespace brevix::win {
namespace {

// Owns a GDI or COM handle for the length of one export.
template <class T, auto Free>
class THandle {
 public:
  explicit THandle(T h = nullptr) : FHandle(h) {}
  ~THandle() {
    if (FHandle) Free(FHandle);
  }
  THandle(const THandle&) = delete;
  THandle& operator=(const THandle&) = delete;
  T Get() const { return FHandle; }
  T Release() { return std::exchange(FHandle, nullptr); }

 private:
  T FHandle;
};

void ReleaseCom(IUnknown* p) {
  p->Release();
}
template <class I>
using TCom = THandle<I*, &ReleaseCom>;

void DeleteGdiObject(HGDIOBJ h) {
  DeleteObject(h);
}
void DeleteMemoryDC(HDC h) {
  DeleteDC(h);
}
void DeleteEmf(HENHMETAFILE h) {
  DeleteEnhMetaFile(h);
}

// The picture limits of the image writers: GDI, the metafile header and the codecs all hold a
// side in 16 bits, and a DIB of more pixels than this is no barcode anyone can print.
constexpr int kMaxPictureSide = 32767;
constexpr std::int64_t kMaxPicturePixels = std::int64_t{1} << 26;

void CheckPictureSize(int width, int height) {
  const std::wstring size = std::to_wstring(width) + L" x " + std::to_wstring(height) + L" pixels";
  if (width <= 0 || height <= 0) {
    throw EWinError(L"Cannot draw a picture of " + size + L": the picture is empty", E_INVALIDARG);
  }
  if (width > kMaxPictureSide || height > kMaxPictureSide ||
      std::int64_t{width} * height > kMaxPicturePixels) {
    throw EWinError(L"Cannot draw a picture of " + size + L": the picture is too large (at most " +
                        std::to_wstring(kMaxPictureSide) + L" pixels a side and " +
                        std::to_wstring(kMaxPicturePixels) + L" in all)",
                    E_INVALIDARG);
  }
}

std::wstring Quoted(const std::wstring& name) {
  return L"\"" + name + L"\"";
}

void WriteFileBytes(const std::wstring& name, const void* data, std::size_t size) {
  HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) RaiseLastError(L"Cannot create file " + Quoted(name));
  const auto* p = static_cast<const std::uint8_t*>(data);
  while (size > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file, p, chunk, &written, nullptr) || written != chunk) {
      const DWORD error = GetLastError();
      CloseHandle(file);
      SetLastError(error ? error : ERROR_WRITE_FAULT);
      RaiseLastError(L"Cannot write file " + Quoted(name));
    }
    p += chunk;
    size -= chunk;
  }
  CloseHandle(file);
}

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

std::wstring FromUtf8(const std::string& text) {
  if (text.empty()) return {};
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
  return out;
}

// The format the name's extension selects, whatever its case, from the table every platform
// reads. A drive letter's colon ends the directory part as a slash does.
TFileFormat FormatOfName(const std::wstring& name) {
  const std::size_t slash = name.find_last_of(L"\\/:");
  const std::size_t dot = name.rfind(L'.');
  if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) {
    return TFileFormat::None;
  }
  return FileFormatOf(Utf8(name.substr(dot)));
}

// The control drawn into a 32-bit top-down DIB of its own size.
class TRenderedBitmap {
 public:
  explicit TRenderedBitmap(TCustomBC& control) : TRenderedBitmap(control, PictureSize(control)) {}
  TRenderedBitmap(TCustomBC& control, TSize size) : FWidth(size.cx), FHeight(size.cy) {
    CheckPictureSize(FWidth, FHeight);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = FWidth;
    info.bmiHeader.biHeight = -FHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    // A failed allocation need not set the thread's error: do not report an older one.
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    FBitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!FBitmap) RaiseLastError("Cannot create the picture");
    FBits = static_cast<std::uint8_t*>(bits);
    FDC = CreateCompatibleDC(nullptr);
    FOld = SelectObject(FDC, FBitmap);
    // Parts the drawing leaves alone (a transparent background) show the background colour.
    const RECT all{0, 0, FWidth, FHeight};
    HBRUSH back = CreateSolidBrush(ResolveColor(control.Color_Back()));
    FillRect(FDC, &all, back);
    DeleteObject(back);
    {
      TGdiCanvas canvas(FDC);
      canvas.Font.Assign(control.Font());
      DrawBarCode(canvas, TRect{0, 0, FWidth, FHeight}, control);
    }
    GdiFlush();
  }
  ~TRenderedBitmap() {
    SelectObject(FDC, FOld);
    DeleteDC(FDC);
    DeleteObject(FBitmap);
  }
  TRenderedBitmap(const TRenderedBitmap&) = delete;
  TRenderedBitmap& operator=(const TRenderedBitmap&) = delete;

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  int Stride() const { return FWidth * 4; }
  const std::uint8_t* Bits() const { return FBits; }
  HDC DC() const { return FDC; }

 private:
  int FWidth, FHeight;
  HBITMAP FBitmap = nullptr;
  std::uint8_t* FBits = nullptr;
  HDC FDC = nullptr;
  HGDIOBJ FOld = nullptr;
};

// The control's Resolution, or the screen's 96 per inch.
double DotsPerInch(const TCustomBC& control) {
  return control.Resolution() > 0 ? control.Resolution() : 96.0;
}

LONG PixelsPerMetre(const TCustomBC& control) {
  return static_cast<LONG>(DotsPerInch(control) * 10000 / 254 + 0.5);
}

void SaveBitmapFile(TCustomBC& control, const std::wstring& name) {
  const TRenderedBitmap picture(control);
  const int rowBytes = (picture.Width() * 3 + 3) & ~3;
  const std::size_t imageSize = static_cast<std::size_t>(rowBytes) * picture.Height();
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = static_cast<DWORD>(file.bfOffBits + imageSize);
  info.biSize = sizeof info;
  info.biWidth = picture.Width();
  info.biHeight = picture.Height();
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  info.biSizeImage = static_cast<DWORD>(imageSize);
  info.biXPelsPerMeter = info.biYPelsPerMeter = PixelsPerMetre(control);
  std::vector<std::uint8_t> out(file.bfSize, 0);
  std::memcpy(out.data(), &file, sizeof file);
  std::memcpy(out.data() + sizeof file, &info, sizeof info);
  // Bottom-up rows of blue, green, red.
  for (int y = 0; y < picture.Height(); ++y) {
    const std::uint8_t* src = picture.Bits() + static_cast<std::size_t>(y) * picture.Stride();
    std::uint8_t* dst =
        out.data() + file.bfOffBits + static_cast<std::size_t>(picture.Height() - 1 - y) * rowBytes;
    for (int x = 0; x < picture.Width(); ++x) {
      dst[x * 3] = src[x * 4];
      dst[x * 3 + 1] = src[x * 4 + 1];
      dst[x * 3 + 2] = src[x * 4 + 2];
    }
  }
  WriteFileBytes(name, out.data(), out.size());
}

#pragma pack(push, 2)
// Header that makes a Windows metafile placeable: its size and resolution.
struct TPlaceableHeader {
  std::uint32_t Key;
  std::uint16_t Handle;
  std::int16_t Left, Top, Right, Bottom;
  std::uint16_t Inch;
  std::uint32_t Reserved;
  std::uint16_t Checksum;
};
#pragma pack(pop)
static_assert(sizeof(TPlaceableHeader) == 22);

void SaveMetafile(TCustomBC& control, const std::wstring& name, bool enhanced) {
  const auto [width, height] = PictureSize(control);
  HDC screen = GetDC(nullptr);
  const int dpiX = GetDeviceCaps(screen, LOGPIXELSX), dpiY = GetDeviceCaps(screen, LOGPIXELSY);
  // The frame is in 1/100 mm.
  const RECT frame{0, 0, MulDiv(width, 2540, dpiX), MulDiv(height, 2540, dpiY)};
  HDC recorder = CreateEnhMetaFileW(screen, nullptr, &frame, L"activeBrevixBarCodeX\0BarCode\0");
  if (!recorder) {
    ReleaseDC(nullptr, screen);
    RaiseLastError("Cannot create the metafile");
  }
  {
    TGdiCanvas canvas(recorder);
    canvas.Font.Assign(control.Font());
    DrawBarCode(canvas, TRect{0, 0, width, height}, control);
  }
  THandle<HENHMETAFILE, &DeleteEmf> emf(CloseEnhMetaFile(recorder));
  if (!emf.Get()) {
    ReleaseDC(nullptr, screen);
    RaiseLastError("Cannot record the metafile");
  }
  std::vector<std::uint8_t> out;
  if (enhanced) {
    const UINT size = GetEnhMetaFileBits(emf.Get(), 0, nullptr);
    out.resize(size);
    GetEnhMetaFileBits(emf.Get(), size, out.data());
  } else {
    const UINT size = GetWinMetaFileBits(emf.Get(), 0, nullptr, MM_ANISOTROPIC, screen);
    if (size == 0) {
      ReleaseDC(nullptr, screen);
      RaiseLastError("Cannot convert the metafile");
    }
    TPlaceableHeader header{};
    header.Key = 0x9AC6CDD7;
    header.Right = static_cast<std::int16_t>(width);
    header.Bottom = static_cast<std::int16_t>(height);
    header.Inch = static_cast<std::uint16_t>(dpiX);
    const auto* words = reinterpret_cast<const std::uint16_t*>(&header);
    for (std::size_t i = 0; i < 10; ++i) header.Checksum ^= words[i];
    out.resize(sizeof header + size);
    std::memcpy(out.data(), &header, sizeof header);
    GetWinMetaFileBits(emf.Get(), size, out.data() + sizeof header, MM_ANISOTROPIC, screen);
  }
  ReleaseDC(nullptr, screen);
  WriteFileBytes(name, out.data(), out.size());
}

// The rendered picture's BGRX rows as the RGB bitmap the shared palette reduction reads.
TBitmap RgbOf(const TRenderedBitmap& picture) {
  TBitmap bitmap;
  bitmap.Resize(picture.Width(), picture.Height());
  const std::size_t width = static_cast<std::size_t>(bitmap.Width);
  for (std::size_t y = 0; y < static_cast<std::size_t>(bitmap.Height); ++y) {
    const std::uint8_t* src = picture.Bits() + y * static_cast<std::size_t>(picture.Stride());
    std::uint8_t* dst = bitmap.Rgb.data() + y * width * 3;
    for (std::size_t x = 0; x < width; ++x, src += 4, dst += 3) {
      dst[0] = src[2];
      dst[1] = src[1];
      dst[2] = src[0];
    }
  }
  return bitmap;
}

void SaveGifFile(TCustomBC& control, const std::wstring& name) {
  const TRenderedBitmap rendered(control);
  const TBitmap rgb = RgbOf(rendered);
  TGifImage picture;
  if (control.Transparent())
    TransparentGifImageFromBitmap(rgb, picture, ResolveColor(control.Color_Back()));
  else
    GifImageFromBitmap(rgb, picture);
  const std::vector<std::uint8_t> gif = EncodeGif(picture);
  WriteFileBytes(name, gif.data(), gif.size());
}

// Encodes one frame with a WIC codec. Pixels are either 8-bit palette indices (palette given) or
// 24-bit BGR.
void WriteWithCodec(const std::wstring& name, REFGUID container, int width, int height,
                    const TGifImage* palette, const TRenderedBitmap* rgb, float jpegQuality,
                    double dpi) {
  IWICImagingFactory* rawFactory = nullptr;
  Check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                         IID_IWICImagingFactory, reinterpret_cast<void**>(&rawFactory)),
        "Cannot start the image codecs");
  TCom<IWICImagingFactory> factory(rawFactory);

  IWICStream* rawStream = nullptr;
  Check(factory.Get()->CreateStream(&rawStream), "Cannot create the image stream");
  TCom<IWICStream> stream(rawStream);
  Check(stream.Get()->InitializeFromFilename(name.c_str(), GENERIC_WRITE),
        L"Cannot create file " + Quoted(name));

  IWICBitmapEncoder* rawEncoder = nullptr;
  Check(factory.Get()->CreateEncoder(container, nullptr, &rawEncoder),
        "No encoder for this image format");
  TCom<IWICBitmapEncoder> encoder(rawEncoder);
  Check(encoder.Get()->Initialize(stream.Get(), WICBitmapEncoderNoCache),
        "Cannot start the image encoder");

  IWICBitmapFrameEncode* rawFrame = nullptr;
  IPropertyBag2* rawOptions = nullptr;
  Check(encoder.Get()->CreateNewFrame(&rawFrame, &rawOptions), "Cannot create the image frame");
  TCom<IWICBitmapFrameEncode> frame(rawFrame);
  TCom<IPropertyBag2> options(rawOptions);
  if (jpegQuality > 0 && options.Get()) {
    PROPBAG2 option{};
    option.pstrName = const_cast<LPOLESTR>(L"ImageQuality");
    VARIANT value;
    VariantInit(&value);
    V_VT(&value) = VT_R4;
    V_R4(&value) = jpegQuality;
    Check(options.Get()->Write(1, &option, &value), "Cannot set the JPEG quality");
  }
  Check(frame.Get()->Initialize(options.Get()), "Cannot start the image frame");
  Check(frame.Get()->SetSize(static_cast<UINT>(width), static_cast<UINT>(height)),
        "Cannot size the image");
  // The control's Resolution, by default the screen's 96 pixels per inch as in the BMP header:
  // readers print the picture at the size the control has on screen.
  Check(frame.Get()->SetResolution(dpi, dpi), "Cannot set the image resolution");

  WICPixelFormatGUID format =
      palette ? GUID_WICPixelFormat8bppIndexed : GUID_WICPixelFormat24bppBGR;
  Check(frame.Get()->SetPixelFormat(&format), "Cannot set the pixel format");
  const bool indexed = palette && format == GUID_WICPixelFormat8bppIndexed;
  if (!indexed && format != GUID_WICPixelFormat24bppBGR) {
    throw EWinError("The image encoder refuses 24-bit pictures",
                    WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT);
  }

  std::vector<std::uint8_t> pixels;
  UINT stride = 0;
  if (indexed) {
    std::vector<WICColor> colors;
    for (const TColor c : palette->Palette) {
      colors.push_back(0xFF000000u | (static_cast<WICColor>(ColorR(c)) << 16) |
                       (static_cast<WICColor>(ColorG(c)) << 8) | static_cast<WICColor>(ColorB(c)));
    }
    IWICPalette* rawPalette = nullptr;
    Check(factory.Get()->CreatePalette(&rawPalette), "Cannot create the palette");
    TCom<IWICPalette> wicPalette(rawPalette);
    Check(wicPalette.Get()->InitializeCustom(colors.data(), static_cast<UINT>(colors.size())),
          "Cannot fill the palette");
    Check(frame.Get()->SetPalette(wicPalette.Get()), "Cannot set the palette");
    stride = static_cast<UINT>(width);
    pixels = palette->Indices;
  } else {
    // 24-bit rows; a palette picture is expanded with its own colours.
    stride = static_cast<UINT>((width * 3 + 3) & ~3);
    pixels.assign(static_cast<std::size_t>(stride) * height, 0);
    for (int y = 0; y < height; ++y) {
      std::uint8_t* dst = pixels.data() + static_cast<std::size_t>(y) * stride;
      for (int x = 0; x < width; ++x) {
        if (palette) {
          const TColor c =
              palette->Palette[palette->Indices[static_cast<std::size_t>(y) * width + x]];
          dst[x * 3] = static_cast<std::uint8_t>(ColorB(c));
          dst[x * 3 + 1] = static_cast<std::uint8_t>(ColorG(c));
          dst[x * 3 + 2] = static_cast<std::uint8_t>(ColorR(c));
        } else {
          const std::uint8_t* src =
              rgb->Bits() + static_cast<std::size_t>(y) * rgb->Stride() + x * 4;
          dst[x * 3] = src[0];
          dst[x * 3 + 1] = src[1];
          dst[x * 3 + 2] = src[2];
        }
      }
    }
  }
  Check(frame.Get()->WritePixels(static_cast<UINT>(height), stride,
                                 static_cast<UINT>(pixels.size()), pixels.data()),
        "Cannot write the image");
  Check(frame.Get()->Commit(), "Cannot finish the image frame");
  Check(encoder.Get()->Commit(), L"Cannot write file " + Quoted(name));
}

void SavePngTiffFile(TCustomBC& control, const std::wstring& name, bool tiff) {
  // Through the GIF palette first, so PNG and TIFF carry the same colours as a GIF would.
  const TRenderedBitmap rendered(control);
  const TGifImage picture = GifImageFromBitmap(RgbOf(rendered));
  WriteWithCodec(name, tiff ? GUID_ContainerFormatTiff : GUID_ContainerFormatPng, picture.Width,
                 picture.Height, &picture, nullptr, 0.0f, DotsPerInch(control));
}

void SaveJpegFile(TCustomBC& control, const std::wstring& name) {
  const TRenderedBitmap rendered(control);
  WriteWithCodec(name, GUID_ContainerFormatJpeg, rendered.Width(), rendered.Height(), nullptr,
                 &rendered, 1.0f, DotsPerInch(control));
}

// SVG, EPS or PDF of the control's module-mode drawing.
void SaveVectorFile(TCustomBC& control, const std::wstring& name, TFileFormat format) {
  const int ppm = control.ModuleWidth() > 0 ? control.ModuleWidth() : kVectorModulePixels;
  TLastError error = erOK;
  const TDrawing drawing = LayoutControl(control, ppm, &error);
  control.SetErrorMessage(error);
  if (error != erOK) {
    throw EWinError(L"cannot write " + Quoted(name) + L": " + FromUtf8(control.ErrorText()),
                    E_FAIL);
  }
  std::string doc;
  WriteVectorFile(format, drawing, doc);
  WriteFileBytes(name, doc.data(), doc.size());
}

}  // namespace

void CopyToClipboard(TCustomBC& control, HWND owner) {
  const TRenderedBitmap rendered(control);
  HDC screen = GetDC(nullptr);
  THandle<HBITMAP, &DeleteGdiObject> bitmap(
      CreateCompatibleBitmap(screen, rendered.Width(), rendered.Height()));
  ReleaseDC(nullptr, screen);
  if (!bitmap.Get()) RaiseLastError("Cannot create the clipboard bitmap");
  {
    THandle<HDC, &DeleteMemoryDC> dc(CreateCompatibleDC(nullptr));
    HGDIOBJ old = SelectObject(dc.Get(), bitmap.Get());
    BitBlt(dc.Get(), 0, 0, rendered.Width(), rendered.Height(), rendered.DC(), 0, 0, SRCCOPY);
    SelectObject(dc.Get(), old);
  }
  // Another program may hold the clipboard for a moment.
  bool open = false;
  for (int attempt = 0; attempt < 10 && !open; ++attempt) {
    open = OpenClipboard(owner) != FALSE;
    if (!open) Sleep(20);
  }
  if (!open) RaiseLastError("Cannot open the clipboard");
  EmptyClipboard();
  if (!SetClipboardData(CF_BITMAP, bitmap.Get())) {
    const DWORD error = GetLastError();
    CloseClipboard();
    SetLastError(error);
    RaiseLastError("Cannot put the picture on the clipboard");
  }
  // The clipboard owns the bitmap now.
  bitmap.Release();
  CloseClipboard();
}

void DrawToFile(TCustomBC& control, const std::wstring& fileName) {
  if (fileName.empty()) return;
  const TFileFormat format = FormatOfName(fileName);
  if (format == TFileFormat::None) {
    // The message every platform gives, the name round-tripped through UTF-8 unchanged.
    throw EWinError(FromUtf8(UnknownFormatMessage(Utf8(fileName))), E_INVALIDARG);
  }
  if (WriterKindOf(format) == TWriterKind::Vector) {
    SaveVectorFile(control, fileName, format);
    return;
  }
  const TSize size = PictureSize(control);
  CheckPictureSize(size.cx, size.cy);
  switch (format) {
    case TFileFormat::Bmp:
      SaveBitmapFile(control, fileName);
      break;
    case TFileFormat::Wmf:
    case TFileFormat::Emf:
      SaveMetafile(control, fileName, format == TFileFormat::Emf);
      break;
    case TFileFormat::Gif:
      SaveGifFile(control, fileName);
      break;
    case TFileFormat::Png:
    case TFileFormat::Tiff:
      SavePngTiffFile(control, fileName, format == TFileFormat::Tiff);
      break;
    case TFileFormat::Jpeg:
      SaveJpegFile(control, fileName);
      break;
    default:
      break;
  }
}

}  // namespace brevix::win
