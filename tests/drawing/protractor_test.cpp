#include "drawing/protractor.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstddef>
#include <filesystem>
#include <iterator>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "base/int_convert.h"
#include "base/product.h"
#include "drawing/emf_walk.h"
#include "geometry/alignment.h"
#include "support/test_support.h"

namespace {

using emftest::Record;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Draws into a fresh directory and gives the records of the file written,
// after checking its structure.
std::vector<Record> Draw(double ri, double ro, double ni, double no) {
  pwtest::TempDir dir;
  pwtest::ScopedChdir here(dir.path);
  const pw::DrawOutcome outcome = pw::DrawProtractor(ri, ro, ni, no);
  EXPECT_TRUE(outcome.saved);
  EXPECT_EQ(outcome.error, 0);
  std::string problems;
  std::vector<Record> records =
      emftest::WalkRecords(pwtest::ReadFileBytes(dir.path + "/protractor.emf"), &problems);
  EXPECT_EQ(problems, "");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path),
                          std::filesystem::directory_iterator()),
            1)
      << "only protractor.emf is left in the directory";
  return records;
}

struct Segment {
  int32_t x1, y1, x2, y2;
};

// The MoveToEx/LineTo pairs, in order.
std::vector<Segment> Lines(const std::vector<Record>& records) {
  std::vector<Segment> out;
  for (std::size_t i = 0; i + 1 < records.size(); ++i) {
    if (records[i].type == 27 && records[i + 1].type == 54) {
      out.push_back({records[i].I(8), records[i].I(12), records[i + 1].I(8), records[i + 1].I(12)});
    }
  }
  return out;
}

struct Text {
  int32_t x, y;
  std::string text;
};

std::vector<Text> Texts(const std::vector<Record>& records) {
  std::vector<Text> out;
  for (const Record& r : records) {
    if (r.type == 84) out.push_back({r.I(36), r.I(40), emftest::TextOf(r)});
  }
  return out;
}

TEST(DrawProtractor, WorkedExamplePutsLinesGridsAndLabelsWhereTheSheetNeedsThem) {
  const pw::NullRadii n = pw::ComputeNullRadii({60.325, 146.05});
  const std::vector<Record> records = Draw(60.325, 146.05, n.inner, n.outer);
  const std::vector<Segment> lines = Lines(records);
  ASSERT_EQ(lines.size(), 28u);
  // Centre line, spindle mark, outer and inner null line.
  EXPECT_EQ(lines[0].x1, 50);
  EXPECT_EQ(lines[0].x2, 1700);
  EXPECT_EQ(lines[1].y1, -300);
  EXPECT_EQ(lines[1].y2, -500);
  EXPECT_EQ(lines[2].x1, 1409);
  EXPECT_EQ(lines[3].x1, 860);
  const std::vector<int32_t> outer = {1359, 1459, 1339, 1479, 1319, 1499,
                                      1299, 1519, 1279, 1539, 1259, 1559};
  const std::vector<int32_t> inner = {810, 910, 790, 930, 770, 950, 750, 970, 730, 990, 710, 1010};
  for (std::size_t i = 0; i < 12; ++i) {
    EXPECT_EQ(lines[4 + i].x1, outer[i]) << "outer grid line " << i;
    EXPECT_EQ(lines[16 + i].x1, inner[i]) << "inner grid line " << i;
  }
  for (std::size_t i = 2; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].x1, lines[i].x2);
    EXPECT_EQ(lines[i].y1, -100);
    EXPECT_EQ(lines[i].y2, -700);
  }
  const std::vector<Text> texts = Texts(records);
  ASSERT_EQ(texts.size(), 7u);
  EXPECT_EQ(texts[1].text, "  min groove radius  60.3mm");
  EXPECT_EQ(texts[2].text, "  max groove radius 146.1mm");
  EXPECT_EQ(texts[4].text, std::string(pw::kWebAddress));
  EXPECT_EQ(texts[4].y, -730);
  EXPECT_EQ(texts[5].text, "120.9mm");
  EXPECT_EQ(texts[5].x, 1362);
  EXPECT_EQ(texts[5].y, -720);
  EXPECT_EQ(texts[6].text, "66.0mm");
  EXPECT_EQ(texts[6].x, 820);
  EXPECT_EQ(texts[6].y, -720);
}

