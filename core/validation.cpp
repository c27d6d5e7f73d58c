// Check-character completion when Text is set, and the check every encoding starts with.
#include "core/validation.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

#include "core/catalogue.h"
#include "core/check_digits.h"
#include "core/gs1.h"
#include "core/symbologies.h"

namespace brevix {

namespace {

constexpr char kPlaceholder = ' ';

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool LengthIn(std::size_t n, std::initializer_list<std::size_t> allowed) {
  return std::find(allowed.begin(), allowed.end(), n) != allowed.end();
}

// Characters from..to (1-based, inclusive) of s, clipped to its length.
std::string_view Chars(std::string_view s, std::size_t from, std::size_t to) {
  if (from > s.size() || to < from) return {};
  return s.substr(from - 1, std::min(to, s.size()) - from + 1);
}

// Characters picked from a text for the character check, each with its 1-based position in that
// text, so that a rejected character is reported where the user typed it.
struct TPicked {
  std::string Chars;
  std::vector<std::size_t> Positions;
};

void Pick(TPicked& picked, std::string_view text, std::size_t from, std::size_t to) {
  for (std::size_t pos = from; pos <= to && pos <= text.size(); ++pos) {
    picked.Chars += text[pos - 1];
    picked.Positions.push_back(pos);
  }
}

// Index of the first character of s missing from charSet (exact bytes), or npos.
std::size_t FirstOutOfSet(std::string_view s, const std::array<bool, 256>& charSet) {
  for (std::size_t i = 0; i < s.size(); ++i)
    if (!charSet[static_cast<unsigned char>(s[i])]) return i;
  return std::string_view::npos;
}

// The ISBN/ISSN/ISMN check character is the tenth character that is not a hyphen: position 13 in
// the usual "80-7226-102-9" form, 10 when the number is typed without hyphens, so an add-on
// after it is never overwritten. Texts with fewer than ten such characters use position 13.
std::size_t IsbnCheckIndex(std::string_view t) {
  std::size_t seen = 0;
  for (std::size_t i = 0; i < t.size(); ++i)
    if (t[i] != '-' && ++seen == 10) return i;
  return 12;
}

// The nine characters the check character is computed over (hyphens dropped).
// The text rule of a symbology; outside the enumeration, the (empty) character set.
TCheckRule CheckRuleOf(TTypeBar typeBar) {
  const TSymbologyDescriptor* row = SymbologyOf(typeBar);
  return row != nullptr ? row->Check : TCheckRule::CharSet;
}

std::string IsbnNumber(std::string_view t) {
  std::string number;
  const std::size_t end = IsbnCheckIndex(t);
  for (std::size_t i = 0; i < end; ++i)
    if (t[i] != '-') number += t[i];
  return number;
}

// Records a rejected character (1-based position) and fails.
bool RejectChar(TTextCheck& check, std::size_t pos, char c) {
  check.Detail.clear();
  check.Code = erCharOutOfSet;
  check.Position = static_cast<int>(pos);
  check.BadChar = c;
  return false;
}

// CheckCharSet over characters picked from a text; a rejection reports the character's own
// position (positions[i] for chars[i]).
bool CheckCharSetAt(TTypeBar typeBar, std::string_view chars,
                    std::span<const std::size_t> positions, TTextCheck& check) {
  const std::size_t i = FirstOutOfSet(chars, CharSetTable(typeBar));
  return i == std::string_view::npos || RejectChar(check, positions[i], chars[i]);
}

// A digits-only scan for symbologies that encode digits only.
bool CheckDigitsOnly(std::string_view s, TTextCheck& check) {
  for (std::size_t i = 0; i < s.size(); ++i)
    if (!IsDigit(s[i])) return RejectChar(check, i + 1, s[i]);
  return true;
}

// The EAN/UPC main-part rule for main length m.
bool CheckSeparated(TTypeBar typeBar, std::string_view text, std::size_t m, TTextCheck& check) {
  if (!LengthIn(text.size(), {m - 1, m, m + 3, m + 6})) {
    check.Code = erBarcodeLengthInvalid;
    return false;
  }
  std::string t(text);
  if (t.size() == m - 1) t += kPlaceholder;
  // The check digit is recomputed here, so whatever was typed in its place is never rejected.
  t[m - 1] = Mod10CheckDigit(std::string_view(t).substr(0, m - 1));
  TPicked picked;
  Pick(picked, t, 1, m);
  Pick(picked, t, m + 2, m + 6);
  if (!CheckCharSetAt(typeBar, picked.Chars, picked.Positions, check)) return false;
  if (t.size() > m && t[m] != ' ') {
    check.Code = erCharMustBeSpace;
    check.Position = static_cast<int>(m + 1);
    return false;
  }
  return true;
}

}  // namespace

std::string CompleteCheckDigits(TTypeBar typeBar, std::string text) {
  std::string t = std::move(text);
  const TCheckRule rule = CheckRuleOf(typeBar);
  switch (rule) {
    case TCheckRule::ITF:
      if (LengthIn(t.size(), {5, 13, 15})) t += kPlaceholder;
      if (LengthIn(t.size(), {6, 14, 16}))
        t.back() = Mod10CheckDigit(std::string_view(t).substr(0, t.size() - 1));
      break;
    case TCheckRule::BookNumber:
      if (t.size() == 11) t += "- ";
      if (t.size() == 12) t += kPlaceholder;
      if (t.size() >= 13) t[IsbnCheckIndex(t)] = IsbnCheckCharacter(IsbnNumber(t));
      break;
    case TCheckRule::OPC:
      if (t.size() == 9) t += kPlaceholder;
      if (t.size() >= 10) t[9] = OpcCheckDigit(std::string_view(t).substr(0, 9));
      break;
    case TCheckRule::JAN8:
    case TCheckRule::EAN8:
      if (rule == TCheckRule::JAN8) t = "49" + std::string(Chars(t, 3, 22));
      if (t.size() == 7) t += kPlaceholder;
      if (t.size() >= 8) t[7] = Mod10CheckDigit(std::string_view(t).substr(0, 7));
      break;
    case TCheckRule::JAN13:
    case TCheckRule::EAN13:
      if (rule == TCheckRule::JAN13) t = "49" + std::string(Chars(t, 3, 22));
      if (t.size() == 12) t += kPlaceholder;
      if (t.size() >= 13) t[12] = Mod10CheckDigit(std::string_view(t).substr(0, 12));
      break;
    case TCheckRule::UPCA:
      if (t.size() == 11) t += kPlaceholder;
      if (t.size() >= 12) t[11] = Mod10CheckDigit(std::string_view(t).substr(0, 11));
      break;
    case TCheckRule::UPCE0:
    case TCheckRule::UPCE1:
      // The number system digit: 0 for UPC-E0, 1 for UPC-E1.
      if (t.size() == 6) t.insert(t.begin(), rule == TCheckRule::UPCE1 ? '1' : '0');
      if (t.size() == 7) t += kPlaceholder;
      if (t.size() >= 8) t[7] = Mod10CheckDigit(ExpandUPCE(std::string_view(t).substr(0, 7)));
      break;
    case TCheckRule::UPCShipping:
      if (t.size() == 13) t += kPlaceholder;
      if (t.size() >= 14) t[13] = Mod10CheckDigit(std::string_view(t).substr(0, 13));
      break;
    case TCheckRule::GS1: {
      // Written with parentheses, as printed on labels; a text that does not parse stays as it
      // is, for the check to refuse.
      TGs1Parse parsed = ParseGs1(t, true);
      if (parsed.Ok()) t = std::move(parsed.Caption);
      break;
    }
    case TCheckRule::PZN:
      if (t.size() == 6 || t.size() == 7) {
        if (t.size() == 6) t += kPlaceholder;
        t[6] = PznCheckDigit(std::string_view(t).substr(0, 6));
      }
      break;
    default:
      break;
  }
  return t;
}

bool PreEncodeCheck(TTypeBar typeBar, std::string_view text, TTextCheck& check) {
  check.Detail.clear();
  if (text.empty()) {
    check.Code = erEmptyCode;
    return false;
  }
  check.Code = erOK;
  const std::size_t n = text.size();
  auto fail = [&check](TLastError e) {
    check.Code = e;
    return false;
  };
  auto mustBeSpace = [&check, text](std::size_t pos) {
    if (text.size() <= pos - 1 || text[pos - 1] == ' ') return true;
    check.Code = erCharMustBeSpace;
    check.Position = static_cast<int>(pos);
    return false;
  };

  const TCheckRule rule = CheckRuleOf(typeBar);
  switch (rule) {
    case TCheckRule::Interleaved:
      if (!CheckCharSet(typeBar, text, check)) return false;
      if (n % 2 != 0) return fail(erCountCharMustBeEven);
      return true;

    case TCheckRule::ABCCodabar: {
      if (!CheckCharSet(typeBar, text, check)) return false;
      // Each run must open and close with a start/stop character.
      // The set holds upper-case letters only, so no case folding is needed.
      auto isStartStop = [](char c) { return c >= 'A' && c <= 'D'; };
      if (!isStartStop(text.front())) return RejectChar(check, 1, text.front());
      if (!isStartStop(text.back())) return RejectChar(check, n, text.back());
      return true;
    }

    case TCheckRule::Codabar: {
      if (!CheckCharSet(typeBar, text, check)) return false;
      // A to D are start/stop characters: either a framing pair around the data or absent.
      auto isStartStop = [](char c) { return c >= 'A' && c <= 'D'; };
      const bool framed = n >= 2 && isStartStop(text.front()) && isStartStop(text.back());
      for (std::size_t i = 0; i < n; ++i) {
        const bool edge = i == 0 || i == n - 1;
        if (isStartStop(text[i]) && !(framed && edge)) return RejectChar(check, i + 1, text[i]);
      }
      return true;
    }

    case TCheckRule::ITF:
      if (!LengthIn(n, {6, 14, 16})) return fail(erBarcodeLengthInvalid);
      return CheckDigitsOnly(text, check);

    case TCheckRule::BookNumber: {
      // s: the text without hyphens, each character with its position in the text.
      TPicked s;
      for (std::size_t pos = 1; pos <= n; ++pos)
        if (text[pos - 1] != '-') Pick(s, text, pos, pos);
      if (s.Chars.size() > 10 && s.Chars[10] != ' ') {
        check.Code = erCharMustBeSpace;
        check.Position = 11;
        return false;
      }
      if (!LengthIn(s.Chars.size(), {10, 13, 16})) return fail(erBarcodeLengthInvalid);
      // The tenth character is the ISBN check character (it may be X); the encoder replaces it.
      TPicked picked;
      for (std::size_t k = 1; k <= s.Chars.size(); ++k) {
        if (k == 10 || k == 11) continue;
        picked.Chars += s.Chars[k - 1];
        picked.Positions.push_back(s.Positions[k - 1]);
      }
      return CheckCharSetAt(typeBar, picked.Chars, picked.Positions, check);
    }

    case TCheckRule::MSI:
      if (n > 13) return fail(erBarcodeLengthInvalid);
      // The MSI check digit is defined on digits only.
      return CheckDigitsOnly(text, check);

    case TCheckRule::PostNet:
      if (!LengthIn(n, {5, 9, 11})) return fail(erBarcodeLengthInvalid);
      // PostNet bars exist for the ten digits only.
      return CheckDigitsOnly(text, check);

    case TCheckRule::OPC:
      if (n != 10) return fail(erBarcodeLengthInvalid);
      // OPC is drawn as interleaved 2-of-5, which has bars for digits only.
      return CheckDigitsOnly(text, check);

    case TCheckRule::EAN8:
    case TCheckRule::JAN8:
      return CheckSeparated(typeBar, text, 8, check);
    case TCheckRule::EAN13:
    case TCheckRule::JAN13:
      return CheckSeparated(typeBar, text, 13, check);
    case TCheckRule::UPCA:
      return CheckSeparated(typeBar, text, 12, check);

    case TCheckRule::UPCE0:
    case TCheckRule::UPCE1:
      if (!LengthIn(n, {8, 11, 14})) return fail(erBarcodeLengthInvalid);
      {
        TPicked picked;
        Pick(picked, text, 1, 8);
        Pick(picked, text, 10, 14);
        if (!CheckCharSetAt(typeBar, picked.Chars, picked.Positions, check)) return false;
      }
      if (!mustBeSpace(9)) return false;
      if (rule == TCheckRule::UPCE0 && text.front() != '0') return fail(erFirstCharMustBeZero);
      if (rule == TCheckRule::UPCE1 && text.front() != '1') {
        check.MustBe = 1;
        return fail(erMustBe);
      }
      return true;

    case TCheckRule::UPCShipping:
      if (!LengthIn(n, {14, 21})) return fail(erBarcodeLengthInvalid);
      {
        TPicked picked;
        Pick(picked, text, 1, 14);
        Pick(picked, text, 16, 21);
        if (!CheckCharSetAt(typeBar, picked.Chars, picked.Positions, check)) return false;
        return mustBeSpace(15);
      }

    case TCheckRule::PZN:
      if (!CheckCharSet(typeBar, text, check)) return false;
      if (n != 6 && n != 7) return fail(erBarcodeLengthInvalid);
      return true;

    case TCheckRule::EAN128: {
      // The accented letters of the catalogue set have no Code 128 symbol.
      const std::array<bool, 256>& charSet = CharSetTable(typeBar);
      for (std::size_t i = 0; i < n; ++i) {
        const char c = text[i];
        if (static_cast<unsigned char>(c) > 127 || !charSet[static_cast<unsigned char>(c)])
          return RejectChar(check, i + 1, c);
      }
      return true;
    }

    case TCheckRule::GS1: {
      const TGs1Parse parsed = ParseGs1(text, false);
      if (parsed.Ok()) return true;
      check.Code = parsed.Code;
      check.Position = parsed.Position;
      if (parsed.Position > 0) check.BadChar = text[static_cast<std::size_t>(parsed.Position - 1)];
      check.Detail = parsed.Message;
      return false;
    }

    default:
      return CheckCharSet(typeBar, text, check);
  }
}

bool CheckCharSet(TTypeBar typeBar, std::string_view s, TTextCheck& check) {
  const std::size_t i = FirstOutOfSet(s, CharSetTable(typeBar));
  return i == std::string_view::npos || RejectChar(check, i + 1, s[i]);
}

std::string CheckErrorText(const TTextCheck& check) {
  if (check.Code != erOK && !check.Detail.empty()) return check.Detail;
  std::string text = LastErrorText(check.Code);
  switch (check.Code) {
    case erCharOutOfSet:
      // Appended piece by piece: the chained operator+ form trips a false -Wrestrict in gcc 12
      // at -O3, which breaks the release build.
      text += '(';
      text += std::to_string(check.Position);
      text += ".char - ";
      text += check.BadChar;
      text += ')';
      break;
    case erCharMustBeSpace:
      text = std::to_string(check.Position) + text;
      break;
    case erMustBe:
      if (const auto at = text.find("%d"); at != std::string::npos)
        text.replace(at, 2, std::to_string(check.MustBe));
      break;
    default:
      break;
  }
  return text;
}

}  // namespace brevix
