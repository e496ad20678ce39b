#include "drawing/pdf_writer.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <initializer_list>
#include <string>
#include <vector>

#include "base/product.h"
#include "base/utf8.h"
#include "drawing/exact_math.h"

namespace pw {

namespace {

constexpr double kPointsPerMm = 72 / 25.4;
constexpr double kMaxSegment = 30;      // degrees per Bezier segment
constexpr double kMonoAdvance = 0.6;    // Courier's advance, em

// Coordinates in mm with four decimals, matrix entries with eight.
std::string Num(double v) { return FixedText(v, 4, true); }
std::string Matrix(double v) { return FixedText(v, 8, true); }
std::string Pt(PagePoint p) { return Num(p.x) + " " + Num(p.y); }

// The pen as the content stream has it now, so that it is set only when it
// changes.
struct PenState {
  double width = -1;
  double dash = 0;
};

void SetPen(std::string& out, PenState& pen, double width, double dash) {
  if (width != pen.width) out += Num(width) + " w\n";  // mm
  if (dash != pen.dash) {
    // Appended piece by piece: "[" + text makes GCC 12 see overlapping
    // copies in an optimised build that cannot happen (-Wrestrict).
    out += '[';
    if (dash > 0) out += Num(dash);
    out += "] 0 d\n";
  }
  pen.width = width;
  pen.dash = dash;
}

void LineOut(std::string& out, PenState& pen, const PageShape& s) {
  SetPen(out, pen, s.width, s.dash);
  out += Pt(s.from) + " m " + Pt(s.to) + " l S\n";
}

void ArcOut(std::string& out, PenState& pen, const PageShape& s) {
  SetPen(out, pen, s.width, s.dash);
  const std::vector<Cubic> cubics = ArcCubics(s.from, s.rx, s.ry, s.start, s.sweep);
  out += Pt(cubics.front().p0) + " m\n";
  for (const Cubic& c : cubics) out += Pt(c.p1) + " " + Pt(c.p2) + " " + Pt(c.p3) + " c\n";
  out += std::abs(s.sweep) >= 360 ? "h S\n" : "S\n";
}

// The page's y runs down, so the text matrix turns the glyphs upright
// again; a fixed advance is a horizontal scaling of the face.
void TextOut(std::string& out, const PageShape& s) {
  const bool mono = s.font == PageFont::Mono;
  const double stretch = mono && s.advance > 0 ? s.advance / (kMonoAdvance * s.size) : 1;
  out += std::string("BT /") + (mono ? "F2" : "F1") + " 1 Tf " + Num(s.size * stretch) + " 0 0 " +
         Num(-s.size) + " " + Pt(s.from) + " Tm (" + PdfStringText(s.text) + ") Tj ET\n";
}

std::string ContentStream(const Page& page) {
  // mm to points, y turned downwards from the top edge, and the printer's
  // scale.
  std::string out = "q\n" + Matrix(kPointsPerMm / page.scale_x) + " 0 0 " +
                    Matrix(-kPointsPerMm / page.scale_y) + " 0 " + Num(page.height * kPointsPerMm) +
                    " cm\n0 J 0 j 0 G 0 g\n";
  PenState pen;
  for (const PageGroup& g : page.groups) {
    for (const PageShape& s : g.shapes) {
      switch (s.kind) {
        case PageShape::Kind::Line: LineOut(out, pen, s); break;
        case PageShape::Kind::Arc: ArcOut(out, pen, s); break;
        case PageShape::Kind::Text: TextOut(out, s); break;
      }
    }
  }
  return out + "Q\n";
}

// WinAnsi's characters in the range 0x80 to 0x9F.
constexpr char32_t kWinAnsiHigh[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

int WinAnsiByte(char32_t c) {
  if ((c >= 0x20 && c < 0x7F) || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
  for (int i = 0; i < 32; ++i) {
    if (kWinAnsiHigh[i] == c && c != 0) return 0x80 + i;
  }
  return '?';
}

void AppendObject(std::string& file, std::vector<std::size_t>& offsets, const std::string& body) {
  offsets.push_back(file.size());
  file += std::to_string(offsets.size()) + " 0 obj\n" + body + "\nendobj\n";
}

}  // namespace

std::vector<Cubic> ArcCubics(PagePoint centre, double rx, double ry, double start, double sweep) {
  const int n = std::max(1, static_cast<int>(std::ceil(std::abs(sweep) / kMaxSegment)));
  const double step = sweep / n;
  // Control points at k times the tangent from each end: k = 4/3 tan(step/4).
  const double k = 4.0 / 3.0 * SinDegrees(step / 4) / CosDegrees(step / 4);
  std::vector<Cubic> out;
  for (int i = 0; i < n; ++i) {
    const double a0 = start + step * i;
    const double a1 = i + 1 == n ? start + sweep : start + step * (i + 1);
    const double c0 = CosDegrees(a0), s0 = SinDegrees(a0), c1 = CosDegrees(a1), s1 = SinDegrees(a1);
    const PagePoint p0{centre.x + rx * c0, centre.y + ry * s0};
    const PagePoint p3{centre.x + rx * c1, centre.y + ry * s1};
    out.push_back({p0, {p0.x - k * rx * s0, p0.y + k * ry * c0}, {p3.x + k * rx * s1, p3.y - k * ry * c1}, p3});
  }
  return out;
}

std::string PdfStringText(std::string_view utf8) {
  std::string out;
  const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.data());
  std::size_t i = 0;
  while (i < utf8.size()) {
    char32_t c = bytes[i];
    std::size_t length = 1;
    if (c >= 0x80) {
      const Utf8Sequence seq = ReadUtf8(bytes + i, utf8.size() - i);
      c = seq.status == Utf8Sequence::Status::Valid ? seq.code_point : U'?';
      length = seq.status == Utf8Sequence::Status::Valid ? seq.length : 1;
    }
    i += length;
    const int b = WinAnsiByte(c);
    if (b == '(' || b == ')' || b == '\\') {
      out += '\\';
      out += static_cast<char>(b);
    } else if (b > 126) {
      out += '\\';
      for (const int shift : {6, 3, 0}) out += static_cast<char>('0' + ((b >> shift) & 7));
    } else {
      out += static_cast<char>(b);
    }
  }
  return out;
}

std::string PdfDocument(const Page& page) {
  // The second line's bytes above 127 mark the file as binary for tools
  // that guess.
  std::string file = "%PDF-1.6\n%\xE2\xE3\xCF\xD3\n";
  std::vector<std::size_t> offsets;
  const std::string content = ContentStream(page);
  AppendObject(file, offsets,
               "<< /Type /Catalog /Pages 2 0 R /ViewerPreferences << /PrintScaling /None >> >>");
  AppendObject(file, offsets, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  AppendObject(file, offsets,
               "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + Num(page.width * kPointsPerMm) + " " +
                   Num(page.height * kPointsPerMm) +
                   "] /Resources << /Font << /F1 5 0 R /F2 6 0 R >> >> /Contents 4 0 R >>");
  AppendObject(file, offsets,
               "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "endstream");
  AppendObject(file, offsets,
               "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
  AppendObject(file, offsets,
               "<< /Type /Font /Subtype /Type1 /BaseFont /Courier /Encoding /WinAnsiEncoding >>");
  AppendObject(file, offsets,
               "<< /Title (" + PdfStringText(page.title) + ") /Creator (Pivotwright " +
                   std::string(kVersion) + ") >>");
  // Each cross-reference entry is exactly 20 bytes.
  const std::size_t xref = file.size();
  file += "xref\n0 " + std::to_string(offsets.size() + 1) + "\n0000000000 65535 f \n";
  for (const std::size_t at : offsets) {
    const std::string digits = std::to_string(at);
    file += std::string(10 - std::min<std::size_t>(10, digits.size()), '0') + digits + " 00000 n \n";
  }
  file += "trailer\n<< /Size " + std::to_string(offsets.size() + 1) + " /Root 1 0 R /Info 7 0 R >>\nstartxref\n" +
          std::to_string(xref) + "\n%%EOF\n";
  return file;
}

}  // namespace pw
