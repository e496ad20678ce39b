#include "drawing/metafile.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/int_convert.h"

namespace pw {

namespace {

constexpr uint32_t kStockBit = 0x80000000u;
constexpr uint32_t kHeaderSize = 108;
constexpr uint32_t kEmfSignature = 0x464D4520u;  // " EMF"
constexpr uint32_t kEmfVersion = 0x10000u;
constexpr uint32_t kPatCopy = 0x00F00021u;
constexpr uint32_t kTextRecordFixed = 76;        // up to the string
constexpr int kDefaultMapMode = MM_TEXT;

// Little-endian writers into a byte vector.
void Put32(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
  b.push_back(static_cast<uint8_t>(v >> 16));
  b.push_back(static_cast<uint8_t>(v >> 24));
}
void PutI32(std::vector<uint8_t>& b, int32_t v) { Put32(b, static_cast<uint32_t>(v)); }
void PutFloat(std::vector<uint8_t>& b, float f) {
  uint32_t v;
  std::memcpy(&v, &f, sizeof v);
  Put32(b, v);
}
void Patch32(std::vector<uint8_t>& b, std::size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
  b[at + 2] = static_cast<uint8_t>(v >> 16);
  b[at + 3] = static_cast<uint8_t>(v >> 24);
}
void PutZeros(std::vector<uint8_t>& b, std::size_t n) { b.insert(b.end(), n, 0); }

MetafileContext* OpenContext(EmfRecorder& g, HDC dc) {
  if (dc.value <= 0 || static_cast<std::size_t>(dc.value) > g.contexts.size()) return nullptr;
  MetafileContext& c = g.contexts[static_cast<std::size_t>(dc.value) - 1];
  return c.open ? &c : nullptr;
}

GdiObjectData* LiveObject(EmfRecorder& g, HGDIOBJ h) {
  if (h.value == 0 || (h.value & kStockBit) || h.value > g.objects.size()) return nullptr;
  GdiObjectData& o = g.objects[h.value - 1];
  return o.live ? &o : nullptr;
}

// The kind of a stock object, by its stock number.
bool StockKind(uint32_t number, GdiKind* kind) {
  if (number <= 5) { *kind = GdiKind::Brush; return true; }
  if (number >= 6 && number <= 8) { *kind = GdiKind::Pen; return true; }
  if ((number >= 10 && number <= 14) || number == 16 || number == 17) {
    *kind = GdiKind::Font;
    return true;
  }
  if (number == 18) { *kind = GdiKind::Brush; return true; }
  if (number == 19) { *kind = GdiKind::Pen; return true; }
  return false;
}

// Record frame: type, then a size patched when the record ends.
std::size_t BeginRecord(MetafileContext& c, uint32_t type) {
  const std::size_t at = c.bytes.size();
  Put32(c.bytes, type);
  Put32(c.bytes, 0);
  return at;
}
void EndRecord(MetafileContext& c, std::size_t at) {
  while (c.bytes.size() % 4 != 0) c.bytes.push_back(0);
  Patch32(c.bytes, at + 4, static_cast<uint32_t>(c.bytes.size() - at));
  ++c.records;
}

void PutRect(std::vector<uint8_t>& b, int32_t l, int32_t t, int32_t r, int32_t bo) {
  PutI32(b, l);
  PutI32(b, t);
  PutI32(b, r);
  PutI32(b, bo);
}

// Page units per millimetre for the fixed-scale map modes; 0 for the modes
// whose page unit is one device pixel (the extents start out 1:1).
Extended UnitsPerMillimetre(int mode) {
  const Extended inch = Extended(254) / 10;  // 25.4 mm, rounded once
  switch (mode) {
    case MM_LOMETRIC: return 10;
    case MM_HIMETRIC: return 100;
    case MM_LOENGLISH: return 100 / inch;
    case MM_HIENGLISH: return 1000 / inch;
    case MM_TWIPS: return 1440 / inch;
    default: return 0;
  }
}

// Device pixels per page unit, signed: y grows upwards in the metric and
// English modes, downwards in device space.
Extended PixelsPerUnitX(int mode) {
  const Extended u = UnitsPerMillimetre(mode);
  if (u == 0) return 1;
  return static_cast<Extended>(kReferencePixelsX) / (kReferenceMillimetresX * u);
}
Extended PixelsPerUnitY(int mode) {
  const Extended u = UnitsPerMillimetre(mode);
  if (u == 0) return 1;
  return -static_cast<Extended>(kReferencePixelsY) / (kReferenceMillimetresY * u);
}

// Adds a page-unit box (any corner order) to the drawing's device bounds.
void AddBounds(MetafileContext& c, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  const Extended sx = PixelsPerUnitX(c.map_mode);
  const Extended sy = PixelsPerUnitY(c.map_mode);
  // |page| * scale stays well inside 32 bits, so the rounding always fits.
  const int32_t dx1 = RoundToInt32(x1 * sx), dx2 = RoundToInt32(x2 * sx);
  const int32_t dy1 = RoundToInt32(y1 * sy), dy2 = RoundToInt32(y2 * sy);
  const int32_t l = std::min(dx1, dx2), r = std::max(dx1, dx2);
  const int32_t t = std::min(dy1, dy2), b = std::max(dy1, dy2);
  if (!c.has_bounds) {
    c.has_bounds = true;
    c.bounds_left = l;
    c.bounds_top = t;
    c.bounds_right = r;
    c.bounds_bottom = b;
    return;
  }
  c.bounds_left = std::min(c.bounds_left, l);
  c.bounds_top = std::min(c.bounds_top, t);
  c.bounds_right = std::max(c.bounds_right, r);
  c.bounds_bottom = std::max(c.bounds_bottom, b);
}

// The text scale factors: 0.01 mm per page unit, as single-precision values
// formed from the device's millimetres per pixel and page units per pixel.
float TextScale(int mode, bool vertical) {
  const int32_t mm = vertical ? kReferenceMillimetresY : kReferenceMillimetresX;
  const int32_t px = vertical ? kReferencePixelsY : kReferencePixelsX;
  const float mm_per_px = static_cast<float>(mm) / static_cast<float>(px);
  const Extended u = UnitsPerMillimetre(mode);
  float units_per_px = 1.0f;
  if (u != 0) {
    units_per_px = ToFloat(mm * u) / static_cast<float>(vertical ? -px : px);
  }
  return static_cast<float>(100.0 * static_cast<double>(mm_per_px) /
                            static_cast<double>(units_per_px));
}

// Advance of one character cell in page units: the font's width on the
// device in whole pixels (at least one), converted back to page units.
int32_t CellAdvance(const EmfRecorder& g, const MetafileContext& c, int32_t* height) {
  int32_t width = 0;
  int32_t h = 16;
  const uint32_t f = c.font.value;
  if (f != 0 && !(f & kStockBit) && f <= g.objects.size()) {
    const LogFont& lf = g.objects[f - 1].font;
    h = lf.height == INT32_MIN ? INT32_MAX : std::abs(lf.height);
    width = lf.width == INT32_MIN ? INT32_MAX : std::abs(lf.width);
    if (width == 0) width = h / 2;
  } else {
    width = 8;
  }
  const Extended sx = Fabs(PixelsPerUnitX(c.map_mode));
  Extended pixels = Floor(width * sx);
  if (pixels < 1) pixels = 1;
  *height = h;
  const int32_t advance = RoundToInt32(pixels / sx);
  return advance == INT32_MIN ? 1 : advance;
}

// Gives the object's index in this metafile, writing its create record
// first when it has none yet.
uint32_t ObjectIndex(MetafileContext& c, HGDIOBJ h, const GdiObjectData& o) {
  for (std::size_t i = 0; i < c.slots.size(); ++i) {
    if (c.slots[i] == h.value) return static_cast<uint32_t>(i + 1);
  }
  std::size_t slot = c.slots.size();
  for (std::size_t i = 0; i < c.slots.size(); ++i) {
    if (c.slots[i] == 0) { slot = i; break; }
  }
  if (slot == c.slots.size()) c.slots.push_back(0);
  c.slots[slot] = h.value;
  const uint32_t index = static_cast<uint32_t>(slot + 1);
  std::size_t at = 0;
  switch (o.kind) {
    case GdiKind::Pen:
      at = BeginRecord(c, EMR_CREATEPEN);
      Put32(c.bytes, index);
      PutI32(c.bytes, o.pen_style);
      PutI32(c.bytes, o.pen_width);
      PutI32(c.bytes, 0);
      Put32(c.bytes, o.colour);
      break;
    case GdiKind::Brush:
      at = BeginRecord(c, EMR_CREATEBRUSHINDIRECT);
      Put32(c.bytes, index);
      Put32(c.bytes, 0);  // BS_SOLID
      Put32(c.bytes, o.colour);
      Put32(c.bytes, 0);  // hatch
      break;
    case GdiKind::Font: {
      at = BeginRecord(c, EMR_EXTCREATEFONTINDIRECTW);
      Put32(c.bytes, index);
      const LogFont& lf = o.font;
      PutI32(c.bytes, lf.height);
      PutI32(c.bytes, lf.width);
      PutI32(c.bytes, lf.escapement);
      PutI32(c.bytes, lf.orientation);
      PutI32(c.bytes, lf.weight);
      for (uint8_t v : {lf.italic, lf.underline, lf.strike_out, lf.char_set, lf.out_precision,
                        lf.clip_precision, lf.quality, lf.pitch_and_family}) {
        c.bytes.push_back(v);
      }
      for (std::size_t i = 0; i < 32; ++i) {  // face name, UTF-16, zero-filled
        const unsigned ch = i < lf.face.size() ? static_cast<unsigned char>(lf.face[i]) : 0u;
        c.bytes.push_back(static_cast<uint8_t>(ch));
        c.bytes.push_back(0);
      }
      PutZeros(c.bytes, 128 + 64 + 16 + 4 + 4);  // full name, style, version..culture
      c.bytes.insert(c.bytes.end(), 10, 1);      // PANOSE: no fit
      PutZeros(c.bytes, 2);
      break;
    }
  }
  EndRecord(c, at);
  return index;
}

// A byte of the Western ANSI code page as a UTF-16 unit: Latin-1, except
// for the printable characters placed in 0x80..0x9F.
char16_t AnsiToUtf16(unsigned char b) {
  static constexpr char16_t kHigh[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  if (b >= 0x80 && b <= 0x9F) return kHigh[b - 0x80];
  return static_cast<char16_t>(b);
}

void RecordSelect(MetafileContext& c, uint32_t index) {
  const std::size_t at = BeginRecord(c, EMR_SELECTOBJECT);
  Put32(c.bytes, index);
  EndRecord(c, at);
}

void RecordPoint(MetafileContext& c, uint32_t type, int32_t x, int32_t y) {
  const std::size_t at = BeginRecord(c, type);
  PutI32(c.bytes, x);
  PutI32(c.bytes, y);
  EndRecord(c, at);
}

// A box as the recorder keeps it: normalised, right and bottom inclusive.
RECT InclusiveBox(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  RECT r;
  r.left = std::min(left, right);
  r.right = WrapSub(std::max(left, right), 1);
  r.top = std::min(top, bottom);
  r.bottom = WrapSub(std::max(top, bottom), 1);
  return r;
}

void WriteHeader(MetafileContext& c, uint32_t handles) {
  std::vector<uint8_t> h;
  Put32(h, EMR_HEADER);
  Put32(h, kHeaderSize);
  if (c.has_bounds) {
    PutRect(h, c.bounds_left, c.bounds_top, c.bounds_right, c.bounds_bottom);
  } else {
    PutRect(h, 0, 0, -1, -1);
  }
  RECT frame = c.frame;
  if (!c.frame_given) {
    // The bounds in 0.01 mm when no frame was given.
    const Extended kx = Extended(100) * kReferenceMillimetresX / kReferencePixelsX;
    const Extended ky = Extended(100) * kReferenceMillimetresY / kReferencePixelsY;
    if (c.has_bounds) {
      frame = RECT{RoundToInt32(c.bounds_left * kx), RoundToInt32(c.bounds_top * ky),
                   RoundToInt32(c.bounds_right * kx), RoundToInt32(c.bounds_bottom * ky)};
    } else {
      frame = RECT{0, 0, -1, -1};
    }
  }
  PutRect(h, frame.left, frame.top, frame.right, frame.bottom);
  Put32(h, kEmfSignature);
  Put32(h, kEmfVersion);
  Put32(h, static_cast<uint32_t>(c.bytes.size()));  // nBytes
  Put32(h, c.records);                                // nRecords
  h.push_back(static_cast<uint8_t>(handles));         // nHandles (16 bits)
  h.push_back(static_cast<uint8_t>(handles >> 8));
  h.push_back(0);                                     // sReserved
  h.push_back(0);
  Put32(h, 0);  // nDescription
  Put32(h, 0);  // offDescription
  Put32(h, 0);  // nPalEntries
  PutI32(h, kReferencePixelsX);
  PutI32(h, kReferencePixelsY);
  PutI32(h, kReferenceMillimetresX);
  PutI32(h, kReferenceMillimetresY);
  Put32(h, 0);  // cbPixelFormat
  Put32(h, 0);  // offPixelFormat
  Put32(h, 0);  // bOpenGL
  PutI32(h, kReferenceMillimetresX * 1000);
  PutI32(h, kReferenceMillimetresY * 1000);
  std::copy(h.begin(), h.end(), c.bytes.begin());
}

// Writes all of `bytes` to fd, retrying after interruptions and short writes.
int WriteAll(int fd, const std::vector<uint8_t>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return EIO;
    done += static_cast<std::size_t>(n);
  }
  return 0;
}

}  // namespace

int WriteFileWhole(const std::string& path, const std::vector<uint8_t>& bytes) {
  const std::size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string temp = dir + base + ".XXXXXX";
  std::vector<char> name(temp.begin(), temp.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());
  if (fd < 0) return errno;
  temp.assign(name.data());
  // mkstemp makes the file private; give it the mode a newly created file
  // would have.
  const mode_t mask = umask(0);
  umask(mask);
  int err = 0;
  if (fchmod(fd, 0666 & ~mask) != 0) err = errno;
  if (err == 0) err = WriteAll(fd, bytes);
  if (err == 0 && fsync(fd) != 0) err = errno;
  if (close(fd) != 0 && err == 0) err = errno;
  if (err == 0 && rename(temp.c_str(), path.c_str()) != 0) err = errno;
  if (err != 0) {
    unlink(temp.c_str());
    return err;
  }
  // Make the rename itself durable; a failure here does not undo the file.
  const int dfd = open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY);
  if (dfd >= 0) {
    fsync(dfd);
    close(dfd);
  }
  return 0;
}

