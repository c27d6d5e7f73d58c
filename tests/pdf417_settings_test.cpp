#include "pdf417/pdf417_settings.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "pdf417/pdf417.h"

namespace brevix {
namespace {

TEST(TPDF417, InitialValues) {
  TCustomControl owner;
  const TPDF417 s(&owner);
  EXPECT_EQ(s.Mode(), csPDF417Alphanumeric);
  EXPECT_EQ(s.Rows(), 0);
  EXPECT_EQ(s.Cols(), 10);
  EXPECT_EQ(s.SecurityLevel(), csPDF417AutoEC);
  EXPECT_FALSE(s.Truncated());
  EXPECT_TRUE(s.PaintIfSmall());
  EXPECT_FALSE(s.OnChange);
  EXPECT_EQ(owner.InvalidateCount(), 0);
}

struct SetterRow {
  const char* name;
  std::function<void(TPDF417&)> setDifferent;
  std::function<void(TPDF417&)> setSame;  // the value setDifferent stored
  std::function<bool(const TPDF417&)> stored;
};

TEST(TPDF417, ChangeRepaintsOwnerThenFiresOnChangeOnce) {
  const SetterRow cases[] = {
      {"Mode", [](TPDF417& s) { s.SetMode(csPDF417Numeric); },
       [](TPDF417& s) { s.SetMode(csPDF417Numeric); },
       [](const TPDF417& s) { return s.Mode() == csPDF417Numeric; }},
      {"Rows, no range check", [](TPDF417& s) { s.SetRows(-7); }, [](TPDF417& s) { s.SetRows(-7); },
       [](const TPDF417& s) { return s.Rows() == -7; }},
      {"Cols, no range check", [](TPDF417& s) { s.SetCols(INT_MAX); },
       [](TPDF417& s) { s.SetCols(INT_MAX); },
       [](const TPDF417& s) { return s.Cols() == INT_MAX; }},
      {"SecurityLevel", [](TPDF417& s) { s.SetSecurityLevel(csPDF417Error0); },
       [](TPDF417& s) { s.SetSecurityLevel(csPDF417Error0); },
       [](const TPDF417& s) { return s.SecurityLevel() == csPDF417Error0; }},
      {"Truncated", [](TPDF417& s) { s.SetTruncated(true); },
       [](TPDF417& s) { s.SetTruncated(true); }, [](const TPDF417& s) { return s.Truncated(); }},
      {"PaintIfSmall", [](TPDF417& s) { s.SetPaintIfSmall(false); },
       [](TPDF417& s) { s.SetPaintIfSmall(false); },
       [](const TPDF417& s) { return !s.PaintIfSmall(); }},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.name);
    TCustomControl owner;
    TPDF417 s(&owner);
    std::vector<std::string> log;
    owner.OnInvalidate = [&] { log.push_back("invalidate"); };
    s.OnChange = [&](TObject* sender) {
      EXPECT_EQ(sender, &s);
      EXPECT_TRUE(row.stored(s)) << "the value is stored before anyone hears of it";
      log.push_back("change");
    };
    row.setDifferent(s);
    EXPECT_TRUE(row.stored(s));
    EXPECT_EQ(log, (std::vector<std::string>{"invalidate", "change"}));
    EXPECT_EQ(owner.InvalidateCount(), 1);
    // The current value again: nothing at all.
    row.setSame(s);
    EXPECT_EQ(log.size(), 2u);
    EXPECT_EQ(owner.InvalidateCount(), 1);
  }
}

TEST(TPDF417, WorksWithoutOwnerOrHandler) {
  TPDF417 s(nullptr);
  s.SetCols(3);
  s.SetMode(csPDF417Binary);
  EXPECT_EQ(s.Cols(), 3);
  EXPECT_EQ(s.Mode(), csPDF417Binary);
}

TEST(TPDF417, SettingsAsTheLayoutReadsThem) {
  // A fresh object uses the automatic level: text A gets eight error-correction codewords.
  const struct {
    const char* name;
    std::function<void(TPDF417&)> set;
    int expectCols, expectRows, expectWidth;
  } cases[] = {
      {"defaults", [](TPDF417&) {}, 10, 3, 239},
      {"level 0 chosen", [](TPDF417& s) { s.SetSecurityLevel(csPDF417Error0); }, 10, 3, 239},
      {"rows ignored beside cols", [](TPDF417& s) { s.SetRows(5); }, 10, 3, 239},
      {"cols 0, rows 5",
       [](TPDF417& s) {
         s.SetCols(0);
         s.SetRows(5);
       },
       2, 5, 103},
      {"truncated", [](TPDF417& s) { s.SetTruncated(true); }, 10, 3, 205},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.name);
    TPDF417 s(nullptr);
    row.set(s);
    int cols = s.Cols(), rows = s.Rows();
    const auto layout = PDF417Layout("A", cols, rows, s.Mode(), s.SecurityLevel());
    EXPECT_EQ(layout.K, s.SecurityLevel() == csPDF417AutoEC ? 8 : 2);
    EXPECT_EQ(cols, row.expectCols);
    EXPECT_EQ(rows, row.expectRows);
    EXPECT_EQ(
        PDF417SymbolWidth("A", s.Cols(), s.Rows(), s.SecurityLevel(), s.Mode(), s.Truncated()),
        row.expectWidth);
  }
}

}  // namespace
}  // namespace brevix
