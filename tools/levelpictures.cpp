// levelpictures
// Prints the checksum of every level picture (levels 0 to 5, first view and
// one turn each way), one line each, in the form tests/app/level_pictures.txt
// keeps them.
#include <cstdio>

#include "tests/support/levelpictures.h"

int main() {
  const std::vector<levelPictureSum> sums = levelPictureSums();
  for (const levelPictureSum& s : sums) std::printf("%s\n", s.line().c_str());
  return sums.size() == 30 ? 0 : 1;
}
