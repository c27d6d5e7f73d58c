// Draws a barcode through the installed headers and library and checks the file it wrote.
#include <brevix/api/barcode.h>
#include <brevix/core/control.h>
#include <brevix/encode/build_symbol.h>
#include <brevix/output/module_mode.h>
#include <brevix/render/export.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  brevix::TBrevixBC bc;
  bc.SetTypeBar(brevix::csCodeEAN13);
  bc.SetBounds(0, 0, 200, 80);
  brevix::DrawToFile(bc, argv[1]);
  std::ifstream in(argv[1], std::ios::binary);
  const std::string head(std::istreambuf_iterator<char>(in), {});
  if (head.rfind("\x89PNG", 0) != 0 || bc.ErrorMessage() != brevix::erOK) return 1;
  // The facade: the same symbology by name, as SVG bytes.
  namespace bx = brevix::api;
  const bx::Symbol symbol = bx::Encode(bx::Symbology::FromName("EAN 13"), "977121010700");
  const std::vector<std::uint8_t> svg = bx::ToBytes(symbol, bx::Format::Svg);
  if (symbol.Text != "9771210107001" ||
      std::string(svg.begin(), svg.end()).find("<svg") == std::string::npos)
    return 1;
#ifdef BREVIX_TOOL
  std::printf("%s\n", BREVIX_TOOL);
#endif
  return 0;
}
