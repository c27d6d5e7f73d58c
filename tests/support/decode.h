#pragma once
// Real decoders for the tests: zxing-cpp in process (when built with it), zbarimg and ZXingReader
// on PNG files. Images are 8-bit grey, 0 = black, 255 = white.

#include <cstdint>
#include <string>
#include <vector>

namespace brevix::test {

struct TGreyImage {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint8_t> Pixels;  // row-major, Width * Height
};

// A module pattern (dark: '1', '2', 'M'; everything else light) drawn with pixelsPerModule
// columns per module and height rows, with a white quiet zone of quietModules on every side.
TGreyImage ImageFromPattern(const std::string& pattern, int pixelsPerModule = 3, int height = 60,
                            int quietModules = 12);
// Rows of '1'/'0' modules (PDF417), each drawn rowHeight pixels high, with a quiet zone.
TGreyImage ImageFromRows(const std::vector<std::string>& rows, int pixelsPerModule = 2,
                         int rowHeight = 6, int quietModules = 4);

struct TDecoded {
  std::string Format;       // decoder's own name, e.g. "EAN-13", "Code128", "PDF417"
  std::string Text;         // as the decoder reports it (UTF-8)
  std::string SymbologyId;  // e.g. "]C1"; empty where the decoder gives none
};

// True when the in-process zxing-cpp decoder is available.
bool HaveZXing();
// Every symbol zxing-cpp finds (Code 39 extended mode on, Codabar start/stop kept, add-ons read).
std::vector<TDecoded> DecodeWithZXing(const TGreyImage& image);
// Writes a PNG (for the command-line decoders and for looking at failures).
void WritePng(const TGreyImage& image, const std::string& path);
// zbarimg on a PNG file: the symbols it prints ("EAN-13:9771210107001" lines), empty if none.
std::vector<std::string> DecodeWithZbar(const std::string& pngPath,
                                        const std::string& extraArgs = "");
bool HaveZbar();

}  // namespace brevix::test