HGDIOBJ GetStockObject(int stock) {
  GdiKind kind;
  if (stock < 0 || !StockKind(static_cast<uint32_t>(stock), &kind)) return HGDIOBJ{};
  return HGDIOBJ{kStockBit | static_cast<uint32_t>(stock)};
}

HPEN CreatePen(EmfRecorder& g, int style, int width, COLORREF colour) {
  GdiObjectData o;
  o.kind = GdiKind::Pen;
  o.pen_style = style;
  o.pen_width = width;
  o.colour = colour;
  g.objects.push_back(o);
  return HPEN{static_cast<uint32_t>(g.objects.size())};
}

HBRUSH CreateSolidBrush(EmfRecorder& g, COLORREF colour) {
  GdiObjectData o;
  o.kind = GdiKind::Brush;
  o.colour = colour;
  g.objects.push_back(o);
  return HBRUSH{static_cast<uint32_t>(g.objects.size())};
}

HFONT CreateFontA(EmfRecorder& g, int height, int width, int escapement, int orientation,
                  int weight, unsigned italic, unsigned underline, unsigned strike_out,
                  unsigned char_set, unsigned out_precision, unsigned clip_precision,
                  unsigned quality, unsigned pitch_and_family, const char* face) {
  GdiObjectData o;
  o.kind = GdiKind::Font;
  LogFont& lf = o.font;
  lf.height = height;
  lf.width = width;
  lf.escapement = escapement;
  lf.orientation = orientation;
  lf.weight = weight;
  lf.italic = static_cast<uint8_t>(italic);
  lf.underline = static_cast<uint8_t>(underline);
  lf.strike_out = static_cast<uint8_t>(strike_out);
  lf.char_set = static_cast<uint8_t>(char_set);
  lf.out_precision = static_cast<uint8_t>(out_precision);
  lf.clip_precision = static_cast<uint8_t>(clip_precision);
  lf.quality = static_cast<uint8_t>(quality);
  lf.pitch_and_family = static_cast<uint8_t>(pitch_and_family);
  if (face != nullptr) lf.face.assign(face, strnlen(face, 31));
  g.objects.push_back(o);
  return HFONT{static_cast<uint32_t>(g.objects.size())};
}

