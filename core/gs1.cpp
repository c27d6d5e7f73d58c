#include "core/gs1.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "core/check_digits.h"

namespace brevix {

namespace {

// What a part of a field's data may hold: digits, or the GS1 82-character set.
enum class TKind : std::uint8_t { None, N, X };

// What a part must satisfy beyond its characters and length.
enum class TRule : std::uint8_t {
  None,
  CheckDigit,   // its last digit is the mod-10 check digit of the digits before it
  Date,         // YYMMDD, a real date
  DateZeroDay,  // YYMMDD, a real date or a month with day 00
  DateHour,     // YYMMDDHH
  DateMinute,   // YYMMDDHHMM
  MinSec,       // MM or MMSS
};

struct TPart {
  TKind Kind = TKind::None;
  std::uint8_t Min = 0;
  std::uint8_t Max = 0;
  TRule Rule = TRule::None;
};

// An AI and the parts of its data, in order; only the last part may vary in length. An AI
// ending in 'n' stands for ten (or fewer) AIs: its last digit runs from 0 to LastMax.
struct TAiRow {
  std::string_view Ai;
  char LastMax;
  std::array<TPart, 3> Parts;
};

constexpr TPart N(int n, TRule rule = TRule::None) {
  return {TKind::N, static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n), rule};
}
constexpr TPart NV(int max, TRule rule = TRule::None) {
  return {TKind::N, 1, static_cast<std::uint8_t>(max), rule};
}
constexpr TPart XV(int max) {
  return {TKind::X, 1, static_cast<std::uint8_t>(max), TRule::None};
}
constexpr TRule kCsum = TRule::CheckDigit;
constexpr TRule kDate0 = TRule::DateZeroDay;

// clang-format off
constexpr TAiRow kAis[] = {
    {"00", 0, {N(18, kCsum)}},   // SSCC
    {"01", 0, {N(14, kCsum)}},   // GTIN
    {"02", 0, {N(14, kCsum)}},   // GTIN of contained trade items
    {"10", 0, {XV(20)}},         // batch or lot
    {"11", 0, {N(6, kDate0)}},   // production date
    {"12", 0, {N(6, kDate0)}},   // due date
    {"13", 0, {N(6, kDate0)}},   // packaging date
    {"15", 0, {N(6, kDate0)}},   // best before
    {"16", 0, {N(6, kDate0)}},   // sell by
    {"17", 0, {N(6, kDate0)}},   // expiration date
    {"20", 0, {N(2)}},           // internal product variant
    {"21", 0, {XV(20)}},         // serial number
    {"22", 0, {XV(20)}},         // consumer product variant
    {"235", 0, {XV(28)}},        // third-party serial extension
    {"240", 0, {XV(30)}},        // additional product identification
    {"241", 0, {XV(30)}},        // customer part number
    {"242", 0, {NV(6)}},         // made-to-order variation
    {"243", 0, {XV(20)}},        // packaging component number
    {"250", 0, {XV(30)}},        // secondary serial number
    {"251", 0, {XV(30)}},        // reference to source entity
    {"253", 0, {N(13, kCsum), XV(17)}},  // GDTI
    {"254", 0, {XV(20)}},                // GLN extension
    {"255", 0, {N(13, kCsum), NV(12)}},  // GCN
    {"30", 0, {NV(8)}},                  // variable count
    // Trade and logistic measures: the last digit places the decimal point.
    {"310n", '5', {N(6)}}, {"311n", '5', {N(6)}}, {"312n", '5', {N(6)}}, {"313n", '5', {N(6)}},
    {"314n", '5', {N(6)}}, {"315n", '5', {N(6)}}, {"316n", '5', {N(6)}}, {"320n", '5', {N(6)}},
    {"321n", '5', {N(6)}}, {"322n", '5', {N(6)}}, {"323n", '5', {N(6)}}, {"324n", '5', {N(6)}},
    {"325n", '5', {N(6)}}, {"326n", '5', {N(6)}}, {"327n", '5', {N(6)}}, {"328n", '5', {N(6)}},
    {"329n", '5', {N(6)}}, {"330n", '5', {N(6)}}, {"331n", '5', {N(6)}}, {"332n", '5', {N(6)}},
    {"333n", '5', {N(6)}}, {"334n", '5', {N(6)}}, {"335n", '5', {N(6)}}, {"336n", '5', {N(6)}},
    {"337n", '5', {N(6)}}, {"340n", '5', {N(6)}}, {"341n", '5', {N(6)}}, {"342n", '5', {N(6)}},
    {"343n", '5', {N(6)}}, {"344n", '5', {N(6)}}, {"345n", '5', {N(6)}}, {"346n", '5', {N(6)}},
    {"347n", '5', {N(6)}}, {"348n", '5', {N(6)}}, {"349n", '5', {N(6)}}, {"350n", '5', {N(6)}},
    {"351n", '5', {N(6)}}, {"352n", '5', {N(6)}}, {"353n", '5', {N(6)}}, {"354n", '5', {N(6)}},
    {"355n", '5', {N(6)}}, {"356n", '5', {N(6)}}, {"357n", '5', {N(6)}}, {"360n", '5', {N(6)}},
    {"361n", '5', {N(6)}}, {"362n", '5', {N(6)}}, {"363n", '5', {N(6)}}, {"364n", '5', {N(6)}},
    {"365n", '5', {N(6)}}, {"366n", '5', {N(6)}}, {"367n", '5', {N(6)}}, {"368n", '5', {N(6)}},
    {"369n", '5', {N(6)}},
    {"37", 0, {NV(8)}},                // count of trade items
    {"390n", '9', {NV(15)}},           // amount payable, local currency
    {"391n", '9', {N(3), NV(15)}},     // amount payable with ISO currency code
    {"392n", '9', {NV(15)}},           // amount payable, single monetary area
    {"393n", '9', {N(3), NV(15)}},     // the same with ISO currency code
    {"394n", '3', {N(4)}},             // percentage discount of a coupon
    {"395n", '5', {N(6)}},             // amount payable per unit of measure
    {"400", 0, {XV(30)}},              // customer's purchase order number
    {"401", 0, {XV(30)}},              // GINC
    {"402", 0, {N(17, kCsum)}},        // GSIN
    {"403", 0, {XV(30)}},              // routing code
    {"410", 0, {N(13, kCsum)}}, {"411", 0, {N(13, kCsum)}}, {"412", 0, {N(13, kCsum)}},
    {"413", 0, {N(13, kCsum)}}, {"414", 0, {N(13, kCsum)}}, {"415", 0, {N(13, kCsum)}},
    {"416", 0, {N(13, kCsum)}}, {"417", 0, {N(13, kCsum)}},  // GLNs
    {"420", 0, {XV(20)}},              // ship-to postal code
    {"421", 0, {N(3), XV(9)}},         // ship-to postal code with ISO country code
    {"422", 0, {N(3)}},                // country of origin
    {"423", 0, {N(3), NV(12)}},        // countries of initial processing
    {"424", 0, {N(3)}},                // country of processing
    {"425", 0, {N(3), NV(12)}},        // countries of disassembly
    {"426", 0, {N(3)}},                // country covering the full process chain
    {"427", 0, {XV(3)}},               // country subdivision of origin
    {"7001", 0, {N(13)}},              // NATO stock number
    {"7002", 0, {XV(30)}},             // UNECE meat carcasses classification
    {"7003", 0, {N(10, TRule::DateMinute)}},  // expiration date and time
    {"7004", 0, {NV(4)}},              // active potency
    {"7005", 0, {XV(12)}},             // catch area
    {"7006", 0, {N(6, TRule::Date)}},  // first freeze date
    {"7008", 0, {XV(3)}},              // species for fishery purposes
    {"7009", 0, {XV(10)}},             // fishing gear type
    {"7010", 0, {XV(2)}},              // production method
    {"7020", 0, {XV(20)}}, {"7021", 0, {XV(20)}}, {"7022", 0, {XV(20)}}, {"7023", 0, {XV(30)}},
    {"703n", '9', {N(3), XV(27)}},     // approval number of processor with ISO country code
    {"710", 0, {XV(20)}}, {"711", 0, {XV(20)}}, {"712", 0, {XV(20)}},
    {"713", 0, {XV(20)}}, {"714", 0, {XV(20)}}, {"715", 0, {XV(20)}},  // national healthcare codes
    {"8001", 0, {N(14)}},                      // roll products
    {"8002", 0, {XV(20)}},                     // cellular mobile telephone identifier
    {"8003", 0, {N(14, kCsum), XV(16)}},       // GRAI
    {"8004", 0, {XV(30)}},                     // GIAI
    {"8005", 0, {N(6)}},                       // price per unit of measure
    {"8006", 0, {N(14, kCsum), N(4)}},         // ITIP
    {"8007", 0, {XV(34)}},                     // IBAN
    {"8008", 0, {N(8, TRule::DateHour), {TKind::N, 2, 4, TRule::MinSec}}},  // production time
    {"8012", 0, {XV(20)}},                     // software version
    {"8017", 0, {N(18, kCsum)}},               // GSRN of a provider
    {"8018", 0, {N(18, kCsum)}},               // GSRN of a recipient
    {"8019", 0, {NV(10)}},                     // service relation instance number
    {"8020", 0, {XV(25)}},                     // payment slip reference number
    {"8200", 0, {XV(70)}},                     // extended packaging URL
    {"90", 0, {XV(30)}},                       // mutually agreed between trading partners
    {"91", 0, {XV(90)}}, {"92", 0, {XV(90)}}, {"93", 0, {XV(90)}}, {"94", 0, {XV(90)}},
    {"95", 0, {XV(90)}}, {"96", 0, {XV(90)}}, {"97", 0, {XV(90)}}, {"98", 0, {XV(90)}},
    {"99", 0, {XV(90)}},  // company internal information
};
// clang-format on

// The AIs whose fields have a length every reader knows from their first two digits: no FNC1
// needs to end them.
constexpr std::string_view kPredefined[] = {"00", "01", "02", "03", "04", "11", "12", "13",
                                            "14", "15", "16", "17", "18", "19", "20", "31",
                                            "32", "33", "34", "35", "36", "41"};

// The GS1 82-character set.
constexpr std::array<bool, 256> BuildCset82() {
  std::array<bool, 256> t{};
  for (const char c : std::string_view("!\"%&'()*+,-./:;<=>?_"))
    t[static_cast<unsigned char>(c)] = true;
  for (int c = '0'; c <= '9'; ++c) t[static_cast<std::size_t>(c)] = true;
  for (int c = 'A'; c <= 'Z'; ++c) t[static_cast<std::size_t>(c)] = true;
  for (int c = 'a'; c <= 'z'; ++c) t[static_cast<std::size_t>(c)] = true;
  return t;
}
constexpr std::array<bool, 256> kCset82 = BuildCset82();

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The index of close when an AI opens at i of text: open, 2 to 4 digits and close; 0 when none
// opens there.
std::size_t BracketedAiEnd(std::string_view text, std::size_t i, char open, char close) {
  if (text[i] != open) return 0;
  std::size_t j = i + 1;
  while (j < text.size() && IsDigit(text[j]) && j - i <= 4) ++j;
  const std::size_t digits = j - i - 1;
  if (digits < 2 || digits > 4 || j >= text.size() || text[j] != close) return 0;
  return j;
}

const TAiRow* FindAi(std::string_view ai) {
  for (const TAiRow& row : kAis) {
    if (row.Ai.size() != ai.size()) continue;
    const bool wild = row.Ai.back() == 'n';
    const std::size_t fixed = wild ? ai.size() - 1 : ai.size();
    if (ai.substr(0, fixed) != row.Ai.substr(0, fixed)) continue;
    if (wild && !(IsDigit(ai.back()) && ai.back() <= row.LastMax)) continue;
    return &row;
  }
  return nullptr;
}

int TwoDigits(std::string_view s, std::size_t at) {
  return (s[at] - '0') * 10 + (s[at + 1] - '0');
}

// Digits only, checked before any rule reads them.
bool ValidDate(std::string_view d, bool zeroDay) {
  const int year = TwoDigits(d, 0), month = TwoDigits(d, 2), day = TwoDigits(d, 4);
  if (month < 1 || month > 12) return false;
  constexpr std::array<int, 12> kDays{31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  // Two-digit years stand for 2000..2099 or the years a century before: every fourth is a leap
  // year either way in the window GS1 uses.
  const int days = month == 2 && year % 4 != 0 ? 28 : kDays[static_cast<std::size_t>(month - 1)];
  return (day >= 1 || (zeroDay && day == 0)) && day <= days;
}

bool ValidRule(TRule rule, std::string_view d) {
  switch (rule) {
    case TRule::Date:
      return ValidDate(d, false);
    case TRule::DateZeroDay:
      return ValidDate(d, true);
    case TRule::DateHour:
      return ValidDate(d, false) && TwoDigits(d, 6) <= 23;
    case TRule::DateMinute:
      return ValidDate(d, false) && TwoDigits(d, 6) <= 23 && TwoDigits(d, 8) <= 59;
    case TRule::MinSec:
      return (d.size() == 2 || d.size() == 4) && TwoDigits(d, 0) <= 59 &&
             (d.size() == 2 || TwoDigits(d, 2) <= 59);
    default:
      return true;
  }
}

const char* RuleWhat(TRule rule) {
  switch (rule) {
    case TRule::Date:
    case TRule::DateZeroDay:
      return "invalid date ";
    case TRule::DateHour:
    case TRule::DateMinute:
      return "invalid date and time ";
    default:
      return "invalid time ";
  }
}

class TParser {
 public:
  TParser(std::string_view text, bool complete) : FText(text), FComplete(complete) {}

  TGs1Parse Run() {
    if (FText.empty()) return Fail(erEmptyCode, 0, "Empty code.");
    FOpen = FText.front();
    if (FOpen != '(' && FOpen != '[')
      return Fail(erCharOutOfSet, 1, "GS1 data starts with an AI in parentheses, position 1");
    FClose = FOpen == '(' ? ')' : ']';
    std::size_t i = 0;
    while (i < FText.size()) {
      const std::size_t aiEnd = AiEnd(i);
      if (aiEnd == 0)
        return Fail(erCharOutOfSet, static_cast<int>(i + 1),
                    "an AI of 2 to 4 digits in " + std::string{FOpen, FClose} +
                        " expected, position " + std::to_string(i + 1));
      TGs1Field field;
      field.Ai = std::string(FText.substr(i + 1, aiEnd - i - 1));
      field.Position = static_cast<int>(i + 2);
      std::size_t end = aiEnd + 1;
      while (end < FText.size() && AiEnd(end) == 0) ++end;
      field.Data = std::string(FText.substr(aiEnd + 1, end - aiEnd - 1));
      if (!CheckField(field, aiEnd + 2)) return std::move(FOut);
      FOut.Fields.push_back(std::move(field));
      i = end;
    }
    // The caption is read back as a text (the control keeps it as its text), so data holding
    // what the parenthesis form reads as an AI puts every AI in square brackets, which are no
    // data characters.
    bool brackets = false;
    for (const TGs1Field& f : FOut.Fields) brackets = brackets || HoldsParenthesisAi(f.Data);
    const std::string open = brackets ? "[" : "(", close = brackets ? "]" : ")";
    for (std::size_t k = 0; k < FOut.Fields.size(); ++k) {
      const TGs1Field& f = FOut.Fields[k];
      FOut.ElementString += f.Ai + f.Data;
      if (k + 1 < FOut.Fields.size() && !Gs1PredefinedLength(f.Ai))
        FOut.ElementString += kGs1Separator;
      FOut.Caption += open + f.Ai + close + f.Data;
    }
    return std::move(FOut);
  }

 private:
  // Whether data holds "(", 2 to 4 digits and ")": an AI to the parenthesis form.
  static bool HoldsParenthesisAi(std::string_view data) {
    for (std::size_t i = 0; i < data.size(); ++i)
      if (BracketedAiEnd(data, i, '(', ')') != 0) return true;
    return false;
  }

  // The index of the closing bracket when an AI opens at i: the opening bracket, 2 to 4 digits
  // and the closing bracket. 0 when none opens there. Parentheses are data characters too, so
  // one opens an AI only when digits and the closing one follow.
  std::size_t AiEnd(std::size_t i) const { return BracketedAiEnd(FText, i, FOpen, FClose); }

  TGs1Parse Fail(TLastError code, int position, std::string message) {
    SetError(code, position, std::move(message));
    return std::move(FOut);
  }

  void SetError(TLastError code, int position, std::string message) {
    FOut = {};
    FOut.Code = code;
    FOut.Position = position;
    FOut.Message = std::move(message);
  }

  bool FailField(const TGs1Field& f, TLastError code, int position, const std::string& what) {
    SetError(code, position,
             "AI (" + f.Ai + "): " + what + ", position " + std::to_string(position));
    return false;
  }

  // Checks the data of f (its first character at 1-based dataAt) against the AI's parts,
  // completing check digits as asked.
  bool CheckField(TGs1Field& f, std::size_t dataAt) {
    const TAiRow* row = FindAi(f.Ai);
    if (row == nullptr) return FailField(f, erErrorInBarCode, f.Position, "unknown AI");
    if (f.Data.empty()) return FailField(f, erBarcodeLengthInvalid, f.Position, "no data");
    std::size_t at = 0;
    for (std::size_t p = 0; p < row->Parts.size() && row->Parts[p].Kind != TKind::None; ++p) {
      const TPart& part = row->Parts[p];
      const bool last = p + 1 == row->Parts.size() || row->Parts[p + 1].Kind == TKind::None;
      std::size_t n = last ? f.Data.size() - std::min(at, f.Data.size()) : part.Max;
      std::size_t left = f.Data.size() - std::min(at, f.Data.size());
      // A fixed part short of its check digit alone gets it.
      if (last && part.Rule == TRule::CheckDigit && part.Min == part.Max && left + 1 == part.Max &&
          std::all_of(f.Data.begin() + static_cast<std::ptrdiff_t>(at), f.Data.end(), IsDigit)) {
        f.Data += Mod10CheckDigit(std::string_view(f.Data).substr(at));
        n = left = part.Max;
      }
      if (n > left || n < part.Min || n > part.Max) {
        // The whole field's length as the AI defines it.
        std::size_t least = at + part.Min, most = at + part.Max;
        for (std::size_t q = p + 1; q < row->Parts.size(); ++q) {
          least += row->Parts[q].Min;
          most += row->Parts[q].Max;
        }
        return FailField(f, erBarcodeLengthInvalid, f.Position,
                         "data of " + std::to_string(f.Data.size()) + " characters, " +
                             std::to_string(least) +
                             (least == most ? "" : " to " + std::to_string(most)) + " expected");
      }
      for (std::size_t k = at; k < at + n; ++k) {
        const char c = f.Data[k];
        const bool ok = part.Kind == TKind::N ? IsDigit(c) : kCset82[static_cast<unsigned char>(c)];
        if (!ok) {
          const int position = static_cast<int>(dataAt + k);
          const std::string shown = static_cast<unsigned char>(c) < 32 || c == 127
                                        ? "a control character"
                                        : "'" + std::string(1, c) + "'";
          return FailField(f, erCharOutOfSet, position,
                           shown + (part.Kind == TKind::N ? " where a digit is expected"
                                                          : " outside the GS1 character set"));
        }
      }
      const std::string_view value = std::string_view(f.Data).substr(at, n);
      if (part.Rule == TRule::CheckDigit) {
        const char want = Mod10CheckDigit(value.substr(0, n - 1));
        if (value.back() != want) {
          if (!FComplete)
            return FailField(
                f, erMustBe, static_cast<int>(dataAt + at + n - 1),
                std::string("wrong check digit ") + value.back() + ", " + want + " expected");
          f.Data[at + n - 1] = want;
        }
      } else if (!ValidRule(part.Rule, value)) {
        return FailField(f, erErrorInBarCode, f.Position, RuleWhat(part.Rule) + std::string(value));
      }
      at += n;
    }
    if (at < f.Data.size())
      return FailField(f, erBarcodeLengthInvalid, f.Position,
                       "data of " + std::to_string(f.Data.size()) + " characters, " +
                           std::to_string(at) + " expected");
    return true;
  }

  std::string_view FText;
  bool FComplete;
  char FOpen = '(';
  char FClose = ')';
  TGs1Parse FOut;
};

}  // namespace

TGs1Parse ParseGs1(std::string_view text, bool completeCheckDigits) {
  return TParser(text, completeCheckDigits).Run();
}

bool Gs1KnownAi(std::string_view ai) {
  return FindAi(ai) != nullptr;
}

bool Gs1PredefinedLength(std::string_view ai) {
  if (ai.size() < 2) return false;
  return std::find(std::begin(kPredefined), std::end(kPredefined), ai.substr(0, 2)) !=
         std::end(kPredefined);
}

}  // namespace brevix
