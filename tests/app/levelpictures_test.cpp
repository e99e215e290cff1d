// Every level picture, pixel for pixel, against the checksums of a known
// good build (tests/app/level_pictures.txt, made by tools/levelpictures).
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>

#include "tests/support/levelpictures.h"

namespace {

TEST(LevelPictures, EveryPictureMatchesItsReference) {
  std::ifstream in(LEVEL_PICTURES_FILE);
  ASSERT_TRUE(in) << LEVEL_PICTURES_FILE;
  std::map<std::string, std::string> reference;  // "<level> <view>" -> whole line
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) reference[line.substr(0, line.rfind(' '))] = line;
  const std::vector<levelPictureSum> sums = levelPictureSums();
  ASSERT_EQ(sums.size(), 30u);
  EXPECT_EQ(reference.size(), sums.size());
  for (const levelPictureSum& s : sums) {
    const std::string line = s.line();
    EXPECT_EQ(line, reference[line.substr(0, line.rfind(' '))]);
  }
}

}  // namespace
