// The printable pages measured on paper: each file is rastered at 600 dpi
// by the tools a user prints with (pdftoppm for the PDF, rsvg-convert for
// the SVG) and the features are found in the pixels: the tick marks of the
// two bars, the spindle's cross, the lines that meet at each null point,
// the stylus arc, and the metafile sheet's lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "drawing/emf_walk.h"
#include "drawing/page.h"
#include "drawing/pdf_writer.h"
#include "drawing/protractor.h"
#include "drawing/protractor_page.h"
#include "drawing/svg_writer.h"
#include "support/test_support.h"

namespace {

constexpr double kDpi = 600;
constexpr double kPxPerMm = kDpi / 25.4;

// The reference arm: the IEC band, a 222 mm pivot, Baerwald's nulls.
pw::ProtractorSheet ReferenceSheet() {
  const double r1 = 60.325, r2 = 146.05, d = 222;
  const double h = 1 / std::sqrt(2.0);
  const double n1 = 2 * r1 * r2 / (r2 * (1 + h) + r1 * (1 - h));
  const double n2 = 2 * r1 * r2 / (r1 * (1 + h) + r2 * (1 - h));
  const double l = std::sqrt(d * d + n1 * n2);
  return {"Baerwald", r1, r2, d, l, l - d, std::asin((n1 + n2) / (2 * l)) * 180 / std::numbers::pi, n1, n2};
}

struct Gray {
  int width = 0;
  int height = 0;
  std::string pixels;
  // 0 (white) to 255 (black); outside the image, white.
  double Dark(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    return 255 - static_cast<unsigned char>(pixels[static_cast<std::size_t>(y) * width + x]);
  }
  // Bilinear, at a point given in pixel coordinates (pixel centres at +0.5).
  double DarkAt(double x, double y) const {
    const double fx = x - 0.5, fy = y - 0.5;
    const int x0 = static_cast<int>(std::floor(fx)), y0 = static_cast<int>(std::floor(fy));
    const double ax = fx - x0, ay = fy - y0;
    return (1 - ax) * (1 - ay) * Dark(x0, y0) + ax * (1 - ay) * Dark(x0 + 1, y0) +
           (1 - ax) * ay * Dark(x0, y0 + 1) + ax * ay * Dark(x0 + 1, y0 + 1);
  }
};

// A binary PGM (P5, maxval 255).
Gray ReadPgm(const std::string& path) {
  const std::string b = pwtest::ReadFileBytes(path);
  Gray g;
  int maxval = 0;
  int consumed = 0;
  if (std::sscanf(b.c_str(), "P5 %d %d %d%n", &g.width, &g.height, &maxval, &consumed) != 3 || maxval != 255) {
    ADD_FAILURE() << "not an 8-bit PGM: " << path;
    return {};
  }
  g.pixels = b.substr(static_cast<std::size_t>(consumed) + 1);
  EXPECT_EQ(g.pixels.size(), static_cast<std::size_t>(g.width) * g.height);
  return g;
}

bool Shell(const std::string& command) { return std::system(command.c_str()) == 0; }

// The page written and rastered both ways.
struct Rasters {
  Gray pdf;
  Gray svg;
};

Rasters RasterBoth(const pw::Page& page) {
  pwtest::TempDir dir;
  const std::string base = dir.path + "/page";
  EXPECT_EQ(pw::WriteDocumentFile(base + ".pdf", pw::PdfDocument(page)), 0);
  EXPECT_EQ(pw::WriteDocumentFile(base + ".svg", pw::SvgDocument(page)), 0);
  EXPECT_TRUE(Shell("pdftoppm -r 600 -gray -singlefile '" + base + ".pdf' '" + base + "-pdf'"));
  EXPECT_TRUE(Shell("rsvg-convert -d 600 -p 600 -b white '" + base + ".svg' | pngtopnm | ppmtopgm > '" +
                  base + "-svg.pgm'"));
  return {ReadPgm(base + "-pdf.pgm"), ReadPgm(base + "-svg.pgm")};
}

struct Vec {
  double x = 0, y = 0;
};
Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y}; }
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y}; }
Vec operator*(double k, Vec a) { return {k * a.x, k * a.y}; }
double Length(Vec a) { return std::hypot(a.x, a.y); }
Vec Unit(Vec a) { return (1 / Length(a)) * a; }

