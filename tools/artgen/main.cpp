// Draws the keypad picture and the program icon from the key table, so the
// committed assets can be rebuilt and checked byte for byte.
//   artgen --keypad OUT.bmp --icon OUT.ico [--fonts DIR]

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "tools/artgen/IconArt.h"
#include "tools/artgen/KeypadArt.h"

int main(int argc, char** argv) {
  std::string keypadPath;
  std::string iconPath;
  std::string fontDir = "/usr/share/fonts/truetype/dejavu";
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--keypad") == 0) keypadPath = argv[i + 1];
    else if (std::strcmp(argv[i], "--icon") == 0) iconPath = argv[i + 1];
    else if (std::strcmp(argv[i], "--fonts") == 0) fontDir = argv[i + 1];
    else {
      std::fprintf(stderr, "artgen: unknown option %s\n", argv[i]);
      return 2;
    }
  }
  if ((argc - 1) % 2 != 0 || (keypadPath.empty() && iconPath.empty())) {
    std::fprintf(stderr, "usage: artgen --keypad OUT.bmp --icon OUT.ico [--fonts DIR]\n");
    return 2;
  }
  try {
    if (!keypadPath.empty() && !WriteFile(keypadPath, DrawKeypad(fontDir).EncodeBmp())) {
      std::fprintf(stderr, "artgen: cannot write %s\n", keypadPath.c_str());
      return 1;
    }
    if (!iconPath.empty() && !WriteFile(iconPath, DrawIcon(fontDir))) {
      std::fprintf(stderr, "artgen: cannot write %s\n", iconPath.c_str());
      return 1;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "artgen: %s\n", e.what());
    return 1;
  }
  return 0;
}
