#include <cstdio>

int main(int argc, char** argv) {
  (void)argv;
  if (argc < 2) {
    std::puts("usage: brevix SYMBOLOGY TEXT");
    return 2;
  }
  return 0;
}
