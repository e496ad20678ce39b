#include "drawing/metafile.h"

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <utility>

#include "base/bit_cast.h"
#include "base/int_convert.h"

namespace pw {

namespace {

// Record types.
constexpr uint32_t kHeader = 1;
constexpr uint32_t kEndOfFile = 14;
constexpr uint32_t kSetMapMode = 17;
constexpr uint32_t kMoveTo = 27;
constexpr uint32_t kSelectObject = 37;
constexpr uint32_t kCreatePen = 38;
constexpr uint32_t kCreateBrush = 39;
constexpr uint32_t kRectangle = 43;
constexpr uint32_t kArc = 45;
constexpr uint32_t kLineTo = 54;
constexpr uint32_t kBitBlt = 76;
constexpr uint32_t kCreateFont = 82;
constexpr uint32_t kTextOut = 84;

constexpr uint32_t kHeaderSize = 108;
constexpr uint32_t kSignature = 0x464D4520u;  // " EMF"
constexpr uint32_t kVersion = 0x10000u;
constexpr uint32_t kPatternCopy = 0x00F00021u;  // raster operation PATCOPY
constexpr uint32_t kTextFixedSize = 76;         // a text record up to its string

// The reference display.
constexpr int32_t kPixelsX = 1024;
constexpr int32_t kPixelsY = 768;
constexpr int32_t kMillimetresX = 271;
constexpr int32_t kMillimetresY = 203;

// The stock font's cell, for text drawn before any font is selected.
constexpr int32_t kStockFontWidth = 8;
constexpr int32_t kStockFontHeight = 16;

// 0.01 mm per page unit, as the reference display works it out in single
// precision: 100 x (millimetres per pixel) / (page units per pixel); the
// vertical one is negative because page y grows upwards.
constexpr float TextScale(int32_t millimetres, int32_t signed_pixels) {
  const int32_t pixels = signed_pixels < 0 ? -signed_pixels : signed_pixels;
  const float mm_per_pixel = static_cast<float>(millimetres) / static_cast<float>(pixels);
  const float units_per_pixel = static_cast<float>(millimetres * 10) / static_cast<float>(signed_pixels);
  return static_cast<float>(100.0 * static_cast<double>(mm_per_pixel) /
                            static_cast<double>(units_per_pixel));
}
constexpr float kTextScaleX = TextScale(kMillimetresX, kPixelsX);   // 10.0
constexpr float kTextScaleY = TextScale(kMillimetresY, -kPixelsY);  // -9.999999

void Put32(std::vector<uint8_t>& b, uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) b.push_back(static_cast<uint8_t>(v >> shift));
}
void PutI32(std::vector<uint8_t>& b, int32_t v) { Put32(b, static_cast<uint32_t>(v)); }
void PutZeros(std::vector<uint8_t>& b, std::size_t n) { b.insert(b.end(), n, 0); }
void Patch32(std::vector<uint8_t>& b, std::size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}
void PutBox(std::vector<uint8_t>& b, int32_t l, int32_t t, int32_t r, int32_t bo) {
  PutI32(b, l);
  PutI32(b, t);
  PutI32(b, r);
  PutI32(b, bo);
}

// A record starts with its type and a size that is patched when it ends.
std::size_t Begin(Metafile& m, uint32_t type) {
  const std::size_t at = m.bytes.size();
  Put32(m.bytes, type);
  Put32(m.bytes, 0);
  return at;
}
void End(Metafile& m, std::size_t at) {
  while (m.bytes.size() % 4 != 0) m.bytes.push_back(0);
  Patch32(m.bytes, at + 4, static_cast<uint32_t>(m.bytes.size() - at));
  ++m.records;
}

// n / d rounded to nearest, halves to even (d > 0).
int32_t RoundedQuotient(int64_t n, int64_t d) {
  int64_t q = n / d;
  int64_t r = n % d;
  if (r < 0) {
    r += d;
    --q;
  }
  if (2 * r > d || (2 * r == d && (q & 1) != 0)) ++q;
  return static_cast<int32_t>(q);
}

// Page units to reference pixels: 1024 pixels per 2710 units across, 768
// per 2030 down (page y grows upwards, pixel y downwards).  No value lies
// on a half, so the exact quotient rounds as the display's own arithmetic.
constexpr int64_t kUnitsX = int64_t{kMillimetresX} * 10;  // page units across the display
constexpr int64_t kUnitsY = int64_t{kMillimetresY} * 10;
int32_t PixelX(int32_t x) { return RoundedQuotient(int64_t{x} * kPixelsX, kUnitsX); }
int32_t PixelY(int32_t y) { return RoundedQuotient(-int64_t{y} * kPixelsY, kUnitsY); }

void AddBounds(Metafile& m, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  const int32_t px1 = PixelX(x1), px2 = PixelX(x2), py1 = PixelY(y1), py2 = PixelY(y2);
  const int32_t box[4] = {px1 < px2 ? px1 : px2, py1 < py2 ? py1 : py2, px1 < px2 ? px2 : px1,
                          py1 < py2 ? py2 : py1};
  for (int i = 0; i < 4; ++i) {
    const bool grows = i < 2 ? box[i] < m.bounds[i] : box[i] > m.bounds[i];
    if (!m.has_bounds || grows) m.bounds[i] = box[i];
  }
  m.has_bounds = true;
}

// Normalised, with right and bottom inclusive.
MetafileBox InclusiveBox(MetafileBox b) {
  return MetafileBox{b.left < b.right ? b.left : b.right, b.top < b.bottom ? b.top : b.bottom,
                     WrapSub(b.left < b.right ? b.right : b.left, 1),
                     WrapSub(b.top < b.bottom ? b.bottom : b.top, 1)};
}

// The font record: index, LOGFONTW (height and width in page units, weight,
// then italic, underline, strike-out, character set 0 ANSI, output
// precision 4 TrueType, clip precision 0, quality 2 proof, pitch and family;
// face "Courier New" in 32 UTF-16 units), then an empty full name (64
// units), style (32 units), version, style size, match, reserved, vendor
// and culture (4 bytes each) and PANOSE all "no fit" (10 bytes, 2 padding).
void PutFont(std::vector<uint8_t>& b, const MetafileObject& f) {
  PutI32(b, f.font_height);
  PutI32(b, f.font_width);
  PutI32(b, 0);  // escapement, tenths of a degree
  PutI32(b, 0);  // orientation, tenths of a degree
  PutI32(b, f.font_weight);
  for (const uint8_t v : {0, 0, 0, 0, 4, 0, 2}) b.push_back(v);
  b.push_back(f.font_pitch_family);
  constexpr std::string_view kFace = "Courier New";
  for (std::size_t i = 0; i < 32; ++i) {
    b.push_back(i < kFace.size() ? static_cast<uint8_t>(kFace[i]) : 0);
    b.push_back(0);
  }
  PutZeros(b, 128 + 64 + 4 * 6);
  b.insert(b.end(), 10, 1);
  PutZeros(b, 2);
}

// The object's index, writing its create record first when it has none.
uint32_t ObjectIndex(Metafile& m, const MetafileObject& o) {
  // Objects are never deleted, so the lowest free index is the next one.
  const auto found = std::find(m.slots.begin(), m.slots.end(), o.id);
  if (found != m.slots.end()) return static_cast<uint32_t>(found - m.slots.begin() + 1);
  m.slots.push_back(o.id);
  const auto index = static_cast<uint32_t>(m.slots.size());
  const uint32_t types[] = {kCreatePen, kCreateBrush, kCreateFont};
  const std::size_t at = Begin(m, types[static_cast<int>(o.kind)]);
  Put32(m.bytes, index);
  if (o.kind == MetafileObject::Kind::Pen) {
    PutI32(m.bytes, 0);             // style: solid
    PutI32(m.bytes, o.pen_width);   // width, page units (x)
    PutI32(m.bytes, 0);             // (y, unused)
    Put32(m.bytes, o.colour);
  } else if (o.kind == MetafileObject::Kind::Brush) {
    Put32(m.bytes, 0);              // style: solid
    Put32(m.bytes, o.colour);
    Put32(m.bytes, 0);              // hatch
  } else {
    PutFont(m.bytes, o);
  }
  End(m, at);
  return index;
}

void RecordSelectIndex(Metafile& m, uint32_t index) {
  const std::size_t at = Begin(m, kSelectObject);
  Put32(m.bytes, index);  // object index, or a stock object with bit 31 set
  End(m, at);
}

void RecordPoint(Metafile& m, uint32_t type, MetafilePoint p) {
  const std::size_t at = Begin(m, type);
  PutI32(m.bytes, p.x);  // page units
  PutI32(m.bytes, p.y);
  End(m, at);
}

}  // namespace

