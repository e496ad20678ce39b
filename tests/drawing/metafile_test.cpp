#include "drawing/metafile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "drawing/emf_walk.h"
#include "support/test_support.h"

namespace {

using emftest::Record;

std::string Bytes(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

// Closes an in-memory metafile and gives its records (structure checked).
std::vector<Record> Finish(pw::EmfRecorder& g, pw::HDC dc) {
  const pw::HENHMETAFILE mf = pw::CloseEnhMetaFile(g, dc);
  EXPECT_NE(mf.value, 0);
  const std::vector<uint8_t>* bytes = pw::EnhMetaFileBytes(g, mf);
  if (bytes == nullptr) return {};
  std::string problems;
  std::vector<Record> records = emftest::WalkRecords(Bytes(*bytes), &problems);
  EXPECT_EQ(problems, "");
  return records;
}

std::vector<uint32_t> Types(const std::vector<Record>& records) {
  std::vector<uint32_t> out;
  for (const Record& r : records) out.push_back(r.type);
  return out;
}

pw::HDC MemoryMetafile(pw::EmfRecorder& g) {
  const pw::RECT frame{0, 0, 17500, 8000};
  return pw::CreateEnhMetaFileA(g, pw::HDC{}, nullptr, &frame, nullptr);
}

TEST(EmfRecorder, ObjectsAreRecordedAtFirstSelectionWithIndicesInOrderOfUse) {
  pw::EmfRecorder g;
  const pw::HPEN pen = pw::CreatePen(g, pw::PS_SOLID, 2, pw::RgbColour(1, 2, 3));
  const pw::HBRUSH brush = pw::CreateSolidBrush(g, pw::RgbColour(255, 255, 255));
  const pw::HDC dc = MemoryMetafile(g);
  // The brush is used first, so it gets index 1.
  EXPECT_EQ(pw::SelectObject(g, dc, brush), pw::GetStockObject(pw::WHITE_BRUSH));
  EXPECT_EQ(pw::SelectObject(g, dc, pen), pw::GetStockObject(pw::BLACK_PEN));
  EXPECT_EQ(pw::SelectObject(g, dc, brush), brush);  // already current
  EXPECT_EQ(pw::SelectObject(g, dc, pw::GetStockObject(pw::BLACK_PEN)), pen);
  const std::vector<Record> r = Finish(g, dc);
  EXPECT_EQ(Types(r), (std::vector<uint32_t>{1, 39, 37, 38, 37, 37, 37, 14}));
  EXPECT_EQ(r[1].U(8), 1u);           // brush index
  EXPECT_EQ(r[1].U(16), 0xFFFFFFu);   // its colour
  EXPECT_EQ(r[3].U(8), 2u);           // pen index
  EXPECT_EQ(r[3].I(16), 2);           // width
  EXPECT_EQ(r[3].U(24), 0x030201u);   // colour
  EXPECT_EQ(r[5].U(8), 1u);           // reselection names the index only
  EXPECT_EQ(r[6].U(8), 0x80000007u);  // stock pen by its stock handle
  EXPECT_EQ(r[0].bytes[56], 3) << "nHandles: two indices plus one";
}

TEST(EmfRecorder, BoxesAreNormalisedAndInclusive) {
  struct Case {
    int l, t, r, b;
    pw::RECT box;
  } cases[] = {
      {0, 0, 1750, -800, {0, -800, 1749, -1}},
      {165, -366, 237, -436, {165, -436, 236, -367}},
      {10, 20, 30, 40, {10, 20, 29, 39}},
      {30, 40, 10, 20, {10, 20, 29, 39}},
      {INT32_MIN, 0, INT32_MIN, 0, {INT32_MIN, 0, INT32_MAX, -1}},  // wraps, no overflow trap
  };
  for (const Case& c : cases) {
    pw::EmfRecorder g;
    const pw::HDC dc = MemoryMetafile(g);
    pw::Rectangle(g, dc, c.l, c.t, c.r, c.b);
    pw::Arc(g, dc, c.l, c.t, c.r, c.b, 1, 2, 3, 4);
    const std::vector<Record> r = Finish(g, dc);
    ASSERT_EQ(Types(r), (std::vector<uint32_t>{1, 43, 45, 14}));
    for (int k : {1, 2}) {
      EXPECT_EQ((pw::RECT{r[k].I(8), r[k].I(12), r[k].I(16), r[k].I(20)}), c.box)
          << c.l << "," << c.t << "," << c.r << "," << c.b;
    }
    EXPECT_EQ(r[2].I(24), 1);
    EXPECT_EQ(r[2].I(36), 4);
  }
}

TEST(EmfRecorder, FillRectIsSelectPatternBlitSelect) {
  pw::EmfRecorder g;
  const pw::HBRUSH brush = pw::CreateSolidBrush(g, 0);
  const pw::HDC dc = MemoryMetafile(g);
  pw::SetMapMode(g, dc, pw::MM_LOMETRIC);
  const pw::RECT rect{0, 0, 17500, 8000};
  EXPECT_EQ(pw::FillRect(g, dc, &rect, brush), 1);
  const std::vector<Record> r = Finish(g, dc);
  ASSERT_EQ(Types(r), (std::vector<uint32_t>{1, 17, 39, 37, 76, 37, 14}));
  const Record& blt = r[4];
  EXPECT_EQ(blt.size, 100u);
  EXPECT_EQ((pw::RECT{blt.I(8), blt.I(12), blt.I(16), blt.I(20)}), (pw::RECT{0, 0, 17499, 7999}));
  EXPECT_EQ((pw::RECT{blt.I(24), blt.I(28), blt.I(32), blt.I(36)}), (pw::RECT{0, 0, 17500, 8000}));
  EXPECT_EQ(blt.U(40), 0x00F00021u);
  EXPECT_EQ(emftest::F32(blt.bytes, 52), 1.0f);
  EXPECT_EQ(emftest::F32(blt.bytes, 64), 1.0f);
  EXPECT_EQ(r[5].U(8), 0x80000000u) << "the brush current before is selected again";
}

TEST(EmfRecorder, TextBecomesWideTextWithOneAdvancePerCharacter) {
  pw::EmfRecorder g;
  const pw::HFONT font = pw::CreateFontA(g, 25, 12, 0, 0, 6, 0, 0, 0, pw::ANSI_CHARSET,
                                         pw::OUT_TT_PRECIS, pw::CLIP_DEFAULT_PRECIS,
                                         pw::PROOF_QUALITY, 0, "Courier New");
  const pw::HDC dc = MemoryMetafile(g);
  pw::SetMapMode(g, dc, pw::MM_LOMETRIC);
  pw::SelectObject(g, dc, font);
  const char text[] = "1\x80" "3.4mmXYZ";  // only the first 7 bytes are drawn
  pw::TextOutA(g, dc, 1362, -720, text, 7);
  const std::vector<Record> r = Finish(g, dc);
  ASSERT_EQ(Types(r), (std::vector<uint32_t>{1, 17, 82, 37, 84, 14}));
  const Record& font_rec = r[2];
  EXPECT_EQ(font_rec.size, 332u);
  EXPECT_EQ(font_rec.I(12), 25);
  EXPECT_EQ(font_rec.I(16), 12);
  EXPECT_EQ(font_rec.I(28), 6);
  EXPECT_EQ(font_rec.bytes.substr(32, 8), std::string("\0\0\0\0\4\0\2\0", 8));
  EXPECT_EQ(font_rec.bytes.substr(40, 6), std::string("C\0o\0u\0", 6));
  const Record& t = r[4];
  EXPECT_EQ(t.size, 76u + 16u + 28u) << "7 characters pad to 16 bytes, then 7 advances";
  EXPECT_EQ(t.U(24), 1u);
  EXPECT_EQ(emftest::F32(t.bytes, 28), 10.0f);
  EXPECT_EQ(t.U(32), 0xC11FFFFFu) << "the y scale of the reference device, just short of -10";
  EXPECT_EQ(t.I(36), 1362);
  EXPECT_EQ(t.I(40), -720);
  EXPECT_EQ(t.U(44), 7u);
  EXPECT_EQ(t.U(48), 76u);
  EXPECT_EQ((pw::RECT{t.I(56), t.I(60), t.I(64), t.I(68)}), (pw::RECT{0, 0, -1, -1}));
  EXPECT_EQ(t.U(72), 92u);
  EXPECT_EQ(static_cast<unsigned char>(t.bytes[78]), 0xACu) << "0x80 is the euro sign";
  EXPECT_EQ(static_cast<unsigned char>(t.bytes[79]), 0x20u);
  EXPECT_EQ(emftest::TextOf(t).substr(2), "3.4mm");
  for (int i = 0; i < 7; ++i) EXPECT_EQ(t.I(92 + 4 * i), 11);
  EXPECT_EQ((pw::RECT{t.I(8), t.I(12), t.I(16), t.I(20)}), (pw::RECT{1362, -720, 1440, -695}));
}

TEST(EmfRecorder, HeaderBoundsAreTheDrawingInReferenceDevicePixels) {
  pw::EmfRecorder g;
  pw::HDC dc = MemoryMetafile(g);
  std::vector<Record> r = Finish(g, dc);
  EXPECT_EQ((pw::RECT{r[0].I(8), r[0].I(12), r[0].I(16), r[0].I(20)}), (pw::RECT{0, 0, -1, -1}))
      << "nothing drawn";
  EXPECT_EQ((pw::RECT{r[0].I(24), r[0].I(28), r[0].I(32), r[0].I(36)}),
            (pw::RECT{0, 0, 17500, 8000}));
  EXPECT_EQ(r[0].I(72), 1024);
  EXPECT_EQ(r[0].I(76), 768);
  EXPECT_EQ(r[0].I(80), 271);
  EXPECT_EQ(r[0].I(84), 203);
  EXPECT_EQ(r[0].I(100), 271000);

  dc = MemoryMetafile(g);
  pw::SetMapMode(g, dc, pw::MM_LOMETRIC);
  pw::MoveToEx(g, dc, -2710, 2030, nullptr);  // 271 mm left, 203 mm up
  pw::LineTo(g, dc, 1355, -1015);
  r = Finish(g, dc);
  EXPECT_EQ((pw::RECT{r[0].I(8), r[0].I(12), r[0].I(16), r[0].I(20)}),
            (pw::RECT{-1024, -768, 512, 384}));
}

TEST(EmfRecorder, NothingIsRecordedOnAClosedOrNullContext) {
  pw::EmfRecorder g;
  const pw::HPEN pen = pw::CreatePen(g, 0, 1, 0);
  const pw::HDC dc = MemoryMetafile(g);
  pw::MoveToEx(g, dc, 1, 1, nullptr);
  const pw::HENHMETAFILE mf = pw::CloseEnhMetaFile(g, dc);
  const std::string before = Bytes(*pw::EnhMetaFileBytes(g, mf));
  for (pw::HDC target : {dc, pw::HDC{}, pw::HDC{99}}) {
    EXPECT_FALSE(pw::LineTo(g, target, 5, 5));
    EXPECT_FALSE(pw::Rectangle(g, target, 0, 0, 1, 1));
    EXPECT_FALSE(pw::TextOutA(g, target, 0, 0, "x", 1));
    EXPECT_EQ(pw::SelectObject(g, target, pen).value, 0u);
    EXPECT_EQ(pw::SetMapMode(g, target, pw::MM_LOMETRIC), 0);
    EXPECT_EQ(pw::CloseEnhMetaFile(g, target).value, 0);
  }
  EXPECT_EQ(Bytes(*pw::EnhMetaFileBytes(g, mf)), before);
  EXPECT_TRUE(pw::DeleteEnhMetaFile(g, mf));
  EXPECT_EQ(pw::EnhMetaFileBytes(g, mf), nullptr);
  EXPECT_FALSE(pw::DeleteEnhMetaFile(g, mf));
  EXPECT_TRUE(pw::DeleteObject(g, pen));
  EXPECT_FALSE(pw::DeleteObject(g, pen)) << "a deleted handle is no longer valid";
}

TEST(EmfRecorder, DeletingAnObjectInUseFreesItsIndexForTheNextObject) {
  pw::EmfRecorder g;
  const pw::HPEN a = pw::CreatePen(g, 0, 1, 0);
  const pw::HPEN b = pw::CreatePen(g, 0, 2, 0);
  const pw::HDC dc = MemoryMetafile(g);
  const pw::HGDIOBJ stock = pw::SelectObject(g, dc, a);
  pw::SelectObject(g, dc, stock);
  pw::DeleteObject(g, a);
  pw::SelectObject(g, dc, b);
  const std::vector<Record> r = Finish(g, dc);
  ASSERT_EQ(Types(r), (std::vector<uint32_t>{1, 38, 37, 37, 40, 38, 37, 14}));
  EXPECT_EQ(r[4].U(8), 1u);
  EXPECT_EQ(r[5].U(8), 1u) << "the freed index is handed out again";
  EXPECT_EQ(r[0].bytes[56], 2);
}

TEST(EmfRecorder, DiscMetafileIsWrittenAtClosingOnlyAndFailuresAreReported) {
  pwtest::TempDir dir;
  const std::string target = dir.path + "/drawing.emf";
  pw::EmfRecorder g;
  pw::HDC dc = pw::CreateEnhMetaFileA(g, pw::HDC{}, target.c_str(), nullptr, nullptr);
  pw::Rectangle(g, dc, 0, 0, 10, 10);
  EXPECT_FALSE(pwtest::FileExists(target)) << "nothing reaches the disc before closing";
  pw::HENHMETAFILE mf = pw::CloseEnhMetaFile(g, dc);
  ASSERT_NE(mf.value, 0);
  EXPECT_EQ(g.last_error, 0);
  EXPECT_EQ(pwtest::ReadFileBytes(target), Bytes(*pw::EnhMetaFileBytes(g, mf)));

  const std::string missing = dir.path + "/no/such/dir.emf";
  dc = pw::CreateEnhMetaFileA(g, pw::HDC{}, missing.c_str(), nullptr, nullptr);
  EXPECT_EQ(pw::CloseEnhMetaFile(g, dc).value, 0);
  EXPECT_EQ(g.last_error, ENOENT);
}

TEST(WriteFileWhole, ReplacesOrLeavesTheTargetAndNeverLeavesATemporaryFile) {
  pwtest::TempDir dir;
  const std::string target = dir.path + "/out.bin";
  const std::vector<uint8_t> bytes = {1, 2, 3, 4, 5};
  pwtest::WriteFileBytes(target, "old contents");
  EXPECT_EQ(pw::WriteFileWhole(target, bytes), 0);
  EXPECT_EQ(pwtest::ReadFileBytes(target), std::string("\1\2\3\4\5"));

  const std::string as_dir = dir.path + "/sub";
  std::filesystem::create_directory(as_dir);
  pwtest::WriteFileBytes(as_dir + "/keep", "x");
  EXPECT_EQ(pw::WriteFileWhole(as_dir, bytes), EISDIR);
  EXPECT_EQ(pwtest::ReadFileBytes(as_dir + "/keep"), "x");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path),
                          std::filesystem::directory_iterator()),
            2)
      << "only out.bin and sub";
}

}  // namespace
