#include "drawing/svg_writer.h"

#include <cmath>
#include <cstddef>
#include <string>
#include <string_view>

#include "base/utf8.h"
#include "drawing/exact_math.h"

namespace pw {

namespace {

constexpr double kPenWidth = 0.1;  // the stroke every shape has unless it says otherwise, mm

std::string Num(double v) { return FixedText(v, 4, true); }

std::string Attribute(const char* name, const std::string& value) {
  return std::string(" ") + name + "=\"" + value + "\"";
}

// The stroke attributes that differ from the document's.
std::string Pen(const PageShape& s) {
  std::string out;
  if (s.width != kPenWidth) out += Attribute("stroke-width", Num(s.width));
  if (s.dash > 0) out += Attribute("stroke-dasharray", Num(s.dash));
  return out;
}

std::string IdOf(const std::string& id) { return id.empty() ? "" : Attribute("id", SvgEscaped(id)); }

std::string LineElement(const PageShape& s, const std::string& id) {
  return "<line" + id + Attribute("x1", Num(s.from.x)) + Attribute("y1", Num(s.from.y)) +
         Attribute("x2", Num(s.to.x)) + Attribute("y2", Num(s.to.y)) + Pen(s) + "/>\n";
}

// A whole ellipse is an <ellipse>; part of one, a path with one arc.  The
// sweep flag 1 turns towards +y, as the page's angles do.
std::string ArcElement(const PageShape& s, const std::string& id) {
  if (std::abs(s.sweep) >= 360) {
    return "<ellipse" + id + Attribute("cx", Num(s.from.x)) + Attribute("cy", Num(s.from.y)) +
           Attribute("rx", Num(s.rx)) + Attribute("ry", Num(s.ry)) + Pen(s) + "/>\n";
  }
  const double end = s.start + s.sweep;
  const std::string from = Num(s.from.x + s.rx * CosDegrees(s.start)) + " " +
                           Num(s.from.y + s.ry * SinDegrees(s.start));
  const std::string to =
      Num(s.from.x + s.rx * CosDegrees(end)) + " " + Num(s.from.y + s.ry * SinDegrees(end));
  const char* large = std::abs(s.sweep) > 180 ? "1" : "0";
  const char* sweep = s.sweep > 0 ? "1" : "0";
  return "<path" + id + Attribute("d", "M " + from + " A " + Num(s.rx) + " " + Num(s.ry) + " 0 " + large +
                                           " " + sweep + " " + to) +
         Pen(s) + "/>\n";
}

// A fixed advance is kept by stretching the text to its length.
std::string TextElement(const PageShape& s, const std::string& id) {
  const bool mono = s.font == PageFont::Mono;
  std::string out = "<text" + id + Attribute("x", Num(s.from.x)) + Attribute("y", Num(s.from.y)) +
                    Attribute("font-size", Num(s.size)) + " fill=\"#000\" stroke=\"none\"";
  if (mono) {
    out += Attribute("font-family", "Courier New, Courier, monospace");
    if (s.advance > 0) {
      out += Attribute("textLength", Num(TextWidth(s))) + Attribute("lengthAdjust", "spacingAndGlyphs");
    }
  }
  return out + ">" + SvgEscaped(s.text) + "</text>\n";
}

std::string ShapeElement(const PageShape& s, const std::string& id) {
  switch (s.kind) {
    case PageShape::Kind::Line: return LineElement(s, id);
    case PageShape::Kind::Arc: return ArcElement(s, id);
    case PageShape::Kind::Text: break;
  }
  return TextElement(s, id);
}

// A named group of one shape is that element with the id; of more, a <g>.
std::string GroupElements(const PageGroup& g) {
  if (g.shapes.size() == 1) return ShapeElement(g.shapes.front(), IdOf(g.id));
  std::string out;
  for (const PageShape& s : g.shapes) out += ShapeElement(s, "");
  if (g.id.empty()) return out;
  return "<g" + IdOf(g.id) + ">\n" + out + "</g>\n";
}

}  // namespace

std::string SvgEscaped(std::string_view utf8) {
  std::string out;
  const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.data());
  std::size_t i = 0;
  while (i < utf8.size()) {
    const unsigned char b = bytes[i];
    if (b >= 0x80) {
      const Utf8Sequence seq = ReadUtf8(bytes + i, utf8.size() - i);
      if (seq.status == Utf8Sequence::Status::Valid) {
        out.append(utf8.substr(i, seq.length));
        i += seq.length;
      } else {
        out += '?';
        ++i;
      }
      continue;
    }
    ++i;
    switch (b) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default:
        if (b >= 0x20 && b != 0x7F) out += static_cast<char>(b);
    }
  }
  return out;
}

std::string SvgDocument(const Page& page) {
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\"" +
                    Attribute("version", "1.1") + Attribute("width", Num(page.width) + "mm") +
                    Attribute("height", Num(page.height) + "mm") +
                    Attribute("viewBox", "0 0 " + Num(page.width) + " " + Num(page.height)) + ">\n";
  out += "<title>" + SvgEscaped(page.title) + "</title>\n";
  // Strokes black and 0.1 mm, texts filled black in the sans face.
  out += "<g fill=\"none\" stroke=\"#000\" stroke-width=\"" + Num(kPenWidth) +
         "\" stroke-linecap=\"butt\" font-family=\"Helvetica, Arial, sans-serif\"";
  if (page.scale_x != 1 || page.scale_y != 1) {
    out += Attribute("transform", "scale(" + FixedText(1 / page.scale_x, 8, true) + " " +
                                      FixedText(1 / page.scale_y, 8, true) + ")");
  }
  out += ">\n";
  for (const PageGroup& g : page.groups) out += GroupElements(g);
  return out + "</g>\n</svg>\n";
}

}  // namespace pw