TEST(DrawProtractor, NullLinePositionRoundsHalvesToEvenAndMapsNonNumbersToIndefinite) {
  struct Case {
    double radius;
    int32_t x;
  } cases[] = {
      {120.25, 1402},  // 1402.5 -> even below
      {120.75, 1408},  // 1407.5 -> even above
      {65.998045975509584, 860},
      {-5, 150},
      {141, 1610},
      {kNaN, INT32_MIN},
      {std::numeric_limits<double>::infinity(), INT32_MIN},
      {-std::numeric_limits<double>::infinity(), INT32_MIN},
      {1e300, INT32_MIN},
      {214748344.7, 2147483647},   // just fits
      {214748344.75, INT32_MIN},   // 2147483647.5 rounds to the even 2^31
  };
  for (const Case& c : cases) {
    EXPECT_EQ(pw::NullLineX(c.radius), c.x) << c.radius;
  }
}

TEST(DrawProtractor, LabelsAndLegendKeepTheirFixedLengths) {
  struct Case {
    double ri, ro, ni, no;
    const char* inner_legend;
    const char* outer_legend;
    const char* inner_label;
    const char* outer_label;
  } cases[] = {
      // Below 10 and 100 the masks keep two and three digits.
      {5, 95, 5.8, 26.1, "  min groove radius  05.0mm", "  max groove radius 095.0mm", "05.8mm",
       "026.1mm"},
      // Three-digit inner and four-digit outer labels are cut to 6 and 7.
      {60, 146, 100, 1000, "  min groove radius  60.0mm", "  max groove radius 146.0mm", "100.0m",
       "1000.0m"},
      // Negative labels are cut too.
      {60, 146, -5, -5, "  min groove radius  60.0mm", "  max groove radius 146.0mm", "-05.0m",
       "-005.0m"},
      // Not-a-number radii: the masks give zeros, which fit the counts.
      {kNaN, kNaN, kNaN, kNaN, "  min groove radius  00.0mm", "  max groove radius 000.0mm", "00.0mm",
       "000.0mm"},
  };
  for (const Case& c : cases) {
    const std::vector<Text> texts = Texts(Draw(c.ri, c.ro, c.ni, c.no));
    ASSERT_EQ(texts.size(), 7u);
    EXPECT_EQ(texts[1].text, c.inner_legend);
    EXPECT_EQ(texts[2].text, c.outer_legend);
    EXPECT_EQ(texts[5].text, c.outer_label);
    EXPECT_EQ(texts[6].text, c.inner_label);
  }
}

TEST(DrawProtractor, HugeRecordedRadiiCutTheLegendAt39Characters) {
  const std::vector<Text> texts = Texts(Draw(1e30, 1e30, 60, 120));
  ASSERT_EQ(texts.size(), 7u);
  EXPECT_EQ(texts[1].text.size(), 39u);
  EXPECT_EQ(texts[1].text.substr(0, 23), "  min groove radius  10");
  EXPECT_EQ(texts[2].text.size(), 39u);
}

TEST(DrawProtractor, GridLineBeyondTheSheetIsStillDrawn) {
  const std::vector<Segment> lines = Lines(Draw(60, 146, 66, 141));
  ASSERT_EQ(lines.size(), 28u);
  EXPECT_EQ(lines[2].x1, 1610);
  EXPECT_EQ(lines[15].x1, 1760);  // the last right-hand outer grid line
}