// A page point (mm, before the printer's scale) in pixels.
Vec ToPixels(const pw::Page& page, pw::PagePoint p) {
  return {p.x / page.scale_x * kPxPerMm, p.y / page.scale_y * kPxPerMm};
}

// Where a line crosses the segment from c - half d to c + half d: the
// darkness-weighted mean offset along d (pixels), NaN when nothing dark is
// there.
double Crossing(const Gray& g, Vec c, Vec d, double half) {
  double sum = 0, weight = 0;
  for (double s = -half; s <= half; s += 0.125) {
    const Vec p = c + s * d;
    const double v = g.DarkAt(p.x, p.y);
    if (v < 24) continue;
    sum += s * v;
    weight += v;
  }
  return weight > 0 ? sum / weight : NAN;
}

// The centres of the dark runs along a scan from `a` in direction `d`
// (unit) over `length` pixels: each run's darkness-weighted centre, as a
// distance from `a`.
std::vector<double> Runs(const Gray& g, Vec a, Vec d, double length) {
  std::vector<double> centres;
  double sum = 0, weight = 0;
  for (double s = 0; s <= length; s += 0.125) {
    const Vec p = a + s * d;
    const double v = g.DarkAt(p.x, p.y);
    if (v >= 24) {
      sum += s * v;
      weight += v;
    } else if (weight > 0) {
      centres.push_back(sum / weight);
      sum = weight = 0;
    }
  }
  if (weight > 0) centres.push_back(sum / weight);
  return centres;
}

// A bar's length in printed mm from its eleven long ticks, scanned 3.75 mm
// from the bar, where no shorter tick reaches and nothing else is drawn;
// the ticks must stand 10 mm apart.
double BarLength(const Gray& g, Vec zero_end, bool across, double scale) {
  const Vec along = across ? Vec{1, 0} : Vec{0, 1};
  const Vec aside = across ? Vec{0, 1} : Vec{1, 0};
  const double printed_length = 100 / scale * kPxPerMm;
  const Vec start = zero_end + (3.75 * kPxPerMm) * aside - (3 * kPxPerMm) * along;
  const std::vector<double> ticks = Runs(g, start, along, printed_length + 6 * kPxPerMm);
  EXPECT_EQ(ticks.size(), 11u);
  if (ticks.size() != 11) return NAN;
  for (std::size_t i = 1; i < ticks.size(); ++i) {
    EXPECT_NEAR((ticks[i] - ticks[i - 1]) / kPxPerMm, 10 / scale, 0.1) << "tick " << i;
  }
  return (ticks.back() - ticks.front()) / kPxPerMm;
}

// The spindle's centre from its cross: the vertical arm found on two rows
// above and two below the centre, the horizontal one on two columns either
// side.
Vec CrossCentre(const Gray& g, Vec hint) {
  double x = 0, y = 0;
  for (const double off : {-4.5, -2.0, 2.0, 4.5}) {
    x += Crossing(g, hint + Vec{0, off * kPxPerMm}, {1, 0}, kPxPerMm);
    y += Crossing(g, hint + Vec{off * kPxPerMm, 0}, {0, 1}, kPxPerMm);
  }
  return hint + Vec{x / 4, y / 4};
}

// A straight line found at several distances along it: offset = a + b s.
struct LineFit {
  double a = 0, b = 0;
};
LineFit FitOffsets(const Gray& g, Vec p, Vec along, Vec across, const std::vector<double>& distances) {
  double n = 0, ss = 0, so = 0, sso = 0, s2 = 0;
  for (const double mm : distances) {
    const double s = mm * kPxPerMm;
    const double o = Crossing(g, p + s * along, across, 0.9 * kPxPerMm);
    EXPECT_FALSE(std::isnan(o)) << "no line " << mm << " mm from the null point";
    n += 1;
    ss += s;
    so += o;
    sso += s * o;
    s2 += s * s;
  }
  const double b = (n * sso - ss * so) / (n * s2 - ss * ss);
  return {(so - b * ss) / n, b};
}

