// Inputs at and beyond the limits: every one must end in a result or a clear error, never in a
// crash or an allocation out of proportion to the input.

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "core/catalogue.h"
#include "core/control.h"
#include "imagewriters/image_file.h"
#include "pdf417/pdf417.h"
#include "platform/canvas.h"
#include "render/draw.h"
#include "render/export.h"
#include "tests/support/image_read.h"

namespace brevix {
namespace {

// Counts what the renderer asks for and remembers the widest fill, without drawing anything.
class TCountingCanvas : public TCanvas {
 public:
  int Calls = 0;
  void Polygon(std::span<const TPoint>) override { ++Calls; }
  void FillRect(const TRect&) override { ++Calls; }
  void Line(int, int, int, int) override { ++Calls; }
  void TextOut(int, int, std::string_view) override { ++Calls; }
  TSize TextExtent(std::string_view text) override {
    return TSize{static_cast<int>(text.size()) * 6, 13};
  }
  void DrawTextCentered(const TRect&, std::string_view) override { ++Calls; }
};

// A text of about n bytes made of the symbology's sample, so that it stays within the character
// set; MSI has no sample and PDF417 has no character set, digits serve both.
std::string Repeated(TTypeBar typeBar, std::size_t n) {
  TBarCodeInfo info;
  GetBarCodeInfo(typeBar, info);
  const std::string unit = info.Sample.empty() ? "1234567890" : info.Sample;
  std::string s;
  s.reserve(n + unit.size());
  while (s.size() < n) s += unit;
  return s;
}

constexpr std::size_t kMegabyte = std::size_t{1} << 20;

TEST(Limits, MegabyteTextsForEverySymbology) {
  for (int t = 0; t < kTypeBarCount; ++t) {
    const auto typeBar = static_cast<TTypeBar>(t);
    SCOPED_TRACE(TypeBarIdentifier(t));
    TBrevixBC bc;
    bc.SetTypeBar(typeBar);
    const std::string text = Repeated(typeBar, kMegabyte);
    bc.SetText(text);
    // Completion may add or rewrite a check character, never grow the text much.
    EXPECT_LE(bc.Text().size(), text.size() + 2);
    const TEncodeResult r = bc.EncodeText(bc.Text());
    if (r.Pattern.empty()) {
      EXPECT_NE(bc.ErrorMessage(), erOK) << "nothing to draw must come with a reason";
    } else {
      EXPECT_EQ(bc.ErrorMessage(), erOK);
      // Linear in the text: no symbology spends more than a few dozen modules a character.
      EXPECT_LE(r.Pattern.size(), 40 * bc.Text().size() + 256);
    }
    if (typeBar == csCodePDF417) {
      EXPECT_THROW(bc.MinWidth(), EPDF417TooLarge);
      TCountingCanvas canvas;
      EXPECT_THROW(DrawBarCode(canvas, bc.ClientRect(), bc), EPDF417TooLarge);
    } else {
      // A linear control keeps working: no PDF417 width to honour.
      EXPECT_NO_THROW(bc.MinWidth());
      TCountingCanvas canvas;
      EXPECT_NO_THROW(DrawBarCode(canvas, bc.ClientRect(), bc));
    }
  }
}

TEST(Limits, RatioAnyIntegerFollowsTheWidthFormula) {
  struct TRatioRow {
    int Ratio;
    long long ExpectedWidth;  // before clamping to int; -1: the formula with MinWidth
  };
  const TRatioRow rows[] = {{0, 2},  {-1, -1},           {-7, -1},
                            {3, -1}, {INT_MAX, INT_MAX}, {INT_MIN, INT_MIN}};
  for (const TRatioRow& row : rows) {
    SCOPED_TRACE(row.Ratio);
    TBrevixBC bc;
    bc.SetRatio(row.Ratio);
    const long long expected = row.ExpectedWidth == -1
                                   ? static_cast<long long>(row.Ratio) * bc.MinWidth() + 2
                                   : row.ExpectedWidth;
    EXPECT_EQ(bc.Width(), expected);
    // Painting a control of that width must neither crash nor hang nor allocate a pixel row of
    // gigabytes: beyond any surface's size nothing is drawn and the box does not fit.
    TCountingCanvas canvas;
    EXPECT_NO_THROW(DrawBarCode(canvas, bc.ClientRect(), bc));
    if (std::llabs(expected) > 32767) {
      EXPECT_EQ(bc.ErrorMessage(), erOutOfSecurityBox);
      EXPECT_EQ(canvas.Calls, 0);
    }
  }
}

TEST(Limits, SymbologyValuesOutsideTheEnumeration) {
  for (int value : {kTypeBarCount, 64, 127, 128, 200, 255}) {
    SCOPED_TRACE(value);
    TBrevixBC bc;
    bc.SetTypeBar(static_cast<TTypeBar>(value));
    EXPECT_TRUE(bc.Encode(bc.Text()).empty());
    EXPECT_FALSE(bc.ErrorText().empty());
    bc.SetText("0123");
    EXPECT_TRUE(bc.Encode(bc.Text()).empty());
    EXPECT_NE(bc.ErrorMessage(), erOK);
    TCountingCanvas canvas;
    EXPECT_NO_THROW(DrawBarCode(canvas, bc.ClientRect(), bc));
  }
}

TEST(Limits, ZeroAndNegativeBoxes) {
  const TRect boxes[] = {{0, 0, 0, 0},       {0, 0, -5, 80},    {0, 0, 200, -5},
                         {10, 10, 5, 5},     {0, 0, 1, 1},      {INT_MIN, INT_MIN, INT_MAX, 1},
                         {0, 0, INT_MAX, 1}, {0, 0, 1, INT_MAX}};
  for (TTypeBar typeBar :
       {csCode_2_5_interleaved, csCodeEAN13, csCodeUPC_A, csCodePostNet, csCodePDF417}) {
    for (TAngleType angle : {csHorizontal, csVertical, csHorizontalMirrored, csVerticalMirrored}) {
      for (const TRect& box : boxes) {
        SCOPED_TRACE(testing::Message()
                     << TypeBarIdentifier(typeBar) << " angle " << int{angle} << " box " << box.Left
                     << "," << box.Top << "," << box.Right << "," << box.Bottom);
        TBrevixBC bc;
        bc.SetTypeBar(typeBar);
        bc.SetAngle(angle);
        bc.SetDisplay(csOutputBoth);
        TCountingCanvas canvas;
        EXPECT_NO_THROW(DrawBarCode(canvas, box, bc));
        const long long side = std::max(static_cast<long long>(box.Right) - box.Left,
                                        static_cast<long long>(box.Bottom) - box.Top);
        if (side > 32767) {
          EXPECT_EQ(bc.ErrorMessage(), erOutOfSecurityBox);
        }
      }
    }
  }
}

TEST(Limits, PDF417BeyondCapacityIsAClearError) {
  struct TCapacityRow {
    const char* Name;
    csPDF417UserMode Mode;
    std::string Text;
  };
  const TCapacityRow rows[] = {
      {"text compaction", csPDF417_Alphanumeric, std::string(2000, 'A')},
      {"byte compaction", csPDF417_Binary, std::string(1200, '\xff')},
      {"numeric compaction", csPDF417_Numeric, std::string(3000, '7')},
  };
  for (const TCapacityRow& row : rows) {
    SCOPED_TRACE(row.Name);
    TBrevixBC bc;
    bc.SetTypeBar(csCodePDF417);
    bc.SetPDF417_Mode(row.Mode);
    bc.SetText(row.Text);
    try {
      bc.MinWidth();
      ADD_FAILURE() << "no error for a text beyond a symbol's capacity";
    } catch (const EPDF417TooLarge& e) {
      EXPECT_NE(std::string(e.what()).find("too long for PDF417"), std::string::npos) << e.what();
    }
  }
}

TEST(Limits, FileNamesThatCannotBeWritten) {
  test::TTempDir dir;
  std::filesystem::create_directory(dir.File("folder.png"));
  std::string deep = dir.Path();
  for (int i = 0; i < 400; ++i) deep += "/abcdefghij";
  struct TNameRow {
    const char* Name;
    std::string FileName;
    const char* Cause;  // part of the message
  };
  const TNameRow rows[] = {
      {"a component longer than the system allows", dir.File(std::string(300, 'a') + ".png"),
       "too long"},
      {"a path longer than the system allows", deep + ".png", "too long"},
      {"a missing directory", dir.File("no/such/dir/x.png"), "does not exist"},
      {"a directory", dir.File("folder.png"), "is a directory"},
      {"a NUL inside", dir.File(std::string("a.txt\0.png", 10)), "NUL"},
  };
  for (const TNameRow& row : rows) {
    SCOPED_TRACE(row.Name);
    TBrevixBC bc;
    try {
      DrawToFile(bc, row.FileName);
      ADD_FAILURE() << "no error";
    } catch (const EImageWriteError& e) {
      EXPECT_EQ(e.FileName(), row.FileName);
      EXPECT_NE(e.Cause().find(row.Cause), std::string::npos) << e.Cause();
    }
  }
  // Nothing was left behind under another name, the NUL-truncated one included.
  EXPECT_FALSE(std::filesystem::exists(dir.File("a.txt")));
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Path())) ++entries;
  EXPECT_EQ(entries, 1u);  // the folder
}