TEST(DrawProtractor, NotANumberRadiiStillWriteTheFileWithWrappedCoordinates) {
  const std::vector<Record> records = Draw(0, 0, kNaN, kNaN);
  const std::vector<Segment> lines = Lines(records);
  ASSERT_EQ(lines.size(), 28u);
  EXPECT_EQ(lines[2].x1, INT32_MIN);
  EXPECT_EQ(lines[3].x1, INT32_MIN);
  // INT32_MIN - 50 wraps round to the top of the range; INT32_MIN + 50 does not.
  const std::vector<int32_t> grid = {2147483598,  -2147483598, 2147483578,  -2147483578,
                                     2147483558,  -2147483558, 2147483538,  -2147483538,
                                     2147483518,  -2147483518, 2147483498,  -2147483498};
  for (std::size_t i = 0; i < 12; ++i) {
    EXPECT_EQ(lines[4 + i].x1, grid[i]) << "outer grid line " << i;
    EXPECT_EQ(lines[16 + i].x1, grid[i]) << "inner grid line " << i;
  }
  const std::vector<Text> texts = Texts(records);
  EXPECT_EQ(texts[5].x, pw::WrapSub(INT32_MIN, 47));
  EXPECT_EQ(texts[6].x, pw::WrapSub(INT32_MIN, 40));
}

TEST(DrawProtractor, DrawingRecordsMatchTheReferenceRecordings) {
  const char* names[] = {"60.325_146.05", "57.5_146.05", "5_95"};
  const double radii[][2] = {{60.325, 146.05}, {57.5, 146.05}, {5, 95}};
  for (int i = 0; i < 3; ++i) {
    std::string problems;
    const std::vector<Record> ref = emftest::WalkRecords(
        pwtest::ReadFileBytes(pwtest::ReferencePath(std::string("emf/") + names[i] + ".emf")),
        &problems);
    ASSERT_EQ(problems, "") << names[i];
    const pw::NullRadii n = pw::ComputeNullRadii({radii[i][0], radii[i][1]});
    const std::vector<Record> ours = Draw(radii[i][0], radii[i][1], n.inner, n.outer);
    ASSERT_EQ(ours.size(), ref.size()) << names[i];
    for (std::size_t k = 0; k < ref.size(); ++k) {
      ASSERT_EQ(ours[k].type, ref[k].type) << names[i] << " record " << k;
      const bool caption = ref[k].type == 84 && ref[k].I(36) == 50 && ref[k].I(40) == -730;
      if (caption) {
        EXPECT_EQ(emftest::TextOf(ours[k]), std::string(pw::kWebAddress));
        continue;
      }
      EXPECT_EQ(emftest::DrawingFields(ours[k]), emftest::DrawingFields(ref[k]))
          << names[i] << " record " << k;
    }
    // The reference device is the recorded one, so the device fields agree
    // too: header bounds and device sizes, text scales and advances.
    EXPECT_EQ(ours[0].bytes.substr(8, 16), ref[0].bytes.substr(8, 16)) << "header bounds";
    EXPECT_EQ(ours[0].bytes.substr(72, 36), ref[0].bytes.substr(72, 36)) << "device sizes";
    EXPECT_EQ(ours[72].bytes, ref[72].bytes) << "first legend line, whole record";
  }
}

TEST(DrawProtractor, FailedWriteReportsTheErrorAndLeavesNoTemporaryFile) {
  pwtest::TempDir dir;
  pwtest::ScopedChdir here(dir.path);
  std::filesystem::create_directory(dir.path + "/protractor.emf");
  const pw::DrawOutcome outcome = pw::DrawProtractor(60.325, 146.05, 66, 120.9);
  EXPECT_FALSE(outcome.saved);
  EXPECT_EQ(outcome.error, EISDIR);
  EXPECT_TRUE(std::filesystem::is_directory(dir.path + "/protractor.emf"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(DrawProtractor, ExistingFileIsReplacedWhole) {
  pwtest::TempDir dir;
  pwtest::ScopedChdir here(dir.path);
  pwtest::WriteFileBytes(dir.path + "/protractor.emf", std::string(10000, 'x'));
  ASSERT_TRUE(pw::DrawProtractor(60.325, 146.05, 66, 120.9).saved);
  std::string problems;
  emftest::WalkRecords(pwtest::ReadFileBytes(dir.path + "/protractor.emf"), &problems);
  EXPECT_EQ(problems, "");
  struct stat st {};
  ASSERT_EQ(stat((dir.path + "/protractor.emf").c_str(), &st), 0);
  const mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask) << "an ordinary file's mode, not a temporary's";
}

}  // namespace
