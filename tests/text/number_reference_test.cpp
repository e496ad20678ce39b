// Every row of the two reference tables of number texts and typed texts.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "text/line_entry.h"
#include "text/number_text.h"

namespace {

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> cells;
  std::size_t start = 0;
  for (;;) {
    std::size_t tab = line.find('\t', start);
    cells.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) return cells;
    start = tab + 1;
  }
}

std::vector<std::string> ReadLines(const std::string& rel) {
  std::ifstream in(pwtest::ReferencePath(rel), std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

double FromBits(const std::string& hex) {
  uint64_t bits = std::stoull(hex, nullptr, 16);
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

std::string Bits(double d) {
  uint64_t bits;
  std::memcpy(&bits, &d, sizeof bits);
  char buf[17];
  std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(bits));
  return buf;
}

TEST(NumberReference, EveryRowOfTheNumberTexts) {
  std::vector<std::string> lines = ReadLines("numbers/number-texts.tsv");
  ASSERT_EQ(lines.size(), 4101u);
  ASSERT_EQ(lines[0], "bits\tprinted\ttext\tcomma\troundto2\tmask_00.0\tmask_000.0\tmask_0.0000E+##");
  int mismatches = 0;
  int checked = 0;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    std::vector<std::string> c = SplitTabs(lines[i]);
    ASSERT_EQ(c.size(), 8u) << "row " << i;
    double x = FromBits(c[0]);
    std::string got[7] = {
        pw::NumberText(x, pw::NumberForm::Printed),
        pw::NumberText(x, pw::NumberForm::Text),
        pw::NumberText(x, pw::NumberForm::Comma),
        pw::NumberText(pw::RoundTo(x, 2), pw::NumberForm::Text),
        pw::FormatWithMask(x, "00.0"),
        pw::FormatWithMask(x, "000.0"),
        pw::FormatWithMask(x, "0.0000E+##"),
    };
    for (int k = 0; k < 7; ++k) {
      if (c[k + 1] == "*") continue;  // a cell the reference leaves open
      ++checked;
      if (got[k] != c[k + 1] && ++mismatches <= 20) {
        ADD_FAILURE() << "bits " << c[0] << " column " << k + 1 << ": got \"" << got[k]
                      << "\", want \"" << c[k + 1] << "\"";
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_GT(checked, 4100 * 6);
}

TEST(NumberReference, EveryRowOfTheTypedTexts) {
  std::vector<std::string> lines = ReadLines("numbers/text-to-number.tsv");
  ASSERT_EQ(lines.size(), 1631u);
  ASSERT_EQ(lines[0], "text\tbits");
  int mismatches = 0;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    // The text may hold blanks but no tab; the bits follow the last tab.
    std::size_t tab = lines[i].rfind('\t');
    ASSERT_NE(tab, std::string::npos) << "row " << i;
    std::string text = lines[i].substr(0, tab);
    std::string want = lines[i].substr(tab + 1);
    std::string got = Bits(pw::TextToNumber(text));
    if (got != want && ++mismatches <= 20) {
      ADD_FAILURE() << "text \"" << text << "\": got " << got << ", want " << want;
    }
  }
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