// A null point as the crossing of its radial line and the grid line along
// the groove's tangent through it, each found between the other lines of
// the grid (the tangent lines stand every 2 mm along the radius).
Vec NullPoint(const Gray& g, Vec hint, Vec spindle) {
  const Vec u = Unit(hint - spindle);
  const Vec t{-u.y, u.x};
  const LineFit radial = FitOffsets(g, hint, u, t, {-9, -7, -5, 5, 7, 9});
  const LineFit tangent = FitOffsets(g, hint, t, u, {-17, -13, -9, -5, 5, 9, 13, 17});
  // The point hint + x u + y t on both: y = a_r + b_r x and x = a_t + b_t y.
  const double x = (tangent.a + tangent.b * radial.a) / (1 - tangent.b * radial.b);
  const double y = radial.a + radial.b * x;
  return hint + x * u + y * t;
}

struct Circle {
  Vec centre;
  double radius = 0;
};

// The least-squares circle through points (solving for D, E, F in
// x^2 + y^2 + D x + E y + F = 0, coordinates taken about the first point).
Circle FitCircle(const std::vector<Vec>& points) {
  const Vec o = points.front();
  double m[3][4] = {};
  for (const Vec& q : points) {
    const Vec p = q - o;
    const double row[3] = {p.x, p.y, 1};
    const double rhs = -(p.x * p.x + p.y * p.y);
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) m[i][j] += row[i] * row[j];
      m[i][3] += row[i] * rhs;
    }
  }
  for (int i = 0; i < 3; ++i) {
    for (int k = i + 1; k < 3; ++k) {
      const double f = m[k][i] / m[i][i];
      for (int j = i; j < 4; ++j) m[k][j] -= f * m[i][j];
    }
  }
  double s[3];
  for (int i = 2; i >= 0; --i) {
    double v = m[i][3];
    for (int j = i + 1; j < 3; ++j) v -= m[i][j] * s[j];
    s[i] = v / m[i][i];
  }
  const Vec c{-s[0] / 2, -s[1] / 2};
  return {o + c, std::sqrt(c.x * c.x + c.y * c.y - s[2])};
}

// Points of the stylus arc where it runs alone (clear of the grids and the
// groove-band arcs), each found across the arc near where the layout's
// pivot and arm put it; the circle through them.
Circle StylusArc(const Gray& g, const pw::ProtractorSheet& s, Vec spindle, Vec pivot) {
  std::vector<Vec> found;
  const double d = Length(pivot - spindle) / kPxPerMm;
  for (double r = s.inner_groove - 5; r <= s.outer_groove + 5; r += 1) {
    const bool near_grid = std::abs(r - s.inner_null) < 14 || std::abs(r - s.outer_null) < 14;
    const bool near_band = std::abs(r - s.inner_groove) < 3 || std::abs(r - s.outer_groove) < 3;
    if (near_grid || near_band) continue;
    // The point r from the spindle and L from the pivot, clockwise of the pivot.
    const double phi = std::acos((r * r + d * d - s.arm * s.arm) / (2 * r * d));
    const double base = std::atan2(pivot.y - spindle.y, pivot.x - spindle.x);
    const Vec e = spindle + (r * kPxPerMm) * Vec{std::cos(base + phi), std::sin(base + phi)};
    const Vec normal = Unit(e - pivot);
    const double o = Crossing(g, e, normal, kPxPerMm);
    EXPECT_FALSE(std::isnan(o)) << "no stylus arc at radius " << r;
    if (!std::isnan(o)) found.push_back(e + o * normal);
  }
  EXPECT_GE(found.size(), 30u);
  return FitCircle(found);
}

struct ArcMeasures {
  double across = 0, down = 0;  // the bars, printed mm
  Vec spindle, inner, outer;    // pixels
  Circle arc;                   // pixels
};

ArcMeasures MeasureArcPage(const Gray& g, const pw::ProtractorLayout& l, const pw::ProtractorSheet& s) {
  const pw::Page& page = l.page;
  ArcMeasures m;
  m.across = BarLength(g, ToPixels(page, l.marks.bar_across), true, page.scale_x);
  m.down = BarLength(g, ToPixels(page, l.marks.bar_down), false, page.scale_y);
  m.spindle = CrossCentre(g, ToPixels(page, l.marks.spindle));
  m.inner = NullPoint(g, ToPixels(page, l.marks.inner_null), m.spindle);
  m.outer = NullPoint(g, ToPixels(page, l.marks.outer_null), m.spindle);
  m.arc = StylusArc(g, s, m.spindle, ToPixels(page, l.marks.pivot));
  return m;
}

double Mm(double pixels) { return pixels / kPxPerMm; }