HDC CreateEnhMetaFileA(EmfRecorder& g, HDC reference, const char* file, const RECT* frame,
                       const char* /*description*/) {
  if (reference.value != 0) return HDC{};
  MetafileContext c;
  c.open = true;
  c.to_disc = file != nullptr;
  if (file != nullptr) c.file = file;
  if (frame != nullptr) {
    c.frame = *frame;
    c.frame_given = true;
  }
  c.bytes.assign(kHeaderSize, 0);
  c.records = 1;
  c.map_mode = kDefaultMapMode;
  g.contexts.push_back(std::move(c));
  return HDC{static_cast<int32_t>(g.contexts.size())};
}

int SetMapMode(EmfRecorder& g, HDC dc, int mode) {
  MetafileContext* c = OpenContext(g, dc);
  if (c == nullptr || mode < MM_TEXT || mode > MM_ANISOTROPIC) return 0;
  const int previous = c->map_mode;
  const std::size_t at = BeginRecord(*c, EMR_SETMAPMODE);
  Put32(c->bytes, static_cast<uint32_t>(mode));
  EndRecord(*c, at);
  c->map_mode = mode;
  return previous;
}

HGDIOBJ SelectObject(EmfRecorder& g, HDC dc, HGDIOBJ object) {
  MetafileContext* c = OpenContext(g, dc);
  if (c == nullptr) return HGDIOBJ{};
  GdiKind kind;
  uint32_t index = 0;
  if (object.value & kStockBit) {
    if (!StockKind(object.value & ~kStockBit, &kind)) return HGDIOBJ{};
    index = object.value;
  } else {
    const GdiObjectData* o = LiveObject(g, object);
    if (o == nullptr) return HGDIOBJ{};
    kind = o->kind;
    index = ObjectIndex(*c, object, *o);
  }
  RecordSelect(*c, index);
  HGDIOBJ* current = kind == GdiKind::Pen ? &c->pen : kind == GdiKind::Brush ? &c->brush : &c->font;
  const HGDIOBJ previous = *current;
  *current = object;
  return previous;
}