TEST(Limits, NamesThatWriteNothing) {
  test::TTempDir dir;
  TBrevixBC bc;
  EXPECT_NO_THROW(DrawToFile(bc, ""));  // an empty name asks for nothing
  for (const std::string& name : {dir.File("x.svgz"), dir.File("x"), dir.File("x.png.txt")}) {
    SCOPED_TRACE(name);
    EXPECT_THROW(DrawToFile(bc, name), EImageWriteError);
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST(Limits, PictureSizesOutsideTheBitmapBounds) {
  test::TTempDir dir;
  struct TSizeRow {
    int Width, Height;
    const char* Cause;
  };
  const TSizeRow rows[] = {
      {0, 80, "empty"},           {-5, 80, "empty"},
      {200, 0, "empty"},          {200, -1, "empty"},
      {40000, 80, "too large"},   {80, 40000, "too large"},
      {20000, 4000, "too large"}, {INT_MAX, INT_MAX, "too large"},
      {INT_MIN, 80, "empty"},
  };
  for (const TSizeRow& row : rows) {
    for (const char* ext : {".bmp", ".png", ".gif", ".tif", ".jpg", ".wmf", ".emf"}) {
      SCOPED_TRACE(testing::Message() << row.Width << " x " << row.Height << ext);
      TBrevixBC bc;
      bc.SetBounds(0, 0, row.Width, row.Height);
      const std::string name = dir.File(std::string("picture") + ext);
      try {
        DrawToFile(bc, name);
        ADD_FAILURE() << "no error";
      } catch (const EImageWriteError& e) {
        EXPECT_NE(e.Cause().find(row.Cause), std::string::npos) << e.Cause();
      }
      EXPECT_FALSE(std::filesystem::exists(name));
    }
    TBrevixBC bc;
    bc.SetBounds(0, 0, row.Width, row.Height);
    EXPECT_THROW(RenderToBitmap(bc), EImageEncodeError);
  }
}

TEST(Limits, LongTextIntoEveryFileFormat) {
  // The text cannot be drawn as a symbol; the error display prints it, and the metafiles record
  // it with one advance a character. A quarter megabyte: measuring every prefix of it, as the
  // metafile canvas once did, takes hours.
  test::TTempDir dir;
  for (TTypeBar typeBar : {csCodeEAN13, csCode128}) {
    for (const char* ext : {".emf", ".wmf", ".png", ".bmp"}) {
      SCOPED_TRACE(testing::Message() << TypeBarIdentifier(typeBar) << ext);
      TBrevixBC bc;
      bc.SetTypeBar(typeBar);
      bc.SetText(std::string(kMegabyte / 4, '7'));
      bc.SetDisplay(csOutputBoth);
      bc.SetBounds(0, 0, 400, 200);
      const std::string name = dir.File(std::string("long") + ext);
      ASSERT_NO_THROW(DrawToFile(bc, name));
      EXPECT_NE(bc.ErrorMessage(), erOK);
      // The text at most once or twice with its advances, not once per character.
      EXPECT_LT(std::filesystem::file_size(name), 4u * kMegabyte);
    }
  }
}

}  // namespace
}  // namespace brevix
