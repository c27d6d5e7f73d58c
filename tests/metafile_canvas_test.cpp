// The metafile canvas against a reader written from the record layouts (structure and replay)
// and against independent players: libwmf's wmf2gd / wmf2svg and emf2svg with rsvg-convert.

#include "platform/metafile_canvas.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/support/image_read.h"
#include "tests/support/metafile_read.h"

namespace brevix {
namespace {

// Measures text as a fixed-pitch screen font would: enough to lay out and to check advances.
class TFixedMetricsCanvas : public TCanvas {
 public:
  void Polygon(std::span<const TPoint>) override {}
  void FillRect(const TRect&) override {}
  void Line(int, int, int, int) override {}
  void TextOut(int, int, std::string_view) override {}
  TSize TextExtent(std::string_view text) override {
    const int h = Font.Height() < 0 ? -Font.Height() : Font.Height();
    return {static_cast<int>(text.size()) * (h * 6 / 11), h * 13 / 11};
  }
  void DrawTextCentered(const TRect&, std::string_view) override {}
};

// Logs every primitive with the state it depends on; a fill is logged as the outline-free
// polygon it is.
class TLogCanvas : public TFixedMetricsCanvas {
 public:
  std::vector<std::string> Log;
  void Polygon(std::span<const TPoint> points) override {
    std::ostringstream s;
    s << "polygon";
    if (Pen.Style != psClear)
      s << " pen " << int(Pen.Style) << "/" << Pen.Width << "/" << Pen.Color;
    if (Brush.Style != bsClear) s << " brush " << Brush.Color;
    for (const TPoint& p : points) s << " " << p.X << "," << p.Y;
    Log.push_back(s.str());
  }
  void FillRect(const TRect& r) override {
    const TPen saved = Pen;
    Pen.Style = psClear;
    const TPoint corners[] = {
        {r.Left, r.Top}, {r.Right, r.Top}, {r.Right, r.Bottom}, {r.Left, r.Bottom}};
    Polygon(corners);
    Pen = saved;
  }
  void Line(int x1, int y1, int x2, int y2) override {
    std::ostringstream s;
    s << "line pen " << int(Pen.Style) << "/" << Pen.Width << "/" << Pen.Color << " " << x1 << ","
      << y1 << " " << x2 << "," << y2;
    Log.push_back(s.str());
  }
  void TextOut(int x, int y, std::string_view text) override {
    std::ostringstream s;
    s << "text " << x << "," << y << " '" << text << "' " << Font.Name() << "/" << Font.Height()
      << "/" << Font.Escapement() << "/" << int(Font.Style()) << "/" << int(Font.Charset()) << "/"
      << Font.Color() << " align " << TextAlign << " bk " << int(BkMode);
    if (BkMode == bkOpaque) s << " on " << Brush.Color;
    Log.push_back(s.str());
  }
};

// A drawing that exercises every kind of state change the renderer makes.
void DrawScene(TCanvas& c) {
  c.Brush.Color = RGBColor(250, 250, 210);
  c.FillRect({0, 0, 200, 80});
  c.Pen.Style = psClear;
  c.Brush.Color = clBlack;
  for (int x = 10; x < 120; x += 9) {
    const TPoint bar[] = {{x, 5}, {x + 3, 5}, {x + 3, 50}, {x, 50}};
    c.Polygon(bar);
  }
  c.Brush.Color = RGBColor(0, 0, 160);
  const TPoint tilted[] = {{130, 10}, {190, 20}, {180, 45}, {125, 30}};
  c.Polygon(tilted);
  c.Pen.Style = psSolid;
  c.Pen.Color = clRed;
  c.Pen.Width = 2;
  c.Line(5, 60, 195, 60);
  c.Brush.Style = bsClear;
  const TPoint outline[] = {{150, 50}, {190, 50}, {190, 58}, {150, 58}};
  c.Polygon(outline);
  c.Brush.Style = bsSolid;
  c.Font.SetName("Arial");
  c.Font.SetHeight(-11);
  c.BkMode = bkTransparent;
  c.TextOut(20, 64, "0123 caf\xe9");  // e acute in the Western code page
  c.Font.SetStyle(fsBold | fsUnderline);
  c.Font.SetColor(RGBColor(200, 0, 0));
  c.BkMode = bkOpaque;
  c.Brush.Color = clWhite;
  c.TextAlign = kTaCenter | kTaTop;
  c.TextOut(150, 64, "Bold");
  c.Font.SetStyle(0);
  c.Font.SetEscapement(900);
  c.Font.SetCharset(238);  // Central European: 0x8A is S caron
  c.TextAlign = kTaLeft | kTaTop;
  c.BkMode = bkTransparent;
  c.TextOut(195, 50,
            "\x8A"
            "k");
}

std::vector<std::uint8_t> Record(TMetafileKind kind, void (*draw)(TCanvas&), int w = 200,
                                 int h = 80) {
  TFixedMetricsCanvas reference;
  TMetafileCanvas canvas(w, h, kind, reference);
  draw(canvas);
  return canvas.Finish();
}

const struct {
  const char* Name;
  TMetafileKind Kind;
} kKinds[] = {{"WMF", TMetafileKind::Wmf}, {"EMF", TMetafileKind::Emf}};

TEST(MetafileCanvas, FilesAreSoundAndFramedByTheSize) {
  const struct { int Width, Height; } sizes[] = {{200, 80}, {80, 200}, {1, 1}, {0, 0}, {3000, 400}};
  for (const auto& kind : kKinds) {
    for (const auto& size : sizes) {
      SCOPED_TRACE(testing::Message() << kind.Name << " " << size.Width << "x" << size.Height);
      TFixedMetricsCanvas reference;
      TMetafileCanvas canvas(size.Width, size.Height, kind.Kind, reference);
      DrawScene(canvas);
      const auto parsed = test::ParseMetafile(canvas.Finish());
      EXPECT_EQ(parsed.Error, "");
      EXPECT_EQ(parsed.Enhanced, kind.Kind == TMetafileKind::Emf);
      EXPECT_EQ(parsed.Width, size.Width);
      EXPECT_EQ(parsed.Height, size.Height);
      // Objects are replaced, not piled up: a pen, a brush, a font and the one being swapped in.
      EXPECT_LE(parsed.ObjectSlots, kind.Kind == TMetafileKind::Emf ? 5 : 4);
    }
  }
}

TEST(MetafileCanvas, ReplaysToTheSameDrawing) {
  TLogCanvas direct;
  DrawScene(direct);
  for (const auto& kind : kKinds) {
    SCOPED_TRACE(kind.Name);
    const auto parsed = test::ParseMetafile(Record(kind.Kind, DrawScene));
    ASSERT_EQ(parsed.Error, "");
    TLogCanvas replayed;
    EXPECT_EQ(test::ReplayMetafile(parsed, replayed), "");
    EXPECT_EQ(replayed.Log, direct.Log);
  }
}

TEST(MetafileCanvas, CentredTextIsWrappedIntoClippedLines) {
  for (const auto& kind : kKinds) {
    SCOPED_TRACE(kind.Name);
    const auto parsed = test::ParseMetafile(Record(kind.Kind, [](TCanvas& c) {
      c.Font.SetHeight(-11);  // 6 pixels a character, 13 a line
      c.DrawTextCentered({10, 20, 70, 46}, "alpha beta gamma delta");
    }));
    ASSERT_EQ(parsed.Error, "");
    TLogCanvas replayed;
    EXPECT_EQ(test::ReplayMetafile(parsed, replayed), "");
    // 60 pixels hold ten characters: "alpha beta" then "gamma"; the third line is below the box.
    ASSERT_EQ(replayed.Log.size(), 2u);
    EXPECT_EQ(replayed.Log[0].substr(0, 24), "text 40,20 'alpha beta' ");
    EXPECT_EQ(replayed.Log[1].substr(0, 19), "text 40,33 'gamma' ");
    EXPECT_NE(replayed.Log[0].find("align 6"), std::string::npos);
  }
}

TEST(MetafileCanvas, FinishEndsTheRecording) {
  TFixedMetricsCanvas reference;
  TMetafileCanvas canvas(10, 10, TMetafileKind::Emf, reference);
  const auto first = canvas.Finish();
  canvas.FillRect({0, 0, 5, 5});
  EXPECT_TRUE(canvas.Finish().empty());
  EXPECT_EQ(test::ParseMetafile(first).Error, "");
}

// --- Independent players --------------------------------------------------------------------

bool HaveTool(const std::string& name) {
  int code = 0;
  test::RunCommand("command -v " + name + " >/dev/null 2>&1", &code);
  return code == 0;
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// Bars only, so that the players' own fonts do not matter.
void DrawBars(TCanvas& c) {
  c.Brush.Color = clWhite;
  c.FillRect({0, 0, 200, 80});
  c.Brush.Color = RGBColor(0, 0, 128);
  for (int x = 10; x < 190; x += 12) c.FillRect({x, 10, x + 5, 70});
}

bool Dark(std::uint32_t c) {
  return ((c & 0xFF) + ((c >> 8) & 0xFF) + ((c >> 16) & 0xFF)) < 3 * 128;
}

// Dark runs [from, to) along row y (or column x when vertical).
std::vector<std::pair<int, int>> DarkRuns(const test::TReadImage& image, int at, bool vertical) {
  std::vector<std::pair<int, int>> runs;
  const int n = vertical ? image.Height : image.Width;
  int start = -1;
  for (int i = 0; i <= n; ++i) {
    const bool dark = i < n && Dark(vertical ? image.At(at, i) : image.At(i, at));
    if (dark && start < 0) start = i;
    if (!dark && start >= 0) {
      runs.push_back({start, i});
      start = -1;
    }
  }
  return runs;
}

// The players scale by their own rounding: every bar must be there, each edge within two pixels.
void ExpectBars(const test::TReadImage& image) {
  const auto row = DarkRuns(image, 40, false);
  ASSERT_EQ(row.size(), 15u);
  for (std::size_t i = 0; i < row.size(); ++i) {
    const int from = 10 + 12 * static_cast<int>(i);
    EXPECT_NEAR(row[i].first, from, 2) << "bar " << i;
    EXPECT_NEAR(row[i].second, from + 5, 2) << "bar " << i;
  }
  const auto column = DarkRuns(image, 12, true);
  ASSERT_EQ(column.size(), 1u);
  EXPECT_NEAR(column[0].first, 10, 2);
  EXPECT_NEAR(column[0].second, 70, 2);
}

TEST(MetafileCanvas, LibwmfPlaysTheWmf) {
  if (!HaveTool("wmf2gd") || !HaveTool("wmf2svg")) GTEST_SKIP() << "libwmf tools missing";
  test::TTempDir dir;
  WriteBytes(dir.File("bars.wmf"), Record(TMetafileKind::Wmf, DrawBars));
  int code = 0;
  test::RunCommand("wmf2gd --maxwidth=200 --maxheight=80 --maxsize -o '" + dir.File("bars.png") +
                       "' '" + dir.File("bars.wmf") + "' >/dev/null 2>&1",
                   &code);
  ASSERT_EQ(code, 0);
  const auto image = test::ReadPngFile(dir.File("bars.png"));
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(image->Width, 200);
  EXPECT_EQ(image->Height, 80);
  ExpectBars(*image);

  WriteBytes(dir.File("scene.wmf"), Record(TMetafileKind::Wmf, DrawScene));
  const std::string svg =
      test::RunCommand("wmf2svg -o /dev/stdout '" + dir.File("scene.wmf") + "' 2>/dev/null", &code);
  ASSERT_EQ(code, 0);
  // libwmf places each character by the recorded advances.
  for (const char* c : {">0<", ">3<", ">B<", ">d<"}) EXPECT_NE(svg.find(c), std::string::npos) << c;
  EXPECT_NE(svg.find("font-weight:bold"), std::string::npos);
}

TEST(MetafileCanvas, Emf2svgPlaysTheEmf) {
  if (!HaveTool("emf2svg-conv") || !HaveTool("rsvg-convert")) GTEST_SKIP() << "emf2svg missing";
  test::TTempDir dir;
  WriteBytes(dir.File("bars.emf"), Record(TMetafileKind::Emf, DrawBars));
  int code = 0;
  test::RunCommand("emf2svg-conv -i '" + dir.File("bars.emf") + "' -o '" + dir.File("bars.svg") +
                       "' && rsvg-convert -b white -o '" + dir.File("bars.png") + "' '" +
                       dir.File("bars.svg") + "'",
                   &code);
  ASSERT_EQ(code, 0);
  const auto image = test::ReadPngFile(dir.File("bars.png"));
  ASSERT_TRUE(image.has_value());
  EXPECT_NEAR(image->Width, 200, 1);
  EXPECT_NEAR(image->Height, 80, 1);
  ExpectBars(*image);

  WriteBytes(dir.File("scene.emf"), Record(TMetafileKind::Emf, DrawScene));
  test::RunCommand(
      "emf2svg-conv -i '" + dir.File("scene.emf") + "' -o '" + dir.File("scene.svg") + "'", &code);
  ASSERT_EQ(code, 0);
  const std::string svg = test::ReadFileBytes(dir.File("scene.svg"));
  EXPECT_NE(svg.find("0123 caf\xc3\xa9"), std::string::npos);  // UTF-8 e acute
  EXPECT_NE(svg.find("\xc5\xa0k"), std::string::npos);         // UTF-8 S caron
  EXPECT_NE(svg.find("font-weight=\"700\""), std::string::npos);
  EXPECT_NE(svg.find("rotate(-90"), std::string::npos);
}

}  // namespace
}  // namespace brevix