int FillRect(EmfRecorder& g, HDC dc, const RECT* rect, HBRUSH brush) {
  MetafileContext* c = OpenContext(g, dc);
  if (c == nullptr || rect == nullptr) return 0;
  const HGDIOBJ previous = SelectObject(g, dc, brush);
  if (previous.value == 0) return 0;
  const int32_t cx = WrapSub(rect->right, rect->left);
  const int32_t cy = WrapSub(rect->bottom, rect->top);
  const RECT box = InclusiveBox(rect->left, rect->top, rect->right, rect->bottom);
  const std::size_t at = BeginRecord(*c, EMR_BITBLT);
  PutRect(c->bytes, box.left, box.top, box.right, box.bottom);
  PutI32(c->bytes, rect->left);
  PutI32(c->bytes, rect->top);
  PutI32(c->bytes, cx);
  PutI32(c->bytes, cy);
  Put32(c->bytes, kPatCopy);
  PutI32(c->bytes, 0);  // xSrc
  PutI32(c->bytes, 0);  // ySrc
  for (float f : {1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f}) PutFloat(c->bytes, f);
  Put32(c->bytes, 0);   // crBkColorSrc
  Put32(c->bytes, 0);   // iUsageSrc
  PutZeros(c->bytes, 16);  // no source bitmap
  EndRecord(*c, at);
  AddBounds(*c, box.left, box.top, box.right, box.bottom);
  SelectObject(g, dc, previous);
  return 1;
}

