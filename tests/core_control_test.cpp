#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "core/control.h"
#include "pdf417/pdf417.h"

namespace brevix {
namespace {

// Records the control's notifications in the order they happen.
struct EventLog {
  std::vector<std::string> entries;

  void Attach(TCustomBC& bc) {
    bc.OnChangeTextCode = [this](TObject*) { entries.push_back("text"); };
    bc.OnChangeTypeCode = [this](TObject*) { entries.push_back("type"); };
    bc.OnResize = [this](TObject*) { entries.push_back("resize"); };
    bc.OnInvalidate = [this] { entries.push_back("inv"); };
  }
  std::string Str() const {
    std::string s;
    for (const auto& e : entries) s += (s.empty() ? "" : " ") + e;
    return s;
  }
};

int PDF417WidthOf(const TCustomBC& bc) {
  const TPDF417& p = bc.PDF417();
  return PDF417SymbolWidth(bc.Text(), p.Cols(), p.Rows(), p.SecurityLevel(), p.Mode(),
                           p.Truncated());
}

// True once the PDF417 character check is in place (the layout raises for a control character).
bool PDF417RaisesBadChars() {
  try {
    PDF417SymbolWidth("A\x01", 10, 0, csPDF417AutoEC, csPDF417Alphanumeric, false);
  } catch (const EPDF417Error&) {
    return true;
  }
  return false;
}

TEST(Control, ConstructorDefaults) {
  TCustomBC bc;
  EXPECT_EQ(bc.Text(), "0123");
  EXPECT_EQ(bc.TypeBar(), csCode_2_5_interleaved);
  EXPECT_EQ(bc.Display(), csOutputCode);
  EXPECT_EQ(bc.Ratio(), 1);
  EXPECT_EQ(bc.Angle(), csHorizontal);
  EXPECT_EQ(bc.AngleDegrees(), 0);
  EXPECT_EQ(bc.Height(), 80);
  EXPECT_GE(bc.Width(), static_cast<int>(bc.Encode("0123").size()) + 20);
  EXPECT_GE(bc.Width(), bc.MinWidth());
  EXPECT_TRUE(bc.ShowCodeCaption());
  EXPECT_TRUE(bc.ShortUpcGuards());
  EXPECT_TRUE(bc.AddOnCaptionOnTop());
  EXPECT_TRUE(bc.CheckCharacters());
  EXPECT_FALSE(bc.Transparent());
  EXPECT_FALSE(bc.CompleteDraw());
  EXPECT_FALSE(bc.AutoSize());
  EXPECT_EQ(bc.Color_Back(), clWhite);
  EXPECT_EQ(bc.Color_Lines(), clBlack);
  EXPECT_EQ(bc.ErrorMessage(), erOK);
  EXPECT_EQ(bc.Error(), 0);
  EXPECT_NE(bc.Version().find("4.00"), std::string::npos);
  EXPECT_EQ(bc.Version().find('\n'), std::string::npos);
  EXPECT_EQ(bc.Font().Name(), "Arial");
  EXPECT_EQ(bc.Font().Size(), 8);
  // Caption fonts, and the control's copies of them.
  EXPECT_EQ(bc.TypeCaption().Font().Name(), "Arial");
  EXPECT_EQ(bc.TypeCaption().Font().Size(), 10);
  EXPECT_EQ(bc.CodeCaption().Font().Size(), 8);
  EXPECT_EQ(bc.CodeCaption().Font().Color(), clBlack);
  EXPECT_TRUE(bc.Font_Type().SameAs(bc.TypeCaption().Font()));
  EXPECT_TRUE(bc.Font_Code().SameAs(bc.CodeCaption().Font()));
  EXPECT_EQ(bc.TypeCaption().Caption(), "");
  EXPECT_EQ(bc.HorzLines().LinesCount(), 0);
  // The user-level PDF417 options read level 0 while the settings keep the automatic level.
  EXPECT_EQ(bc.PDF417_Mode(), csPDF417_Alphanumeric);
  EXPECT_EQ(bc.PDF417_SecurityLevel(), csPDF417_Level_0);
  EXPECT_FALSE(bc.PDF417_Truncate());
  EXPECT_EQ(bc.PDF417().Mode(), csPDF417Alphanumeric);
  EXPECT_EQ(bc.PDF417().SecurityLevel(), csPDF417AutoEC);
  EXPECT_EQ(bc.PDF417().Cols(), 10);
  EXPECT_EQ(bc.PDF417().Rows(), 0);
  EXPECT_TRUE(bc.PDF417().PaintIfSmall());
}

TEST(Control, EventOrder) {
  struct Row {
    const char* name;
    std::function<void(TCustomBC&)> prepare;
    std::function<void(TCustomBC&)> act;
    const char* log;
  };
  const Row rows[] = {
      {"text", nullptr, [](TCustomBC& bc) { bc.SetText("1234"); }, "inv text"},
      {"same text", nullptr, [](TCustomBC& bc) { bc.SetText("0123"); }, ""},
      {"type: text changes before the type event", nullptr,
       [](TCustomBC& bc) { bc.SetTypeBar(csCodeEAN13); }, "inv text type inv"},
      {"same type", nullptr, [](TCustomBC& bc) { bc.SetTypeBar(csCode_2_5_interleaved); }, ""},
      {"type with the same sample fires no text event", [](TCustomBC& bc) { bc.SetText("123456"); },
       [](TCustomBC& bc) { bc.SetTypeBar(csCode_2_5_matrix); }, "type inv"},
      {"type widens a narrow control", [](TCustomBC& bc) { bc.SetWidth(10); },
       [](TCustomBC& bc) { bc.SetTypeBar(csCode39); }, "inv text inv resize type inv"},
      {"type refreshes the type caption", [](TCustomBC& bc) { bc.SetDisplay(csOutputType); },
       [](TCustomBC& bc) { bc.SetTypeBar(csCode39); }, "inv text inv type inv"},
      {"display", nullptr, [](TCustomBC& bc) { bc.SetDisplay(csOutputNone); }, "inv inv"},
      {"display type", nullptr, [](TCustomBC& bc) { bc.SetDisplay(csOutputType); }, "inv inv inv"},
      {"same display", nullptr, [](TCustomBC& bc) { bc.SetDisplay(csOutputCode); }, ""},
      {"ratio", nullptr, [](TCustomBC& bc) { bc.SetRatio(3); }, "inv resize inv"},
      {"same ratio", nullptr, [](TCustomBC& bc) { bc.SetRatio(1); }, ""},
      {"bounds", nullptr, [](TCustomBC& bc) { bc.SetBounds(1, 2, 3, 4); }, "inv resize"},
      {"same bounds", nullptr,
       [](TCustomBC& bc) { bc.SetBounds(bc.Left(), bc.Top(), bc.Width(), bc.Height()); }, ""},
      {"auto size on a wide control", nullptr, [](TCustomBC& bc) { bc.SetAutoSize(true); }, ""},
      {"auto size on a narrow control", [](TCustomBC& bc) { bc.SetWidth(10); },
       [](TCustomBC& bc) { bc.SetAutoSize(true); }, "inv resize"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TCustomBC bc;
    if (row.prepare) row.prepare(bc);
    EventLog log;
    log.Attach(bc);
    row.act(bc);
    EXPECT_EQ(log.Str(), row.log);
  }
}

// Store-and-repaint setters: a new value is stored with one repaint, the same value does nothing.
TEST(Control, StoreAndRepaint) {
  struct Row {
    const char* name;
    std::function<void(TCustomBC&)> set;
    std::function<bool(const TCustomBC&)> stored;
  };
  const Row rows[] = {
      {"Transparent", [](TCustomBC& bc) { bc.SetTransparent(true); },
       [](const TCustomBC& bc) { return bc.Transparent(); }},
      {"Color_Lines", [](TCustomBC& bc) { bc.SetColor_Lines(clRed); },
       [](const TCustomBC& bc) { return bc.Color_Lines() == clRed; }},
      {"Color_Back", [](TCustomBC& bc) { bc.SetColor_Back(clRed); },
       [](const TCustomBC& bc) { return bc.Color_Back() == clRed; }},
      {"CompleteDraw", [](TCustomBC& bc) { bc.SetCompleteDraw(true); },
       [](const TCustomBC& bc) { return bc.CompleteDraw(); }},
      {"Angle", [](TCustomBC& bc) { bc.SetAngle(csVertical); },
       [](const TCustomBC& bc) { return bc.AngleDegrees() == 90; }},
      {"PDF417_Truncate", [](TCustomBC& bc) { bc.SetPDF417_Truncate(true); },
       [](const TCustomBC& bc) { return bc.PDF417().Truncated(); }},
      {"PDF417_Mode", [](TCustomBC& bc) { bc.SetPDF417_Mode(csPDF417_Binary); },
       [](const TCustomBC& bc) { return bc.PDF417().Mode() == csPDF417Binary; }},
      // Out-of-range values fall back to the default (level, mask, shape) or are clamped.
      {"QR_Level", [](TCustomBC& bc) { bc.SetQR_Level(TQrLevel::H); },
       [](const TCustomBC& bc) { return bc.QR_Level() == TQrLevel::H; }},
      {"QR_MinVersion", [](TCustomBC& bc) { bc.SetQR_MinVersion(99); },
       [](const TCustomBC& bc) { return bc.QR_MinVersion() == 40; }},
      {"QR_Mask", [](TCustomBC& bc) { bc.SetQR_Mask(5); },
       [](const TCustomBC& bc) { return bc.QR_Mask() == 5; }},
      {"DM_Shape", [](TCustomBC& bc) { bc.SetDM_Shape(TDmShape::Auto); },
       [](const TCustomBC& bc) { return bc.DM_Shape() == TDmShape::Auto; }},
      {"DM_Rows", [](TCustomBC& bc) { bc.SetDM_Rows(16); },
       [](const TCustomBC& bc) { return bc.DM_Rows() == 16; }},
      {"DM_Columns", [](TCustomBC& bc) { bc.SetDM_Columns(500); },
       [](const TCustomBC& bc) { return bc.DM_Columns() == 144; }},
      {"GS1", [](TCustomBC& bc) { bc.SetGS1(true); }, [](const TCustomBC& bc) { return bc.GS1(); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TCustomBC bc;
    EXPECT_FALSE(row.stored(bc));
    const int before = bc.InvalidateCount();
    row.set(bc);
    EXPECT_TRUE(row.stored(bc));
    EXPECT_GE(bc.InvalidateCount(), before + 1);
    const int after = bc.InvalidateCount();
    row.set(bc);
    EXPECT_EQ(bc.InvalidateCount(), after);
  }
}

TEST(Control, AngleDegrees) {
  const std::pair<TAngleType, int> rows[] = {{csVertical, 90},
                                             {csHorizontalMirrored, 180},
                                             {csVerticalMirrored, 270},
                                             {csHorizontal, 0},
                                             {static_cast<TAngleType>(9), 0}};
  TCustomBC bc;
  for (const auto& [angle, degrees] : rows) {
    SCOPED_TRACE(degrees);
    bc.SetAngle(angle);
    EXPECT_EQ(bc.AngleDegrees(), degrees);
  }
}

TEST(Control, DisplaySelectsCaptions) {
  struct Row {
    TDisplayType display;
    bool showCode;
    const char* caption;          // on Code 39
    const char* captionAfterEan;  // after switching to EAN-13
  };
  const Row rows[] = {
      {csOutputNone, false, "", ""},
      {csOutputCode, true, "", ""},
      {csOutputType, false, "csCode39", "csCodeEAN13"},
      {csOutputBoth, true, "Code 39", "EAN 13"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.display);
    TCustomBC bc;
    bc.SetTypeBar(csCode39);
    bc.SetDisplay(csOutputBoth);  // start from a non-empty caption
    bc.SetDisplay(row.display);
    EXPECT_EQ(bc.ShowCodeCaption(), row.showCode);
    EXPECT_EQ(bc.TypeCaption().Caption(), row.caption);
    bc.SetTypeBar(csCodeEAN13);
    EXPECT_EQ(bc.TypeCaption().Caption(), row.captionAfterEan);
  }
  TCustomBC bc;
  bc.SetDisplay(csOutputBoth);
  bc.SetTypeBar(csCode_2_5_matrix);
  EXPECT_EQ(bc.TypeCaption().Caption(), "2/5 Matrix ");
}

TEST(Control, TypeBarReplacesTheText) {
  TCustomBC bc;
  bc.SetTypeBar(csCodeEAN13);
  EXPECT_EQ(bc.Text(), "9771210107001");
  bc.SetTypeBar(csCodeUPC_shipping);
  EXPECT_EQ(bc.TypeBarName(), "csCodeUPC_shipping");
  bc.SetTypeBar(csCodeMSI);
  EXPECT_EQ(bc.Text(), "");
}

// Whatever symbology came before, the new one gets its sample completed as a fresh control would,
// and it encodes (a sample shared by two symbologies must not skip the second one's check digit).
TEST(Control, EveryTypeChangeLeavesADrawableText) {
  for (int from = 0; from < csCodePDF417; ++from) {
    for (int to = 0; to < csCodePDF417; ++to) {
      if (from == to) continue;
      // The reference reaches the symbology from a text no sample equals.
      TCustomBC fresh;
      if (to == 0) fresh.SetTypeBar(csCode39);
      fresh.SetText("\x01");
      fresh.SetTypeBar(static_cast<TTypeBar>(to));
      TCustomBC bc;
      bc.SetTypeBar(static_cast<TTypeBar>(from));
      bc.SetTypeBar(static_cast<TTypeBar>(to));
      SCOPED_TRACE(std::to_string(from) + " -> " + std::to_string(to));
      EXPECT_EQ(bc.Text(), fresh.Text());
      if (bc.Text().empty()) continue;
      EXPECT_FALSE(bc.Encode(bc.Text()).empty());
      EXPECT_EQ(bc.ErrorMessage(), erOK);
    }
  }
}

TEST(Control, WidthFollowsMinWidth) {
  TCustomBC bc;
  const int mw = bc.MinWidth();
  EXPECT_EQ(mw, PDF417WidthOf(bc));

  bc.SetWidth(5000);
  bc.SetRatio(3);  // may shrink the control
  EXPECT_EQ(bc.Width(), 3 * mw + 2);
  bc.SetRatio(0);
  EXPECT_EQ(bc.Width(), 2);
  bc.SetRatio(-1);
  EXPECT_EQ(bc.Width(), -mw + 2);
  bc.SetRatio(INT_MAX);  // a host may send any integer: no overflow
  EXPECT_EQ(bc.Width(), INT_MAX);

  // MinWidth reads the PDF417 object's own columns and truncation.
  bc.PDF417().SetCols(3);
  bc.SetPDF417_Truncate(true);
  EXPECT_EQ(bc.MinWidth(), PDF417WidthOf(bc));
  EXPECT_EQ(bc.MinWidth(),
            PDF417SymbolWidth(bc.Text(), 3, 0, csPDF417AutoEC, csPDF417Alphanumeric, true));

  TCustomBC narrow;
  narrow.SetWidth(10);
  narrow.SetAutoSize(true);
  EXPECT_EQ(narrow.Width(), narrow.MinWidth());
  narrow.SetWidth(10);
  narrow.SetAutoSize(false);  // switching off never resizes
  EXPECT_EQ(narrow.Width(), 10);
}

TEST(Control, PDF417Forwarding) {
  struct ModeRow {
    csPDF417UserMode user;
    csPDF417Mode stored;
  };
  const ModeRow modes[] = {{csPDF417_Binary, csPDF417Binary},
                           {csPDF417_Numeric, csPDF417Numeric},
                           {static_cast<csPDF417UserMode>(7), csPDF417Alphanumeric},
                           {csPDF417_Alphanumeric, csPDF417Alphanumeric}};
  TCustomBC bc;
  for (const ModeRow& row : modes) {
    SCOPED_TRACE(row.user);
    bc.SetPDF417_Mode(row.user);
    EXPECT_EQ(bc.PDF417_Mode(), row.user);
    EXPECT_EQ(bc.PDF417().Mode(), row.stored);
  }

  struct LevelRow {
    csPDF417UserError user;
    csPDF417ErrorCorrection stored;
  };
  const LevelRow levels[] = {{csPDF417_Level_3, csPDF417Error3},
                             {csPDF417_Level_0, csPDF417Error0},  // explicit now, not automatic
                             {csPDF417_Level_8, csPDF417Error8},
                             {static_cast<csPDF417UserError>(9), csPDF417Error0},
                             {csPDF417_Level_1, csPDF417Error1}};
  for (const LevelRow& row : levels) {
    SCOPED_TRACE(row.user);
    bc.SetPDF417_SecurityLevel(row.user);
    EXPECT_EQ(bc.PDF417().SecurityLevel(), row.stored);
  }

  // The same user value changes nothing, not even the settings object's event.
  int changes = 0;
  bc.PDF417().OnChange = [&changes](TObject*) { ++changes; };
  const int before = bc.InvalidateCount();
  bc.SetPDF417_SecurityLevel(csPDF417_Level_1);
  bc.SetPDF417_Mode(csPDF417_Alphanumeric);
  bc.SetPDF417_Truncate(false);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(bc.InvalidateCount(), before);
  bc.SetPDF417_Truncate(true);
  EXPECT_EQ(changes, 1);
}

TEST(Control, AssignCopiesTheListedSettingsOnly) {
  TCustomBC source;
  source.SetTypeBar(csCodeEAN13);
  source.SetText("1234567890128 12");
  source.SetTransparent(true);
  source.SetColor_Back(clRed);
  source.SetColor_Lines(RGBColor(1, 2, 3));
  source.SetCompleteDraw(true);
  source.SetAngle(csVerticalMirrored);
  source.SetDisplay(csOutputNone);  // ShowCodeCaption off, caption empty
  source.SetRatio(5);
  source.SetAutoSize(true);
  source.TypeCaption().SetCaption("caption");
  source.TypeCaption().SetAutoSize(true);
  source.HorzLines().SetLinesCount(3);
  source.HorzLines().SetColor(clRed);
  source.SetPDF417_Truncate(true);
  TFont big;
  big.SetSize(20);
  source.SetFont_Code(big);
  int sourceEvents = 0;
  source.OnChangeTextCode = [&sourceEvents](TObject*) { ++sourceEvents; };

  TCustomBC dest;
  const int before = dest.InvalidateCount();
  dest.Assign(source);
  EXPECT_GT(dest.InvalidateCount(), before);
  EXPECT_EQ(sourceEvents, 0);  // no setter ran
  EXPECT_EQ(dest.Text(), "1234567890128 12");
  EXPECT_EQ(dest.TypeBar(), csCodeEAN13);
  EXPECT_TRUE(dest.Transparent());
  EXPECT_EQ(dest.Color_Back(), clRed);
  EXPECT_EQ(dest.Color_Lines(), RGBColor(1, 2, 3));
  EXPECT_TRUE(dest.CompleteDraw());
  EXPECT_EQ(dest.Angle(), csVerticalMirrored);
  EXPECT_EQ(dest.AngleDegrees(), 270);
  EXPECT_FALSE(dest.ShowCodeCaption());
  EXPECT_TRUE(dest.AutoSize());
  EXPECT_EQ(dest.TypeCaption().Caption(), "caption");
  EXPECT_TRUE(dest.TypeCaption().AutoSize());
  EXPECT_EQ(dest.HorzLines().LinesCount(), 3);
  EXPECT_EQ(dest.HorzLines().Color(), clRed);
  ASSERT_TRUE(dest.OnChangeTextCode);
  // Not copied.
  EXPECT_EQ(dest.Display(), csOutputCode);
  EXPECT_EQ(dest.Ratio(), 1);
  EXPECT_FALSE(dest.PDF417_Truncate());
  EXPECT_EQ(dest.Font_Code().Size(), 8);
  EXPECT_EQ(dest.CodeCaption().Font().Size(), 8);
}

TEST(Control, FontsAndCaptionsRepaint) {
  TCustomBC bc;
  TFont f;
  f.SetName("Liberation Sans");
  f.SetSize(12);
  int before = bc.InvalidateCount();
  bc.SetFont_Code(f);
  EXPECT_EQ(bc.Font_Code().Name(), "Liberation Sans");
  EXPECT_TRUE(bc.CodeCaption().Font().SameAs(f));
  EXPECT_GT(bc.InvalidateCount(), before);
  bc.SetFont_Type(f);
  EXPECT_TRUE(bc.Font_Type().SameAs(f));
  EXPECT_TRUE(bc.TypeCaption().Font().SameAs(f));

  // Changes that affect the drawing repaint; repeating a value does not.
  const std::function<void()> changes[] = {
      [&bc] { bc.TypeCaption().SetCaption("x"); },
      [&bc] { bc.TypeCaption().SetAutoSize(true); },
      [&bc] { bc.TypeCaption().Font().SetSize(30); },
      [&bc] { bc.CodeCaption().SetAutoSize(true); },
      [&bc] { bc.CodeCaption().Font().SetColor(clRed); },
      [&bc] { bc.HorzLines().SetLinesCount(2); },
      [&bc] { bc.HorzLines().SetWidth(3); },
      [&bc] { bc.HorzLines().SetStyle(psDash); },
  };
  for (std::size_t i = 0; i < std::size(changes); ++i) {
    SCOPED_TRACE(i);
    before = bc.InvalidateCount();
    changes[i]();
    EXPECT_EQ(bc.InvalidateCount(), before + 1);
    changes[i]();
    EXPECT_EQ(bc.InvalidateCount(), before + 1);
  }

  // A caption created for a plain control never notifies it.
  TCustomControl plain;
  TTypeCaption caption(&plain);
  caption.SetCaption("x");
  EXPECT_EQ(plain.InvalidateCount(), 0);
}

TEST(Control, DblClickFiresOnce) {
  TCustomBC bc;
  int clicks = 0;
  bc.OnDblClick = [&clicks](TObject*) { ++clicks; };
  bc.DblClick();
  EXPECT_EQ(clicks, 1);
}

// What the control does when the PDF417 layout refuses the text.
TEST(Control, PDF417ErrorsPropagate) {
  if (!PDF417RaisesBadChars()) GTEST_SKIP() << "PDF417 character check not built yet";

  {
    SCOPED_TRACE("Ratio: stored, width unchanged");
    TCustomBC bc;
    bc.SetTypeBar(csCode128);
    bc.SetText("A\x01");
    const int width = bc.Width();
    EXPECT_THROW(bc.SetRatio(3), EPDF417Error);
    EXPECT_EQ(bc.Ratio(), 3);
    EXPECT_EQ(bc.Width(), width);
  }
  {
    SCOPED_TRACE("AutoSize: stored");
    TCustomBC bc;
    bc.SetTypeBar(csCode128);
    bc.SetText("A\x01");
    try {
      bc.SetAutoSize(true);
      ADD_FAILURE() << "no EPDF417Error";
    } catch (const EPDF417Error& e) {
      EXPECT_EQ(std::string(e.what()).rfind("Bad char in PDF417, position 2, char : ", 0), 0u)
          << e.what();
    }
    EXPECT_TRUE(bc.AutoSize());
  }
  {
    SCOPED_TRACE("TypeBar: text replaced, no type event");
    TCustomBC bc;
    bc.SetPDF417_Mode(csPDF417_Numeric);
    EventLog log;
    log.Attach(bc);
    EXPECT_THROW(bc.SetTypeBar(csCode39), EPDF417Error);
    EXPECT_EQ(bc.TypeBar(), csCode39);
    EXPECT_EQ(bc.Text(), "BC");
    EXPECT_EQ(log.Str(), "inv text");
  }
}

// A text too long for any PDF417 symbol constrains only a PDF417 control's width.
TEST(Control, LongLinearTextsIgnoreThePDF417Capacity) {
  TCustomBC bc;
  bc.SetTypeBar(csCode128);
  bc.SetText(std::string(5000, 'A'));
  const int width = bc.Width();
  EXPECT_NO_THROW(bc.SetRatio(2));
  EXPECT_EQ(bc.Width(), 2);  // 2 x a minimum width of 0, plus 2
  EXPECT_NO_THROW(bc.SetAutoSize(true));
  bc.SetWidth(width);

  bc.SetTypeBar(csCodePDF417);
  bc.SetText(std::string(5000, 'A'));
  EXPECT_THROW(bc.SetRatio(3), EPDF417TooLarge);
}

}  // namespace
}  // namespace brevix
