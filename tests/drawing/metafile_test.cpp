#include "drawing/metafile.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstddef>
#include <initializer_list>
#include <string>
#include <vector>

#include "drawing/emf_walk.h"

namespace {

using emftest::Record;

// Finishes a recording and gives its records (structure checked).
std::vector<Record> Finish(pw::Metafile& m) {
  const std::vector<uint8_t> bytes = pw::FinishMetafile(m);
  std::string problems;
  std::vector<Record> records = emftest::WalkRecords(std::string(bytes.begin(), bytes.end()), &problems);
  EXPECT_EQ(problems, "");
  return records;
}

std::vector<uint32_t> Types(const std::vector<Record>& records) {
  std::vector<uint32_t> out;
  for (const Record& r : records) out.push_back(r.type);
  return out;
}

struct Box {
  int32_t l, t, r, b;
  friend bool operator==(const Box&, const Box&) = default;
};
Box BoxAt(const Record& r, std::size_t at) { return {r.I(at), r.I(at + 4), r.I(at + 8), r.I(at + 12)}; }

const pw::MetafileObject kPen{7, pw::MetafileObject::Kind::Pen, 0x030201, 2};
const pw::MetafileObject kBrush{8, pw::MetafileObject::Kind::Brush, 0xFFFFFF};
const pw::MetafileObject kFont{9, pw::MetafileObject::Kind::Font, 0, 0, 25, 12, 6, 0};

TEST(Metafile, ObjectsAreRecordedAtFirstSelectionWithIndicesInOrderOfUse) {
  pw::Metafile m = pw::BeginMetafile(0, 0, 17500, 8000);
  pw::RecordSelect(m, kBrush);  // used first: index 1
  pw::RecordSelect(m, kPen);
  pw::RecordSelect(m, kBrush);  // again: the index only
  pw::RecordSelectStock(m, pw::StockObject::BlackPen);
  const std::vector<Record> r = Finish(m);
  EXPECT_EQ(Types(r), (std::vector<uint32_t>{1, 39, 37, 38, 37, 37, 37, 14}));
  EXPECT_EQ(r[1].U(8), 1u);           // brush index
  EXPECT_EQ(r[1].U(16), 0xFFFFFFu);   // its colour
  EXPECT_EQ(r[3].U(8), 2u);           // pen index
  EXPECT_EQ(r[3].I(16), 2);           // width
  EXPECT_EQ(r[3].U(24), 0x030201u);   // colour
  EXPECT_EQ(r[5].U(8), 1u);
  EXPECT_EQ(r[6].U(8), 0x80000007u);  // stock pen by its stock number
  EXPECT_EQ(r[0].bytes[56], 3) << "nHandles: two indices plus one";
}

TEST(Metafile, BoxesAreNormalisedAndInclusive) {
  struct Case {
    pw::MetafileBox given;
    Box recorded;
  } cases[] = {
      {{0, 0, 1750, -800}, {0, -800, 1749, -1}},
      {{165, -366, 237, -436}, {165, -436, 236, -367}},
      {{30, 40, 10, 20}, {10, 20, 29, 39}},
      {{INT32_MIN, 0, INT32_MIN, 0}, {INT32_MIN, 0, INT32_MAX, -1}},  // wraps, no overflow trap
  };
  for (const Case& c : cases) {
    pw::Metafile m = pw::BeginMetafile(0, 0, 1, 1);
    pw::RecordRectangle(m, c.given);
    pw::RecordArc(m, c.given, {1, 2}, {3, 4});
    const std::vector<Record> r = Finish(m);
    ASSERT_EQ(Types(r), (std::vector<uint32_t>{1, 43, 45, 14}));
    EXPECT_EQ(BoxAt(r[1], 8), c.recorded);
    EXPECT_EQ(BoxAt(r[2], 8), c.recorded);
    EXPECT_EQ(BoxAt(r[2], 24), (Box{1, 2, 3, 4})) << "start and end points as given";
  }
}

TEST(Metafile, FillRectIsSelectPatternBlitSelect) {
  for (const bool brush_current : {false, true}) {
    pw::Metafile m = pw::BeginMetafile(0, 0, 17500, 8000);
    if (brush_current) pw::RecordSelect(m, kBrush);
    pw::RecordFillRect(m, {0, 0, 17500, 8000}, kBrush);
    const std::vector<Record> r = Finish(m);
    const std::size_t blt = brush_current ? 4 : 3;  // after the brush's create and select records
    ASSERT_EQ(r[blt].type, 76u);
    EXPECT_EQ(r[blt - 1].type, 37u);
    EXPECT_EQ(r[blt].size, 100u);
    EXPECT_EQ(BoxAt(r[blt], 8), (Box{0, 0, 17499, 7999}));
    EXPECT_EQ(BoxAt(r[blt], 24), (Box{0, 0, 17500, 8000}));
    EXPECT_EQ(r[blt].U(40), 0x00F00021u);
    EXPECT_EQ(emftest::F32(r[blt].bytes, 52), 1.0f);
    EXPECT_EQ(r[blt + 1].type, 37u);
    // The brush current before is selected again: the same brush, or the stock one.
    EXPECT_EQ(r[blt + 1].U(8), brush_current ? 1u : 0x80000000u);
  }
}

TEST(Metafile, TextIsWideTextWithOneAdvancePerCharacter) {
  pw::Metafile m = pw::BeginMetafile(0, 0, 17500, 8000);
  pw::RecordSetMapMode(m, pw::kMapModeLoMetric);
  pw::RecordSelect(m, kFont);
  pw::RecordText(m, {1362, -720}, "123.4mm");
  const std::vector<Record> r = Finish(m);
  ASSERT_EQ(Types(r), (std::vector<uint32_t>{1, 17, 82, 37, 84, 14}));
  const Record& font = r[2];
  EXPECT_EQ(font.size, 332u);
  EXPECT_EQ(font.I(12), 25);
  EXPECT_EQ(font.I(16), 12);
  EXPECT_EQ(font.I(28), 6);
  EXPECT_EQ(font.bytes.substr(32, 8), std::string("\0\0\0\0\4\0\2\0", 8));
  EXPECT_EQ(font.bytes.substr(40, 6), std::string("C\0o\0u\0", 6));
  const Record& t = r[4];
  EXPECT_EQ(t.size, 76u + 16u + 28u) << "7 characters pad to 16 bytes, then 7 advances";
  EXPECT_EQ(t.U(24), 1u);
  EXPECT_EQ(emftest::F32(t.bytes, 28), 10.0f);
  EXPECT_EQ(t.U(32), 0xC11FFFFFu) << "the y scale of the reference display, just short of -10";
  EXPECT_EQ(t.I(36), 1362);
  EXPECT_EQ(t.I(40), -720);
  EXPECT_EQ(t.U(44), 7u);
  EXPECT_EQ(t.U(48), 76u);
  EXPECT_EQ(BoxAt(t, 56), (Box{0, 0, -1, -1}));
  EXPECT_EQ(t.U(72), 92u);
  EXPECT_EQ(emftest::TextOf(t), "123.4mm");
  // 1.2 mm is 4 whole reference pixels, which are 1.1 mm back in page units.
  for (int i = 0; i < 7; ++i) EXPECT_EQ(t.I(92 + 4 * i), 11);
  EXPECT_EQ(BoxAt(t, 8), (Box{1362, -720, 1440, -695}));
}

TEST(Metafile, HeaderBoundsAreTheDrawingInReferencePixels) {
  pw::Metafile empty = pw::BeginMetafile(0, 0, 17500, 8000);
  std::vector<Record> r = Finish(empty);
  EXPECT_EQ(BoxAt(r[0], 8), (Box{0, 0, -1, -1})) << "nothing drawn";
  EXPECT_EQ(BoxAt(r[0], 24), (Box{0, 0, 17500, 8000}));
  EXPECT_EQ(r[0].I(72), 1024);
  EXPECT_EQ(r[0].I(76), 768);
  EXPECT_EQ(r[0].I(80), 271);
  EXPECT_EQ(r[0].I(84), 203);
  EXPECT_EQ(r[0].I(100), 271000);

  pw::Metafile m = pw::BeginMetafile(0, 0, 17500, 8000);
  pw::RecordLine(m, {-2710, 2030}, {1355, -1015});  // 271 mm left and 203 mm up, to half that
  pw::RecordLine(m, {0, 0}, {1, -1});  // 0.378 and 0.378 pixels: rounds to 0
  r = Finish(m);
  EXPECT_EQ(BoxAt(r[0], 8), (Box{-1024, -768, 512, 384}));
}

}  // namespace
