// PDF417 stretched over the drawing box: columns, row heights, the too-small cases and the
// refused text.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/control.h"
#include "pdf417/pdf417.h"
#include "platform/raster_canvas.h"
#include "platform/recording_canvas.h"
#include "render/draw.h"
#include "render/pdf417_draw.h"

namespace brevix {
namespace {

std::unique_ptr<TBrevixBC> MakePdf(const std::string& text) {
  auto bc = std::make_unique<TBrevixBC>();
  bc->SetTypeBar(csCodePDF417);
  bc->SetDisplay(csOutputBoth);  // no caption is drawn for PDF417 whatever Display says
  bc->SetText(text);
  return bc;
}

std::vector<std::string> RowsOf(const TCustomBC& bc) {
  int cols = bc.PDF417().Cols(), rows = bc.PDF417().Rows();
  return PDF417BuildRows(bc.Text(), cols, rows, bc.PDF417().Truncated(), bc.PDF417().Mode(),
                         bc.PDF417().SecurityLevel());
}

// Row i of R covers lines ceil(i * H / R) .. ceil((i + 1) * H / R) - 1.
int RowOfLine(int y, int height, int rowCount) {
  for (int i = 0; i < rowCount; ++i)
    if (y < ((i + 1) * height + rowCount - 1) / rowCount) return i;
  return rowCount;
}

TEST(RenderPDF417, RowsStretchOverTheBox) {
  struct Row {
    const char* name;
    int width;
    bool completeDraw;
    TLastError error;
  };
  const Row rows[] = {
      {"fill, two columns a module", 478, false, erOK},
      {"integer, two columns a module", 478, true, erOK},
      {"integer, one column a module, the rest untouched", 300, true, erOK},
      {"fill, squeezed into a narrow box", 200, false, erSmallPaintBox},
      {"integer, narrower than the symbol", 200, true, erOutOfSecurityBox},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    auto bc = MakePdf("A");
    bc->SetCompleteDraw(r.completeDraw);
    const std::vector<std::string> symbol = RowsOf(*bc);
    ASSERT_FALSE(symbol.empty());
    ASSERT_EQ(symbol[0].size(), 239u);
    const int height = 80;
    const int rowCount = static_cast<int>(symbol.size());
    std::vector<std::string> scaled;
    for (const std::string& row : symbol)
      scaled.push_back(ScalePattern(row, {}, r.width, r.completeDraw).Pixels);

    TBitmap bmp(r.width, height, clRed);
    TRasterCanvas canvas(bmp);
    DrawBarCode(canvas, {0, 0, r.width, height}, *bc);
    EXPECT_EQ(bc->ErrorMessage(), r.error);
    for (int y = 0; y < height; ++y) {
      const std::string& line = scaled[static_cast<std::size_t>(RowOfLine(y, height, rowCount))];
      for (int x = 0; x < r.width; ++x) {
        // No background: spaces and the columns right of the symbol keep the canvas's red.
        const bool dark =
            x < static_cast<int>(line.size()) && line[static_cast<std::size_t>(x)] == '1';
        ASSERT_EQ(bmp.Pixel(x, y), dark ? clBlack : clRed) << x << "," << y;
      }
    }
    // The same rectangles, one call each, as the expanded rows give.
    TRecordingCanvas drawn, expected;
    DrawPDF417(drawn, {0, 0, r.width, height}, *bc);
    for (int i = 0; i < rowCount; ++i) {
      const int top = (i * height + rowCount - 1) / rowCount;
      const int bottom = ((i + 1) * height + rowCount - 1) / rowCount;
      if (bottom > top)
        DrawModuleRow(expected, {0, top, r.width, bottom}, scaled[static_cast<std::size_t>(i)]);
    }
    const auto drawnFills = drawn.CallsOf(TCanvasOp::FillRect);
    const auto expectedFills = expected.CallsOf(TCanvasOp::FillRect);
    ASSERT_EQ(drawnFills.size(), expectedFills.size());
    for (std::size_t i = 0; i < drawnFills.size(); ++i)
      EXPECT_EQ(drawnFills[i].Rect, expectedFills[i].Rect) << i;
  }
}

TEST(RenderPDF417, RowHeightsShareTheBoxHeight) {
  struct Row {
    int boxHeight;
    std::vector<int> heights;  // of the three rows
  };
  const Row rows[] = {
      {6, {2, 2, 2}},
      {5, {2, 2, 1}},
      {2, {1, 1, 0}},  // fewer lines than rows: a row gets none
      {0, {0, 0, 0}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.boxHeight);
    auto bc = MakePdf("A");
    ASSERT_EQ(RowsOf(*bc).size(), 3u);
    TRecordingCanvas canvas;
    DrawPDF417(canvas, {0, 0, 478, r.boxHeight}, *bc);
    std::vector<int> tops;
    std::vector<int> heights;
    for (const TCanvasCall& c : canvas.CallsOf(TCanvasOp::FillRect)) {
      if (!tops.empty() && tops.back() == c.Rect.Top) continue;
      tops.push_back(c.Rect.Top);
      heights.push_back(c.Rect.Height());
    }
    std::vector<int> drawn;
    for (int h : r.heights)
      if (h > 0) drawn.push_back(h);
    EXPECT_EQ(heights, drawn);
  }
}

TEST(RenderPDF417, DrawModuleRowPaintsEachDarkRunOnce) {
  TRecordingCanvas canvas;
  DrawModuleRow(canvas, {10, 2, 30, 7}, "0110001001");
  const auto fills = canvas.CallsOf(TCanvasOp::FillRect);
  ASSERT_EQ(fills.size(), 3u);
  EXPECT_EQ(fills[0].Rect, (TRect{11, 2, 13, 7}));
  EXPECT_EQ(fills[1].Rect, (TRect{16, 2, 17, 7}));
  EXPECT_EQ(fills[2].Rect, (TRect{19, 2, 20, 7}));  // a run at the end closes itself
}

TEST(RenderPDF417, RefusedPaintShowsTheMessageCentred) {
  auto bc = MakePdf("A");
  bc->PDF417().SetPaintIfSmall(false);
  TRecordingCanvas canvas;
  DrawBarCode(canvas, {0, 0, 200, 80}, *bc);
  EXPECT_EQ(bc->ErrorMessage(), erSmallPaintBox);
  ASSERT_EQ(canvas.Calls.size(), 2u);
  EXPECT_EQ(canvas.Calls[0].Op, TCanvasOp::FillRect);
  EXPECT_EQ(canvas.Calls[0].Rect, (TRect{0, 0, 200, 80}));
  EXPECT_EQ(canvas.Calls[0].Brush.Color, clWhite);
  const TCanvasCall& text = canvas.Calls[1];
  EXPECT_EQ(text.Op, TCanvasOp::DrawTextCentered);
  EXPECT_EQ(text.Text, "Tool small");
  EXPECT_EQ(text.FontHeight, -11);
  EXPECT_EQ(text.FontName, "Arial");
  // One line 11 pixels high, moved down by (80 - 11) div 2.
  EXPECT_EQ(text.Rect, (TRect{0, 34, 200, 114}));

  // The message is centred within a box that does not start at the origin as well.
  canvas = TRecordingCanvas();
  DrawPDF417(canvas, {10, 50, 210, 130}, *bc);
  ASSERT_EQ(canvas.Calls.size(), 2u);
  EXPECT_EQ(canvas.Calls[1].Rect, (TRect{10, 84, 210, 164}));
}

TEST(RenderPDF417, RefusedCharacterRaisesAndDrawsNothing) {
  auto bc = MakePdf("12a4");
  bc->PDF417().SetMode(csPDF417Numeric);
  int painted = 0;
  bc->OnPaint = [&](TObject*, TRect&, const std::string&) { ++painted; };
  TRecordingCanvas canvas;
  try {
    DrawBarCode(canvas, {0, 0, 300, 80}, *bc);
    FAIL() << "no error raised";
  } catch (const EPDF417Error& e) {
    EXPECT_EQ(std::string(e.what()), "Bad char in PDF417, position 3, char : a");
  }
  EXPECT_TRUE(canvas.Calls.empty());
  EXPECT_EQ(bc->ErrorMessage(), erOK);
  EXPECT_EQ(painted, 0);
  EXPECT_TRUE(canvas.Font.SameAs(bc->Font()));
}

TEST(RenderPDF417, NeverTurnedAndWithoutCaptions) {
  // The symbol stays upright in the control's own rectangle whatever the angle, with the ordinary
  // too-small rule for a rectangle narrower than the symbol (239 modules).
  struct Row {
    TAngleType angle;
    TRect rect;
    TLastError error;
  };
  const Row rows[] = {
      {csHorizontal, {0, 0, 400, 300}, erOK},
      {csVertical, {0, 0, 400, 300}, erOK},
      {csVerticalMirrored, {10, 20, 260, 770}, erOK},
      {csHorizontalMirrored, {0, 0, 300, 80}, erOK},
      {csVertical, {0, 0, 120, 750}, erSmallPaintBox},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.angle);
    auto bc = MakePdf("A");
    bc->SetAngle(r.angle);
    int painted = 0;
    bc->OnPaint = [&](TObject*, TRect&, const std::string&) { ++painted; };
    TRecordingCanvas canvas;
    DrawBarCode(canvas, r.rect, *bc);
    EXPECT_EQ(bc->ErrorMessage(), r.error);
    EXPECT_EQ(painted, 1);
    EXPECT_TRUE(canvas.CallsOf(TCanvasOp::TextOut).empty());
    EXPECT_TRUE(canvas.CallsOf(TCanvasOp::Polygon).empty());
    const auto fills = canvas.CallsOf(TCanvasOp::FillRect);
    ASSERT_FALSE(fills.empty());
    for (const TCanvasCall& f : fills) {
      EXPECT_GE(f.Rect.Left, r.rect.Left);
      EXPECT_LE(f.Rect.Right, r.rect.Right);
      EXPECT_GE(f.Rect.Top, r.rect.Top);
      EXPECT_LE(f.Rect.Bottom, r.rect.Bottom);
      EXPECT_EQ(f.Brush.Color, bc->Color_Lines());
    }
    EXPECT_EQ(fills.front().Rect.Top, r.rect.Top);
    EXPECT_EQ(fills.back().Rect.Bottom, r.rect.Bottom);
  }
}

}  // namespace
}  // namespace brevix