Metafile BeginMetafile(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  Metafile m;
  m.bytes.assign(kHeaderSize, 0);
  m.frame[0] = left;
  m.frame[1] = top;
  m.frame[2] = right;
  m.frame[3] = bottom;
  return m;
}

void RecordSetMapMode(Metafile& m, uint32_t mode) {
  const std::size_t at = Begin(m, kSetMapMode);
  Put32(m.bytes, mode);
  End(m, at);
}

void RecordSelect(Metafile& m, const MetafileObject& object) {
  RecordSelectIndex(m, ObjectIndex(m, object));
  if (object.kind == MetafileObject::Kind::Brush) m.brush = object;
  if (object.kind == MetafileObject::Kind::Font) m.font = object;
}

void RecordSelectStock(Metafile& m, StockObject object) {
  RecordSelectIndex(m, static_cast<uint32_t>(object));
  if (object == StockObject::WhiteBrush) m.brush = MetafileObject{};
  if (object == StockObject::SystemFont) m.font = MetafileObject{};
}

void RecordFillRect(Metafile& m, MetafileBox box, const MetafileObject& brush) {
  const MetafileObject before = m.brush;
  RecordSelect(m, brush);
  const MetafileBox b = InclusiveBox(box);
  const std::size_t at = Begin(m, kBitBlt);
  PutBox(m.bytes, b.left, b.top, b.right, b.bottom);  // bounds, page units
  PutI32(m.bytes, box.left);                          // destination x, y, width, height
  PutI32(m.bytes, box.top);
  PutI32(m.bytes, WrapSub(box.right, box.left));
  PutI32(m.bytes, WrapSub(box.bottom, box.top));
  Put32(m.bytes, kPatternCopy);
  PutZeros(m.bytes, 8);                               // source x, y
  for (const float f : {1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f}) {
    Put32(m.bytes, BitCast<uint32_t>(f));            // source transform: identity
  }
  PutZeros(m.bytes, 8 + 16);                          // background, usage; no bitmap
  End(m, at);
  AddBounds(m, b.left, b.top, b.right, b.bottom);
  if (before.id != 0) {
    RecordSelect(m, before);
  } else {
    RecordSelectStock(m, StockObject::WhiteBrush);
  }
}

