#include "core/check_digits.h"

namespace brevix {

namespace {
int DigitValue(char c) {
  return static_cast<unsigned char>(c) - '0';
}
char DigitChar(int v) {
  return static_cast<char>('0' + v);
}
}  // namespace

char Mod10CheckDigit(std::string_view digits) {
  int sum = 0;
  int weight = 3;
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    sum += DigitValue(*it) * weight;
    weight = 4 - weight;
  }
  // Non-digits may make the sum negative; keep the result in 0..9 all the same.
  int r = sum % 10;
  if (r < 0) r += 10;
  return DigitChar((10 - r) % 10);
}

std::string ExpandUPCE(std::string_view s) {
  if (s.size() != 7) return {};
  const char n = s[0], d1 = s[1], d2 = s[2], d3 = s[3], d4 = s[4], d5 = s[5], d6 = s[6];
  std::string r;
  r.reserve(11);
  switch (d6) {
    case '0':
    case '1':
    case '2':
      r = {n, d1, d2, d6, '0', '0', '0', '0', d3, d4, d5};
      break;
    case '3':
      r = {n, d1, d2, d3, '0', '0', '0', '0', '0', d4, d5};
      break;
    case '4':
      r = {n, d1, d2, d3, d4, '0', '0', '0', '0', '0', d5};
      break;
    case '5':
    case '6':
    case '7':
    case '8':
    case '9':
      r = {n, d1, d2, d3, d4, d5, '0', '0', '0', '0', d6};
      break;
    default:
      break;
  }
  return r;
}

char IsbnCheckCharacter(std::string_view first12) {
  int sum = 0;
  int k = 0;
  for (char c : first12.substr(0, 12)) {
    if (c == '-') continue;
    if (++k > 9) break;
    sum += k * DigitValue(c);
  }
  int r = sum % 11;
  if (r < 0) r += 11;
  return r == 10 ? 'X' : DigitChar(r);
}

char OpcCheckDigit(std::string_view first9) {
  int sum = 0;
  for (std::size_t i = 0; i < 9 && i < first9.size(); ++i) {
    int d = DigitValue(first9[i]);
    if (i % 2 == 0) {
      d *= 2;
      if (d > 9) d -= 9;
    }
    sum += d;
  }
  int r = sum % 10;
  if (r < 0) r += 10;
  return DigitChar((10 - r) % 10);
}

char PznCheckDigit(std::string_view first6) {
  int sum = 0;
  for (std::size_t i = 0; i < 6 && i < first6.size(); ++i)
    sum += static_cast<int>(i + 2) * DigitValue(first6[i]);
  int r = sum % 11;
  if (r < 0) r += 11;
  return DigitChar(r);
}

}  // namespace brevix