bool Rectangle(EmfRecorder& g, HDC dc, int left, int top, int right, int bottom) {
  MetafileContext* c = OpenContext(g, dc);
  if (c == nullptr) return false;
  const RECT box = InclusiveBox(left, top, right, bottom);
  const std::size_t at = BeginRecord(*c, EMR_RECTANGLE);
  PutRect(c->bytes, box.left, box.top, box.right, box.bottom);
  EndRecord(*c, at);
  AddBounds(*c, box.left, box.top, box.right, box.bottom);
  return true;
}

bool Arc(EmfRecorder& g, HDC dc, int left, int top, int right, int bottom, int x_start,
         int y_start, int x_end, int y_end) {
  MetafileContext* c = OpenContext(g, dc);
  if (c == nullptr) return false;
  const RECT box = InclusiveBox(left, top, right, bottom);
  const std::size_t at = BeginRecord(*c, EMR_ARC);
  PutRect(c->bytes, box.left, box.top, box.right, box.bottom);
  PutI32(c->bytes, x_start);
  PutI32(c->bytes, y_start);
  PutI32(c->bytes, x_end);
  PutI32(c->bytes, y_end);
  EndRecord(*c, at);
  AddBounds(*c, box.left, box.top, box.right, box.bottom);
  return true;
}

