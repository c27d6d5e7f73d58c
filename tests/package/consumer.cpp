// Draws a barcode through the installed headers and library and checks the file it wrote.
#include <brevix/core/control.h>
#include <brevix/render/export.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  brevix::TBrevixBC bc;
  bc.SetTypeBar(brevix::csCodeEAN13);
  bc.SetBounds(0, 0, 200, 80);
  brevix::DrawToFile(bc, argv[1]);
  std::ifstream in(argv[1], std::ios::binary);
  const std::string head(std::istreambuf_iterator<char>(in), {});
  if (head.rfind("\x89PNG", 0) != 0 || bc.ErrorMessage() != brevix::erOK) return 1;
#ifdef BREVIX_TOOL
  std::printf("%s\n", BREVIX_TOOL);
#endif
  return 0;
}
