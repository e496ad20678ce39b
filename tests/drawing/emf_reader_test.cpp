// The drawing opens in an independent reader: emf2svg-conv turns it into
// SVG, which must hold the null lines, the grids and all the texts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/product.h"
#include "drawing/protractor.h"
#include "geometry/alignment.h"
#include "screens/screen_pieces.h"
#include "support/test_support.h"

namespace {

bool ConverterAvailable() {
  return std::system("command -v emf2svg-conv >/dev/null 2>&1") == 0;
}

TEST(EmfReader, ConvertedDrawingHoldsTheNullLinesGridsAndTexts) {
  if (!ConverterAvailable()) GTEST_SKIP() << "emf2svg-conv is not installed (Debian package emf2svg)";
  pwtest::TempDir dir;
  pwtest::ScopedChdir here(dir.path);
  const pw::NullRadii n = pw::ComputeNullRadii({60.325, 146.05});
  ASSERT_TRUE(pw::DrawProtractor(60.325, 146.05, n.inner, n.outer).saved);
  ASSERT_EQ(std::system("emf2svg-conv -i protractor.emf -o protractor.svg >/dev/null 2>&1"), 0);
  const std::string svg = pwtest::ReadFileBytes(dir.path + "/protractor.svg");

  // Vertical lines of the reader's output, in its pixels, back in page
  // units (the reader scales by the recorded device: 1024 px per 271 mm).
  std::set<long> vertical;
  const std::regex line(R"(M ([0-9.]+),([0-9.-]+) L ([0-9.]+),([0-9.-]+))");
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), line); it != std::sregex_iterator();
       ++it) {
    if ((*it)[1] != (*it)[3]) continue;
    vertical.insert(std::lround(std::stod((*it)[1]) * 2710.0 / 1024.0));
  }
  const std::vector<long> expected = {200,  1409, 860,  1359, 1459, 1339, 1479, 1319, 1499,
                                      1299, 1519, 1279, 1539, 1259, 1559, 810,  910,  790,
                                      930,  770,  950,  750,  970,  730,  990,  710,  1010};
  for (long x : expected) EXPECT_EQ(vertical.count(x), 1u) << "line at x " << x;
  EXPECT_EQ(vertical.size(), expected.size());

  std::vector<std::string> texts;
  const std::regex text(R"(<!\[CDATA\[([^\]]*)\]\]>)");
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), text); it != std::sregex_iterator();
       ++it) {
    texts.push_back((*it)[1]);
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"For disc dimensions:", "  min groove radius  60.3mm",
                                             "  max groove radius 146.1mm",
                                             "drawn by Pivotwright v1", std::string(pw::kWebAddress),
                                             "120.9mm", "66.0mm"}));
}

}  // namespace
