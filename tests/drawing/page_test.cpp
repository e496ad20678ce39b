// The page writers and the protractor layout, without rastering: the Bezier
// arcs' distance from the true circle, the PDF's cross-reference table and
// strings, the SVG's ids and escapes, and which papers a drawing fits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "drawing/page.h"
#include "drawing/pdf_writer.h"
#include "drawing/protractor_page.h"
#include "drawing/svg_writer.h"
#include "support/test_support.h"

namespace {

pw::ProtractorSheet Sheet(double r1, double r2, double d) {
  const double h = 1 / std::sqrt(2.0);
  const double n1 = 2 * r1 * r2 / (r2 * (1 + h) + r1 * (1 - h));
  const double n2 = 2 * r1 * r2 / (r1 * (1 + h) + r2 * (1 - h));
  const double l = std::sqrt(d * d + n1 * n2);
  return {"L\xC3\xB6" "fgren (B)", r1, r2, d, l, l - d, std::asin((n1 + n2) / (2 * l)) * 180 / std::numbers::pi, n1, n2};
}

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(ArcCubics, StayWithinAHundredthOfAMillimetreOfTheCircle) {
  struct Case {
    double r, start, sweep;
  };
  const Case cases[] = {{3.62, 0, 360}, {60.325, 10, 40}, {239.3, 95.5, -23.7}, {420, -170, 350},
                        {1000, 0, 90}, {0.5, 45, 1e-3}};
  for (const Case& c : cases) {
    const pw::PagePoint centre{50, 70};
    const std::vector<pw::Cubic> cubics = pw::ArcCubics(centre, c.r, c.r, c.start, c.sweep);
    ASSERT_GE(cubics.size() * 30.0, std::abs(c.sweep) - 1e-9);
    double worst = 0;
    for (const pw::Cubic& q : cubics) {
      for (int i = 0; i <= 200; ++i) {
        const double t = i / 200.0, u = 1 - t;
        const double x = u * u * u * q.p0.x + 3 * u * u * t * q.p1.x + 3 * u * t * t * q.p2.x + t * t * t * q.p3.x;
        const double y = u * u * u * q.p0.y + 3 * u * u * t * q.p1.y + 3 * u * t * t * q.p2.y + t * t * t * q.p3.y;
        worst = std::max(worst, std::abs(std::hypot(x - centre.x, y - centre.y) - c.r));
      }
    }
    EXPECT_LT(worst, 0.01) << "radius " << c.r;
    EXPECT_LT(worst, 1e-6 * c.r + 1e-9) << "radius " << c.r;
    // The ends are the arc's ends, and the pieces join.
    const double end = (c.start + c.sweep) * std::numbers::pi / 180;
    EXPECT_NEAR(cubics.back().p3.x, centre.x + c.r * std::cos(end), 1e-9);
    EXPECT_NEAR(cubics.back().p3.y, centre.y + c.r * std::sin(end), 1e-9);
    for (std::size_t i = 1; i < cubics.size(); ++i) {
      EXPECT_EQ(cubics[i].p0.x, cubics[i - 1].p3.x);
      EXPECT_EQ(cubics[i].p0.y, cubics[i - 1].p3.y);
    }
  }
}

TEST(PdfStringText, EscapesDelimitersAndMapsToWinAnsi) {
  const struct {
    const char* utf8;
    const char* pdf;
  } cases[] = {
      {"L\xC3\xB6" "fgren B", "L\\366fgren B"},      // ö
      {"(a) \\ b", "\\(a\\) \\\\ b"},                  // delimiters
      {"22.98\xC2\xB0", "22.98\\260"},                 // degree sign
      {"\xE2\x82\xAC \xE2\x80\x93", "\\200 \\226"},    // euro, en dash: WinAnsi's own codes
      {"\xCE\xB2", "?"},                               // beta: not in WinAnsi
      {"a\xFF" "b\xC3", "a?b?"},                       // malformed UTF-8
  };
  for (const auto& c : cases) EXPECT_EQ(pw::PdfStringText(c.utf8), c.pdf) << c.utf8;
}

TEST(SvgEscaped, EscapesMarkupKeepsUtf8AndDropsControls) {
  EXPECT_EQ(pw::SvgEscaped("a<b>&\"c\""), "a&lt;b&gt;&amp;&quot;c&quot;");
  EXPECT_EQ(pw::SvgEscaped("L\xC3\xB6" "fgren\x01\x7F"), "L\xC3\xB6" "fgren");
  EXPECT_EQ(pw::SvgEscaped("x\xC3"), "x?");
}

TEST(FixedText, FixedDecimalsWithoutTheLocale) {
  EXPECT_EQ(pw::FixedText(841.8897637795276, 4, true), "841.8898");
  EXPECT_EQ(pw::FixedText(12.5, 4, true), "12.5");
  EXPECT_EQ(pw::FixedText(100, 4, true), "100");
  EXPECT_EQ(pw::FixedText(-0.00001, 4, true), "0");
  EXPECT_EQ(pw::FixedText(66.0, 2, false), "66.00");
  EXPECT_EQ(pw::FixedText(-3.25, 1, false), "-3.2");  // the double's own value, to even
}

// Every object's offset in the cross-reference table points at it,
// startxref at the table, and the stream's length is its byte count.
TEST(PdfDocument, CrossReferenceOffsetsAndStreamLengthAreExact) {
  for (const pw::ProtractorKind kind : {pw::ProtractorKind::Arc, pw::ProtractorKind::TwoPoint}) {
    const pw::ProtractorLayout l = pw::LayOutProtractor(Sheet(60.325, 146.05, 222), kind, pw::Paper::A4, 1, 1);
    ASSERT_TRUE(l.fits);
    const std::string pdf = pw::PdfDocument(l.page);
    ASSERT_EQ(pdf.rfind("%%EOF\n"), pdf.size() - 6);
    const std::size_t sx = pdf.rfind("startxref\n");
    const std::size_t xref = std::stoul(pdf.substr(sx + 10));
    ASSERT_EQ(pdf.compare(xref, 5, "xref\n"), 0);
    const std::size_t first = pdf.find('\n', pdf.find('\n', xref) + 1) + 1;  // after "0 8"
    for (int n = 1; n <= 7; ++n) {
      const std::string entry = pdf.substr(first + 20 * static_cast<std::size_t>(n), 20);
      ASSERT_EQ(entry.substr(10), " 00000 n \n");
      EXPECT_EQ(pdf.compare(std::stoul(entry.substr(0, 10)), 8, std::to_string(n) + " 0 obj\n"), 0) << n;
    }
    const std::size_t length_at = pdf.find("/Length ");
    const std::size_t data = pdf.find("stream\n", length_at) + 7;
    EXPECT_EQ(pdf.compare(data + std::stoul(pdf.substr(length_at + 8)), 9, "endstream"), 0);
    EXPECT_NE(pdf.find("/MediaBox [0 0 595.2756 841.8898]"), std::string::npos);
    EXPECT_NE(pdf.find("/ViewerPreferences << /PrintScaling /None >>"), std::string::npos);
    EXPECT_NE(pdf.find("(Print at 100 % \\(actual size, no fit to page\\). Both bars must measure 100 mm.)"),
              std::string::npos);
  }
}

TEST(SvgDocument, KeyElementsCarryTheirIdsOnceAndTheUnitIsTheMillimetre) {
  const pw::ProtractorLayout l =
      pw::LayOutProtractor(Sheet(60.325, 146.05, 222), pw::ProtractorKind::Arc, pw::Paper::Letter, 1, 1);
  ASSERT_TRUE(l.fits);
  const std::string svg = pw::SvgDocument(l.page);
  EXPECT_NE(svg.find("width=\"215.9mm\" height=\"279.4mm\" viewBox=\"0 0 215.9 279.4\""), std::string::npos);
  for (const char* id : {"spindle", "stylus-arc", "null-inner", "null-outer", "bar-across", "bar-down"}) {
    EXPECT_EQ(Count(svg, std::string("id=\"") + id + "\""), 1u) << id;
  }
  EXPECT_NE(svg.find("<path id=\"stylus-arc\" d=\"M "), std::string::npos);
  EXPECT_NE(svg.find("<ellipse id=\"null-inner\""), std::string::npos);
  EXPECT_NE(svg.find("<g id=\"bar-across\">"), std::string::npos);
  // 101 ticks and the bar itself.
  const std::size_t bar = svg.find("<g id=\"bar-across\">");
  EXPECT_EQ(Count(svg.substr(bar, svg.find("</g>", bar) - bar), "<line"), 102u);
  EXPECT_NE(svg.find("L\xC3\xB6" "fgren (B)"), std::string::npos);
  EXPECT_EQ(svg.find("transform"), std::string::npos);
}

TEST(LayOutProtractor, CommonArmFitsA4BothWaysAndALargeBandNamesThePapersItFits) {
  const pw::ProtractorSheet common = Sheet(60.325, 146.05, 222);
  for (const pw::ProtractorKind kind : {pw::ProtractorKind::Arc, pw::ProtractorKind::TwoPoint}) {
    for (const pw::Paper paper : {pw::Paper::A4, pw::Paper::Letter, pw::Paper::A3}) {
      const pw::ProtractorLayout l = pw::LayOutProtractor(common, kind, paper, 1, 1);
      ASSERT_TRUE(l.fits) << pw::PaperName(paper);
      // Everything inside the paper, 10 mm clear of its edges.
      const pw::PageBounds b = pw::BoundsOf(l.page.groups);
      const pw::PaperSize size = pw::PaperSizeOf(paper);
      EXPECT_GE(b.left, 10 - 1e-9);
      EXPECT_GE(b.top, 10 - 1e-9);
      EXPECT_LE(b.right, size.width - 10 + 1e-9);
      EXPECT_LE(b.bottom, size.height - 10 + 1e-9);
    }
  }
  // An outer groove radius of 300 mm: only A3 holds the arc.
  const pw::ProtractorLayout big =
      pw::LayOutProtractor(Sheet(100, 300, 400), pw::ProtractorKind::Arc, pw::Paper::A4, 1, 1);
  EXPECT_FALSE(big.fits);
  EXPECT_EQ(big.fitting, std::vector<pw::Paper>{pw::Paper::A3});
  // Too big for any paper: an empty list.
  const pw::ProtractorLayout huge =
      pw::LayOutProtractor(Sheet(150, 450, 500), pw::ProtractorKind::Arc, pw::Paper::A3, 1, 1);
  EXPECT_FALSE(huge.fits);
  EXPECT_TRUE(huge.fitting.empty());
}

// A printer that prints large needs the drawing smaller, which takes room;
// the page says how it was scaled.
TEST(LayOutProtractor, PrinterScaleIsAppliedAboutTheTopLeftCornerAndSaidOnThePage) {
  const pw::ProtractorSheet s = Sheet(60.325, 146.05, 222);
  const pw::ProtractorLayout l = pw::LayOutProtractor(s, pw::ProtractorKind::Arc, pw::Paper::A4, 1.02, 0.98);
  ASSERT_TRUE(l.fits);
  const pw::PageBounds b = pw::BoundsOf(l.page.groups);
  EXPECT_GE(b.left / 1.02, 10 - 1e-9);
  EXPECT_LE(b.bottom / 0.98, 297 - 10 + 1e-9);
  const std::string pdf = pw::PdfDocument(l.page);
  EXPECT_NE(pdf.find("(Scaled for your printer: 1/1.02 across, 1/0.98 down)"), std::string::npos);
  EXPECT_NE(pdf.find("2.77906438 0 0 -2.89249558 0 841.8898 cm"), std::string::npos);
  EXPECT_NE(pw::SvgDocument(l.page).find("transform=\"scale(0.98039216 1.02040816)\""), std::string::npos);
}

// 64-bit FNV-1a.
uint64_t Fnv(const std::string& bytes) {
  uint64_t h = 0xCBF29CE484222325ull;
  for (const char c : bytes) h = (h ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
  return h;
}

// The same files on every platform the program is built for: these
// fingerprints were taken on x86-64 Linux, and the Windows and aarch64
// builds run this test too.
TEST(PageDocuments, BytesAreTheSameOnEveryPlatform) {
  const struct {
    pw::ProtractorKind kind;
    double scale_x, scale_y;
    std::size_t pdf_size;
    uint64_t pdf_hash;
    std::size_t svg_size;
    uint64_t svg_hash;
  } cases[] = {
      {pw::ProtractorKind::Arc, 1, 1, 13903, 0x5AC5C31DDFD9EA9Eull, 17822, 0x8ABEEA706C2F7D65ull},
      {pw::ProtractorKind::Arc, 1.02, 0.98, 14429, 0x1276A07B032672A2ull, 18414, 0xEDB003BF26B626E5ull},
      {pw::ProtractorKind::TwoPoint, 1, 1, 10866, 0xC03AE5B2AF8B8B02ull, 16889, 0x9206551001D98BBAull},
  };
  for (const auto& c : cases) {
    const pw::ProtractorLayout l =
        pw::LayOutProtractor(Sheet(60.325, 146.05, 222), c.kind, pw::Paper::A4, c.scale_x, c.scale_y);
    ASSERT_TRUE(l.fits);
    const std::string pdf = pw::PdfDocument(l.page);
    const std::string svg = pw::SvgDocument(l.page);
    EXPECT_EQ(pdf.size(), c.pdf_size);
    EXPECT_EQ(Fnv(pdf), c.pdf_hash);
    EXPECT_EQ(svg.size(), c.svg_size);
    EXPECT_EQ(Fnv(svg), c.svg_hash);
  }
}

TEST(WriteDocumentFile, WritesWholeOrReportsTheSystemsError) {
  pwtest::TempDir dir;
  const std::string path = dir.path + "/p.pdf";
  EXPECT_EQ(pw::WriteDocumentFile(path, "first"), 0);
  EXPECT_EQ(pw::WriteDocumentFile(path, "second"), 0);
  EXPECT_EQ(pwtest::ReadFileBytes(path), "second");
  EXPECT_NE(pw::WriteDocumentFile(dir.path + "/missing/p.pdf", "x"), 0);
  EXPECT_FALSE(pwtest::FileExists(dir.path + "/missing"));
}

}  // namespace
