// brevix SYMBOLOGY TEXT: completes and checks a barcode text and prints its module pattern.
#include <cctype>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include "core/catalogue.h"
#include "core/control.h"
#include "pdf417/pdf417.h"

namespace {

using namespace brevix;

constexpr int kExitOk = 0;
constexpr int kExitRefused = 1;  // the text cannot be encoded
constexpr int kExitUsage = 2;

void PrintUsage(std::FILE* out) {
  std::fputs(
      "usage: brevix SYMBOLOGY TEXT\n"
      "       brevix --list\n"
      "       brevix --help\n"
      "\n"
      "Completes TEXT with its check characters, checks it for SYMBOLOGY and prints the\n"
      "completed text, the check result and the module pattern (PDF417: one row per line).\n"
      "SYMBOLOGY is an identifier (csCodeEAN13), a name from --list (\"EAN 13\") or a\n"
      "number 0..32. Exit status: 0 encoded, 1 refused, 2 usage error.\n",
      out);
}

void PrintList() {
  for (int v = 0; v < kTypeBarCount; ++v) {
    TBarCodeInfo info;
    GetBarCodeInfo(v, info);
    std::printf("%2d  %-24s %-24s %s\n", v, TypeBarIdentifier(v), info.Name.c_str(),
                info.Sample.c_str());
  }
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

std::optional<TTypeBar> ParseSymbology(std::string_view arg) {
  if (!arg.empty() && arg.size() <= 2 &&
      arg.find_first_not_of("0123456789") == std::string_view::npos) {
    const int v = std::stoi(std::string(arg));
    if (v < kTypeBarCount) return static_cast<TTypeBar>(v);
    return std::nullopt;
  }
  for (int v = 0; v < kTypeBarCount; ++v) {
    TBarCodeInfo info;
    GetBarCodeInfo(v, info);
    if (SameIgnoringCase(arg, TypeBarIdentifier(v)) ||
        SameIgnoringCase(Trimmed(arg), Trimmed(info.Name)))
      return static_cast<TTypeBar>(v);
  }
  return std::nullopt;
}

int RunPDF417(TCustomBC& bc) {
  TPDF417& p = bc.PDF417();
  int cols = p.Cols();
  int rows = p.Rows();
  const auto lines =
      PDF417BuildRows(bc.Text(), cols, rows, p.Truncated(), p.Mode(), p.SecurityLevel());
  std::printf("text:    %s\nresult:  %s\n", bc.Text().c_str(), "Correct");
  for (const std::string& line : lines) std::printf("%s\n", line.c_str());
  return kExitOk;
}

int Run(TTypeBar typeBar, const std::string& text) {
  TBrevixBC bc;
  bc.SetTypeBar(typeBar);
  bc.SetText(text);
  if (typeBar == csCodePDF417) return RunPDF417(bc);
  const TEncodeResult r = bc.EncodeText(bc.Text());
  const bool ok = bc.ErrorMessage() == erOK;
  std::printf("text:    %s\nresult:  %s\npattern: %s\n", bc.Text().c_str(), bc.ErrorText().c_str(),
              r.Pattern.c_str());
  return ok ? kExitOk : kExitRefused;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h")) {
    PrintUsage(stdout);
    return kExitOk;
  }
  if (argc == 2 && std::string_view(argv[1]) == "--list") {
    PrintList();
    return kExitOk;
  }
  if (argc != 3) {
    PrintUsage(stderr);
    return kExitUsage;
  }
  const auto typeBar = ParseSymbology(argv[1]);
  if (!typeBar) {
    std::fprintf(stderr, "brevix: unknown symbology \"%s\" (see brevix --list)\n", argv[1]);
    return kExitUsage;
  }
  try {
    return Run(*typeBar, argv[2]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "brevix: %s\n", e.what());
    return kExitRefused;
  }
}