void RecordRectangle(Metafile& m, MetafileBox box) {
  const MetafileBox b = InclusiveBox(box);
  const std::size_t at = Begin(m, kRectangle);
  PutBox(m.bytes, b.left, b.top, b.right, b.bottom);  // page units
  End(m, at);
  AddBounds(m, b.left, b.top, b.right, b.bottom);
}

void RecordArc(Metafile& m, MetafileBox box, MetafilePoint start, MetafilePoint end) {
  const MetafileBox b = InclusiveBox(box);
  const std::size_t at = Begin(m, kArc);
  PutBox(m.bytes, b.left, b.top, b.right, b.bottom);  // page units
  PutI32(m.bytes, start.x);
  PutI32(m.bytes, start.y);
  PutI32(m.bytes, end.x);
  PutI32(m.bytes, end.y);
  End(m, at);
  AddBounds(m, b.left, b.top, b.right, b.bottom);
}

void RecordLine(Metafile& m, MetafilePoint from, MetafilePoint to) {
  RecordPoint(m, kMoveTo, from);
  RecordPoint(m, kLineTo, to);
  AddBounds(m, from.x, from.y, to.x, to.y);
}

void RecordText(Metafile& m, MetafilePoint at_point, std::string_view text) {
  if (text.empty()) return;
  // One character cell: the font's width in whole reference pixels (at
  // least one), converted back to page units.
  const bool stock = m.font.id == 0;
  const int32_t height = stock ? kStockFontHeight : m.font.font_height;
  const int32_t width = stock ? kStockFontWidth : m.font.font_width;
  const int64_t pixels = std::max<int64_t>(1, int64_t{width} * kPixelsX / kUnitsX);
  const int32_t advance = RoundedQuotient(pixels * kUnitsX, kPixelsX);
  const auto n = static_cast<uint32_t>(text.size());
  const int32_t extent = WrapMul(advance, static_cast<int32_t>(n));
  const int32_t right = WrapAdd(WrapAdd(at_point.x, extent), 1);
  const int32_t bottom = WrapAdd(at_point.y, height);
  const uint32_t string_bytes = (2 * n + 3) / 4 * 4;

  const std::size_t at = Begin(m, kTextOut);
  PutBox(m.bytes, at_point.x, at_point.y, right, bottom);  // bounds, page units
  Put32(m.bytes, 1);                                       // graphics mode: compatible
  Put32(m.bytes, BitCast<uint32_t>(kTextScaleX));    // 0.01 mm per page unit
  Put32(m.bytes, BitCast<uint32_t>(kTextScaleY));
  PutI32(m.bytes, at_point.x);                             // reference point, page units
  PutI32(m.bytes, at_point.y);
  Put32(m.bytes, n);                                       // characters
  Put32(m.bytes, kTextFixedSize);                          // where the string starts
  Put32(m.bytes, 0);                                       // options: none
  PutBox(m.bytes, 0, 0, -1, -1);                           // no clipping rectangle
  Put32(m.bytes, kTextFixedSize + string_bytes);           // where the advances start
  for (const char c : text) {
    m.bytes.push_back(static_cast<uint8_t>(c));            // UTF-16, little-endian
    m.bytes.push_back(0);
  }
  PutZeros(m.bytes, string_bytes - 2 * n);
  for (uint32_t i = 0; i < n; ++i) PutI32(m.bytes, advance);  // page units each
  End(m, at);
  AddBounds(m, at_point.x, at_point.y, right, bottom);
}