bool MoveToEx(EmfRecorder& g, HDC dc, int x, int y, POINT* previous) {
  MetafileContext* c = OpenContext(g, dc);
  if (c == nullptr) return false;
  if (previous != nullptr) *previous = c->position;
  RecordPoint(*c, EMR_MOVETOEX, x, y);
  c->position = POINT{x, y};
  return true;
}

bool LineTo(EmfRecorder& g, HDC dc, int x, int y) {
  MetafileContext* c = OpenContext(g, dc);
  if (c == nullptr) return false;
  RecordPoint(*c, EMR_LINETO, x, y);
  AddBounds(*c, c->position.x, c->position.y, x, y);
  c->position = POINT{x, y};
  return true;
}

bool TextOutA(EmfRecorder& g, HDC dc, int x, int y, const char* text, int count) {
  MetafileContext* c = OpenContext(g, dc);
  if (c == nullptr || text == nullptr || count < 0) return false;
  if (count == 0) return true;
  int32_t height = 0;
  const int32_t advance = CellAdvance(g, *c, &height);
  const uint32_t n = static_cast<uint32_t>(count);
  const uint32_t string_bytes = (2 * n + 3) / 4 * 4;
  const uint32_t off_dx = kTextRecordFixed + string_bytes;
  // Bounds in page units as the reference recorder writes them: from the
  // reference point across the advances, one cell height in y.
  int32_t extent = 0;
  for (uint32_t i = 0; i < n; ++i) extent = WrapAdd(extent, advance);
  const int32_t right = WrapAdd(WrapAdd(x, extent), 1);
  const int32_t bottom = WrapAdd(y, height);
  const std::size_t at = BeginRecord(*c, EMR_EXTTEXTOUTW);
  PutRect(c->bytes, x, y, right, bottom);
  Put32(c->bytes, 1);  // GM_COMPATIBLE
  PutFloat(c->bytes, TextScale(c->map_mode, false));
  PutFloat(c->bytes, TextScale(c->map_mode, true));
  PutI32(c->bytes, x);
  PutI32(c->bytes, y);
  Put32(c->bytes, n);
  Put32(c->bytes, kTextRecordFixed);  // offString
  Put32(c->bytes, 0);                 // options
  PutRect(c->bytes, 0, 0, -1, -1);    // no clipping rectangle
  Put32(c->bytes, off_dx);
  for (uint32_t i = 0; i < n; ++i) {
    const char16_t u = AnsiToUtf16(static_cast<unsigned char>(text[i]));
    c->bytes.push_back(static_cast<uint8_t>(u));
    c->bytes.push_back(static_cast<uint8_t>(u >> 8));
  }
  PutZeros(c->bytes, string_bytes - 2 * n);
  for (uint32_t i = 0; i < n; ++i) PutI32(c->bytes, advance);
  EndRecord(*c, at);
  AddBounds(*c, x, y, right, bottom);
  return true;
}

