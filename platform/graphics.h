#pragma once
// Plain graphics value types shared by the control, the canvases and the writers.

#include <cstdint>
#include <functional>
#include <string>

namespace brevix {

// Colours are 0x00BBGGRR, as the platform's COLORREF/OLE_COLOR.
using TColor = std::uint32_t;
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clRed = 0x0000FF;
constexpr TColor RGBColor(int r, int g, int b) {
  return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int ColorR(TColor c) {
  return static_cast<int>(c & 0xFF);
}
constexpr int ColorG(TColor c) {
  return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int ColorB(TColor c) {
  return static_cast<int>((c >> 16) & 0xFF);
}

struct TPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
  int cx = 0;
  int cy = 0;
  friend bool operator==(const TSize&, const TSize&) = default;
};

// Right and Bottom are exclusive.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  friend bool operator==(const TRect&, const TRect&) = default;
};

// Font style bits.
enum TFontStyle : std::uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = std::uint8_t;

// Screen resolution every canvas works at: a font of size 8 is 11 pixels high.
inline constexpr int kPixelsPerInch = 96;

// A font object as the platform's control classes have it: a negative Height is the character
// height in pixels, Size is in points; the two are kept in step at 96 pixels per inch.
class TFont {
 public:
  std::function<void()> OnChange;

  const std::string& Name() const { return FName; }
  void SetName(const std::string& v) {
    if (v != FName) {
      FName = v;
      Changed();
    }
  }
  int Size() const;
  void SetSize(int points);
  int Height() const { return FHeight; }
  void SetHeight(int v) {
    if (v != FHeight) {
      FHeight = v;
      Changed();
    }
  }
  TColor Color() const { return FColor; }
  void SetColor(TColor v) {
    if (v != FColor) {
      FColor = v;
      Changed();
    }
  }
  TFontStyles Style() const { return FStyle; }
  void SetStyle(TFontStyles v) {
    if (v != FStyle) {
      FStyle = v;
      Changed();
    }
  }
  std::uint8_t Charset() const { return FCharset; }
  void SetCharset(std::uint8_t v) {
    if (v != FCharset) {
      FCharset = v;
      Changed();
    }
  }
  // Escapement of the current handle in tenths of a degree (set by SetFontAngle).
  int Escapement() const { return FEscapement; }
  void SetEscapement(int tenths) {
    if (tenths != FEscapement) {
      FEscapement = tenths;
      Changed();
    }
  }

  // Copies every attribute (not the change handler) and notifies once.
  void Assign(const TFont& other);
  bool SameAs(const TFont& other) const;

 private:
  void Changed() {
    if (OnChange) OnChange();
  }

  std::string FName = "Arial";
  int FHeight = -11;
  TColor FColor = clBlack;
  TFontStyles FStyle = 0;
  std::uint8_t FCharset = 1;  // DEFAULT_CHARSET
  int FEscapement = 0;
};

}  // namespace brevix