std::vector<uint8_t> FinishMetafile(Metafile& m) {
  const std::size_t eof = Begin(m, kEndOfFile);
  Put32(m.bytes, 0);   // palette entries
  Put32(m.bytes, 16);  // where they would start
  Put32(m.bytes, 20);  // this record's size again
  End(m, eof);

  std::vector<uint8_t> h;
  Put32(h, kHeader);
  Put32(h, kHeaderSize);
  if (m.has_bounds) {
    PutBox(h, m.bounds[0], m.bounds[1], m.bounds[2], m.bounds[3]);  // reference pixels
  } else {
    PutBox(h, 0, 0, -1, -1);
  }
  PutBox(h, m.frame[0], m.frame[1], m.frame[2], m.frame[3]);  // 0.01 mm
  Put32(h, kSignature);
  Put32(h, kVersion);
  Put32(h, static_cast<uint32_t>(m.bytes.size()));      // file size, bytes
  Put32(h, m.records);                                  // records, header included
  Put32(h, static_cast<uint32_t>(m.slots.size() + 1));  // object indices + 1; reserved 0
  PutZeros(h, 12);                                      // no description, no palette
  PutI32(h, kPixelsX);                                  // reference display, pixels
  PutI32(h, kPixelsY);
  PutI32(h, kMillimetresX);                             // ... millimetres
  PutI32(h, kMillimetresY);
  PutZeros(h, 12);                                      // no pixel format, no OpenGL
  PutI32(h, kMillimetresX * 1000);                      // ... micrometres
  PutI32(h, kMillimetresY * 1000);
  std::copy(h.begin(), h.end(), m.bytes.begin());
  return std::move(m.bytes);
}

}  // namespace pw