HENHMETAFILE CloseEnhMetaFile(EmfRecorder& g, HDC dc) {
  MetafileContext* c = OpenContext(g, dc);
  if (c == nullptr) return HENHMETAFILE{};
  const std::size_t at = BeginRecord(*c, EMR_EOF);
  Put32(c->bytes, 0);   // nPalEntries
  Put32(c->bytes, 16);  // offPalEntries
  Put32(c->bytes, 20);  // nSizeLast
  EndRecord(*c, at);
  WriteHeader(*c, static_cast<uint32_t>(c->slots.size() + 1));
  c->open = false;
  FinishedMetafile done;
  done.live = true;
  done.bytes = std::move(c->bytes);
  c->bytes.clear();
  c->slots.clear();
  if (c->to_disc) {
    const int err = WriteFileWhole(c->file, done.bytes);
    g.last_error = err;
    if (err != 0) return HENHMETAFILE{};
  } else {
    g.last_error = 0;
  }
  g.metafiles.push_back(std::move(done));
  return HENHMETAFILE{static_cast<int32_t>(g.metafiles.size())};
}

bool DeleteEnhMetaFile(EmfRecorder& g, HENHMETAFILE metafile) {
  if (metafile.value <= 0 || static_cast<std::size_t>(metafile.value) > g.metafiles.size()) {
    return false;
  }
  FinishedMetafile& m = g.metafiles[static_cast<std::size_t>(metafile.value) - 1];
  if (!m.live) return false;
  m.live = false;
  m.bytes.clear();
  m.bytes.shrink_to_fit();
  return true;
}

bool DeleteObject(EmfRecorder& g, HGDIOBJ object) {
  if (object.value & kStockBit) return true;  // stock objects are never deleted
  GdiObjectData* o = LiveObject(g, object);
  if (o == nullptr) return false;
  // An open metafile that holds the object records its deletion and frees
  // the index.
  for (MetafileContext& c : g.contexts) {
    if (!c.open) continue;
    for (std::size_t i = 0; i < c.slots.size(); ++i) {
      if (c.slots[i] != object.value) continue;
      const std::size_t at = BeginRecord(c, EMR_DELETEOBJECT);
      Put32(c.bytes, static_cast<uint32_t>(i + 1));
      EndRecord(c, at);
      c.slots[i] = 0;
    }
  }
  o->live = false;
  return true;
}

const std::vector<uint8_t>* EnhMetaFileBytes(const EmfRecorder& g, HENHMETAFILE metafile) {
  if (metafile.value <= 0 || static_cast<std::size_t>(metafile.value) > g.metafiles.size()) {
    return nullptr;
  }
  const FinishedMetafile& m = g.metafiles[static_cast<std::size_t>(metafile.value) - 1];
  return m.live ? &m.bytes : nullptr;
}

}  // namespace pw