TEST(PrintedArcProtractor, BarsSpindleNullsAndStylusArcMeasureTrueAt600Dpi) {
  const pw::ProtractorSheet s = ReferenceSheet();
  const pw::ProtractorLayout l = pw::LayOutProtractor(s, pw::ProtractorKind::Arc, pw::Paper::A4, 1, 1);
  ASSERT_TRUE(l.fits);
  const Rasters r = RasterBoth(l.page);
  ASSERT_GT(r.pdf.width, 4900);  // 210 mm at 600 dpi: 4961 pixels
  const ArcMeasures pdf = MeasureArcPage(r.pdf, l, s);
  const ArcMeasures svg = MeasureArcPage(r.svg, l, s);
  for (const ArcMeasures* m : {&pdf, &svg}) {
    const char* which = m == &pdf ? "PDF" : "SVG";
    EXPECT_NEAR(m->across, 100, 0.1) << which;
    EXPECT_NEAR(m->down, 100, 0.1) << which;
    EXPECT_NEAR(Mm(Length(m->inner - m->spindle)), s.inner_null, 0.1) << which;
    EXPECT_NEAR(Mm(Length(m->outer - m->spindle)), s.outer_null, 0.1) << which;
    for (const Vec null : {m->inner, m->outer}) {
      EXPECT_NEAR(Mm(Length(null - m->arc.centre) - m->arc.radius), 0, 0.1) << which << " null off the arc";
    }
    std::printf("%s: bars %.3f x %.3f mm; spindle to nulls %.3f and %.3f mm (want %.3f, %.3f); "
                "nulls off the arc %.3f and %.3f mm\n",
                which, m->across, m->down, Mm(Length(m->inner - m->spindle)),
                Mm(Length(m->outer - m->spindle)), s.inner_null, s.outer_null,
                Mm(Length(m->inner - m->arc.centre) - m->arc.radius),
                Mm(Length(m->outer - m->arc.centre) - m->arc.radius));
  }
  // The two rasters agree within two pixels.
  for (const auto& [a, b] : {std::pair{pdf.spindle, svg.spindle}, {pdf.inner, svg.inner}, {pdf.outer, svg.outer}}) {
    EXPECT_LE(Length(a - b), 2.0);
  }
  EXPECT_NEAR(pdf.across * kPxPerMm, svg.across * kPxPerMm, 2.0);
  EXPECT_NEAR(pdf.down * kPxPerMm, svg.down * kPxPerMm, 2.0);
}

TEST(PrintedArcProtractor, PrinterScaleShrinksTheBarsByItsFactors) {
  const pw::ProtractorSheet s = ReferenceSheet();
  const pw::ProtractorLayout l =
      pw::LayOutProtractor(s, pw::ProtractorKind::Arc, pw::Paper::A4, 1.02, 0.98);
  ASSERT_TRUE(l.fits);
  const Rasters r = RasterBoth(l.page);
  for (const Gray* g : {&r.pdf, &r.svg}) {
    const double across = BarLength(*g, ToPixels(l.page, l.marks.bar_across), true, 1.02);
    const double down = BarLength(*g, ToPixels(l.page, l.marks.bar_down), false, 0.98);
    EXPECT_NEAR(across, 100 / 1.02, 0.1);
    EXPECT_NEAR(down, 100 / 0.98, 0.1);
    std::printf("scaled 1.02,0.98 (%s): bars %.3f x %.3f mm (want %.3f x %.3f)\n", g == &r.pdf ? "PDF" : "SVG",
                across, down, 100 / 1.02, 100 / 0.98);
  }
}

