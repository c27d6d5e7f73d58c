#include "layout/module_layout.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "layout/physical_size.h"
#include "symbol/quiet_zones.h"

namespace brevix {

namespace {

// Caption em height in modules: EAN/UPC digits of about 2.75 mm at the 0.33 mm module. Longer
// texts are set smaller so that they stay within the bars they describe.
constexpr double kCaptionModules = 8;
// Average advance of a caption character, in ems, for that fit.
constexpr double kAverageAdvance = 0.6;
// A caption line takes 1.2 ems; its baseline sits 0.95 ems below the line's top.
constexpr double kLineEms = 1.2;
constexpr double kBaselineEms = 0.95;
// UPC's outer digits are set smaller than the digit groups.
constexpr double kSmallTextRatio = 0.75;
// Guard bars and add-on bars reach five modules below the other bars.
constexpr int kGuardExtension = 5;
// PostNet's half bars are 0.050" of its 0.125" bars.
constexpr double kShortBarRatio = 0.4;

int NormalAngle(int angle) {
  const int a = ((angle % 360) + 360) % 360;
  return a % 90 == 0 ? a : 0;
}

// Caption size: the nominal one, or smaller for a text that would not fit over its group.
double CaptionSize(const TSymbol& symbol) {
  double size = kCaptionModules;
  for (const TTextGroup& g : symbol.Text) {
    if (g.Text.empty() || g.To <= g.From) continue;
    const double fit = (g.To - g.From) / (kAverageAdvance * static_cast<double>(g.Text.size()));
    size = std::min(size, fit);
  }
  return size;
}

// Rows of the symbol's width, each with a height, and some height in all.
bool WellFormed(const TSymbol& s) {
  if (s.Empty() || s.RowHeights.size() != s.Rows.size() || s.Height() <= 0) return false;
  return std::all_of(
             s.Rows.begin(), s.Rows.end(),
             [&s](const std::string& row) { return static_cast<int>(row.size()) == s.Width; }) &&
         std::all_of(s.RowHeights.begin(), s.RowHeights.end(), [](int h) { return h >= 0; });
}

bool HasLine(const TSymbol& symbol, bool above) {
  return std::any_of(symbol.Text.begin(), symbol.Text.end(), [above](const TTextGroup& g) {
    return (g.Line == TTextLine::Above) == above;
  });
}

}  // namespace

TDrawing LayoutModuleMode(const TSymbol& symbol, const TModuleOptions& options) {
  TDrawing d;
  LayoutModuleMode(symbol, options, d);
  return d;
}

void LayoutModuleMode(const TSymbol& symbol, const TModuleOptions& options, TDrawing& d) {
  d.ClearContent();
  d.Angle = NormalAngle(options.Angle);
  d.Foreground = options.Foreground;
  d.Background = options.Background;
  d.Transparent = options.Transparent;
  d.Dpi = options.Dpi > 0 ? options.Dpi : kPixelsPerInch;
  if (options.XDimensionMm > 0 && std::isfinite(options.XDimensionMm)) {
    d.PixelsPerModule = DotsPerModule(options.XDimensionMm, d.Dpi).Dots;
    d.ModuleMm = options.XDimensionMm;
  } else {
    d.PixelsPerModule = std::max(1, options.PixelsPerModule);
    d.ModuleMm = d.PixelsPerModule * kMmPerInch / d.Dpi;
  }
  if (!WellFormed(symbol)) return;

  const TQuietZone zone =
      options.QuietZones ? QuietZoneOf(symbol, options.Margin)
                         : TQuietZone{std::max(0, options.Margin), std::max(0, options.Margin),
                                      std::max(0, options.Margin), std::max(0, options.Margin)};
  const bool text = options.ShowText && !symbol.Text.empty();
  const double size = text ? CaptionSize(symbol) : 0;
  const double lineHeight = std::ceil(kLineEms * size);

  // Text standing beyond the bars (EAN/UPC outer digits) widens the box where the quiet zone is
  // narrower than it.
  int textLeft = 0, textRight = symbol.Width;
  if (text)
    for (const TTextGroup& g : symbol.Text) {
      textLeft = std::min(textLeft, g.From);
      textRight = std::max(textRight, g.To);
    }
  const int left = std::max(zone.Left, -textLeft);
  const int right = std::max(zone.Right, textRight - symbol.Width);

  double barHeight = symbol.Height();
  // A 2D matrix keeps square modules: its height is its rows, whatever height is asked for.
  const bool matrix = IsMatrixSymbology(symbol.TypeBar);
  if (matrix) {
    // keeps symbol.Height()
  } else if (options.HeightModules > 0)
    barHeight = options.HeightModules;
  else if (options.HeightPixels > 0)
    barHeight = static_cast<double>(options.HeightPixels) / d.PixelsPerModule;
  else if (options.HeightMm > 0 && std::isfinite(options.HeightMm))
    barHeight = options.HeightMm / d.ModuleMm;

  const double top = zone.Top;
  const double aboveBand = text && HasLine(symbol, true) ? lineHeight : 0;
  const double barBottom = top + barHeight;
  const bool guards = std::any_of(symbol.Bars.begin(), symbol.Bars.end(), [](TBarKind k) {
    return k == TBarKind::Guard || k == TBarKind::AddOn;
  });
  const double guardBottom = barBottom + (guards ? kGuardExtension : 0);
  const double belowBand = text && HasLine(symbol, false) ? lineHeight : 0;
  d.Width = left + symbol.Width + right;
  d.Height = std::max(guardBottom, barBottom + belowBand) + zone.Bottom;

  // Bars: one rectangle per bar; stacked rows share the bar height in proportion to theirs.
  const double scale = barHeight / symbol.Height();
  double y = top;
  for (std::size_t r = 0; r < symbol.Rows.size(); ++r) {
    const double rowHeight = symbol.RowHeights[r] * scale;
    std::size_t bar = 0;
    ForEachBar(symbol.Rows[r], [&](std::size_t from, std::size_t to) {
      TDrawRect rect{static_cast<double>(left + static_cast<int>(from)), y,
                     static_cast<double>(to - from), rowHeight};
      const TBarKind kind =
          symbol.Rows.size() == 1 && bar < symbol.Bars.size() ? symbol.Bars[bar] : TBarKind::Full;
      ++bar;
      switch (kind) {
        case TBarKind::Guard:
          rect.H = guardBottom - y;
          break;
        case TBarKind::AddOn:
          rect.Y = top + aboveBand;
          rect.H = guardBottom - rect.Y;
          break;
        case TBarKind::Short:
          rect.H = std::round(rowHeight * kShortBarRatio);
          rect.Y = y + rowHeight - rect.H;
          break;
        case TBarKind::Full:
          break;
      }
      d.Bars.push_back(rect);
    });
    y += rowHeight;
  }

  if (!text) return;
  for (const TTextGroup& g : symbol.Text) {
    TTextRun run;
    run.Text = g.Text;
    run.Size = g.Line == TTextLine::BelowSmall ? size * kSmallTextRatio : size;
    run.Baseline =
        g.Line == TTextLine::Above ? top + kBaselineEms * size : barBottom + kBaselineEms * size;
    if (g.Align == TTextAlign::Left) {
      run.Anchor = TTextAnchor::Start;
      run.X = left + g.From;
    } else {
      run.Anchor = TTextAnchor::Middle;
      run.X = left + (g.From + g.To) / 2.0;
    }
    d.Texts.push_back(std::move(run));
  }
}

}  // namespace brevix