namespace brevix {
namespace {

// A control reuses its drawing buffers from one paint to the next. Whatever changes between two
// paints, the second must draw and report exactly what a fresh control with the same settings
// does, on a bitmap and on the recording canvas.
TEST(RenderPDF417, RepaintAfterAChangeMatchesAFreshControl) {
  struct Step {
    const char* name;
    std::string text;
    TRect rect;
    bool completeDraw;
  };
  const Step steps[] = {
      {"first paint", "Brevix PDF417", {0, 0, 478, 60}, false},
      {"the same again", "Brevix PDF417", {0, 0, 478, 60}, false},
      {"another text of the same size", "Brevix PDF418", {0, 0, 478, 60}, false},
      {"a taller box", "Brevix PDF418", {0, 0, 478, 97}, false},
      {"a box moved", "Brevix PDF418", {13, 7, 491, 104}, false},
      {"integer mode", "Brevix PDF418", {13, 7, 491, 104}, true},
      {"integer mode, narrower than the symbol", "Brevix PDF418", {0, 0, 200, 60}, true},
      {"fill mode, squeezed", "Brevix PDF418", {0, 0, 200, 60}, false},
      {"more rows", "Brevix PDF417 with a longer text, 0123456789", {0, 0, 478, 60}, false},
  };
  auto reused = MakePdf("x");
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    auto fresh = MakePdf(step.text);
    for (TBrevixBC* bc : {reused.get(), fresh.get()}) {
      bc->SetText(step.text);
      bc->SetCompleteDraw(step.completeDraw);
    }
    TBitmap a(520, 120, RGBColor(9, 8, 7)), b(520, 120, RGBColor(9, 8, 7));
    TRasterCanvas ca(a), cb(b);
    DrawBarCode(ca, step.rect, *reused);
    const TLastError reusedError = reused->ErrorMessage();
    DrawBarCode(cb, step.rect, *fresh);
    EXPECT_EQ(reusedError, fresh->ErrorMessage());
    EXPECT_EQ(a.Rgb, b.Rgb);

    TRecordingCanvas ra, rb;
    DrawBarCode(ra, step.rect, *reused);
    DrawBarCode(rb, step.rect, *fresh);
    ASSERT_EQ(ra.Calls.size(), rb.Calls.size());
    for (std::size_t i = 0; i < ra.Calls.size(); ++i)
      EXPECT_EQ(ra.Calls[i].Describe(), rb.Calls[i].Describe());
  }
}

}  // namespace
}  // namespace brevix