// The checkers the files are held to: qpdf finds no problem and pdfinfo
// reads the paper's size, for every paper and both kinds.
TEST(PrintedPages, QpdfChecksThePdfAndPdfinfoGivesThePaperSize) {
  const struct {
    pw::Paper paper;
    const char* size;
  } cases[] = {{pw::Paper::A4, "595.276 x 841.89 pts (A4)"},
               {pw::Paper::Letter, "612 x 792 pts (letter)"},
               {pw::Paper::A3, "841.89 x 1190.55 pts (A3)"}};
  for (const auto& c : cases) {
    for (const pw::ProtractorKind kind : {pw::ProtractorKind::Arc, pw::ProtractorKind::TwoPoint}) {
      const pw::ProtractorLayout l = pw::LayOutProtractor(ReferenceSheet(), kind, c.paper, 1.01, 0.99);
      ASSERT_TRUE(l.fits);
      pwtest::TempDir dir;
      const std::string path = dir.path + "/p.pdf";
      ASSERT_EQ(pw::WriteDocumentFile(path, pw::PdfDocument(l.page)), 0);
      EXPECT_TRUE(Shell("qpdf --check '" + path + "' > '" + dir.path + "/qpdf.txt' 2>&1"))
          << pwtest::ReadFileBytes(dir.path + "/qpdf.txt");
      ASSERT_TRUE(Shell("pdfinfo '" + path + "' > '" + dir.path + "/info.txt' 2>&1"));
      const std::string info = pwtest::ReadFileBytes(dir.path + "/info.txt");
      EXPECT_NE(info.find(std::string("Page size:       ") + c.size), std::string::npos) << info;
      EXPECT_NE(info.find("PDF version:     1.6"), std::string::npos) << info;
      EXPECT_NE(info.find("Pages:           1"), std::string::npos) << info;
    }
  }
}

// The two-point sheet's lines, found across one row of the raster, stand
// where the metafile's records put them, measured from the spindle mark.
TEST(PrintedTwoPointProtractor, LinesStandWhereTheMetafileRecordsThem) {
  const pw::ProtractorSheet s = ReferenceSheet();
  const pw::ProtractorLayout l =
      pw::LayOutProtractor(s, pw::ProtractorKind::TwoPoint, pw::Paper::A4, 1, 1);
  ASSERT_TRUE(l.fits);

  // The metafile's vertical lines: x in 0.1 mm.
  std::vector<int32_t> emf_x;
  int32_t emf_spindle = 0;
  {
    pwtest::TempDir dir;
    pwtest::ScopedChdir here(dir.path);
    ASSERT_TRUE(pw::DrawProtractor(s.inner_groove, s.outer_groove, s.inner_null, s.outer_null).saved);
    std::string problems;
    const auto records = emftest::WalkRecords(pwtest::ReadFileBytes("protractor.emf"), &problems);
    ASSERT_EQ(problems, "");
    for (std::size_t i = 0; i + 1 < records.size(); ++i) {
      if (records[i].type != 27 || records[i + 1].type != 54) continue;
      const int32_t x1 = records[i].I(8), y1 = records[i].I(12), x2 = records[i + 1].I(8), y2 = records[i + 1].I(12);
      if (x1 != x2) continue;
      if (y1 == -100 && y2 == -700) emf_x.push_back(x1);
      if (y1 == -300 && y2 == -500) emf_spindle = x1;
    }
  }
  std::sort(emf_x.begin(), emf_x.end());
  ASSERT_EQ(emf_x.size(), 26u);

  const Rasters r = RasterBoth(l.page);
  const Vec spindle = ToPixels(l.page, l.marks.spindle);
  for (const Gray* g : {&r.pdf, &r.svg}) {
    // The spindle mark alone on a row 8 mm above the centre line (inside
    // the mark, above the spindle circle); the null and grid lines on a row
    // 15 mm above it, where the legend and the circle do not reach.
    const double mark = Crossing(*g, spindle + Vec{0, -8 * kPxPerMm}, {1, 0}, kPxPerMm);
    ASSERT_FALSE(std::isnan(mark));
    const Vec row = spindle + Vec{mark, -15 * kPxPerMm};
    const std::vector<double> found = Runs(*g, row + Vec{30 * kPxPerMm, 0}, {1, 0}, 120 * kPxPerMm);
    ASSERT_EQ(found.size(), emf_x.size());
    double worst = 0;
    for (std::size_t i = 0; i < found.size(); ++i) {
      const double want = (emf_x[i] - emf_spindle) / 10.0;
      const double got = Mm(found[i]) + 30;
      EXPECT_NEAR(got, want, 0.1) << "line " << i;
      worst = std::max(worst, std::abs(got - want));
    }
    // The centre line, 5 mm right of the spindle mark.
    const double centre = Crossing(*g, spindle + Vec{mark + 5 * kPxPerMm, 0}, {0, 1}, kPxPerMm);
    EXPECT_NEAR(Mm(centre), 0, 0.1);
    std::printf("two-point (%s): 26 lines within %.3f mm of the metafile's; centre line %.3f mm off\n",
                g == &r.pdf ? "PDF" : "SVG", worst, Mm(centre));
  }
}

}  // namespace
