// A small enhanced-metafile recorder standing in for the platform's graphics
// interface.  It offers the drawing operations the protractor uses, under
// their platform names and with their platform arguments, and records them
// as an EMF recorder does:
//
// - pens, brushes and fonts are recorded lazily: creating one records
//   nothing; its create record comes at its first selection into the
//   metafile, and it gets the lowest free object index there;
// - FillRect is a select of the brush, a PATCOPY blit and a select of the
//   previous brush;
// - Rectangle and Arc boxes are normalised (left <= right, top <= bottom) and
//   made inclusive (1 taken off right and bottom);
// - TextOutA becomes EMR_EXTTEXTOUTW with one advance per character;
// - the objects current when the context was made are stock objects, which
//   restores select by their stock handles;
// - nothing is recorded after CloseEnhMetaFile.
//
// The whole file is built in memory.  CloseEnhMetaFile writes it to a
// temporary file beside the target, flushes it to disc and renames it over
// the target, so the target is either the complete new drawing or left as it
// was; on failure the temporary file is removed and the error number is kept
// in EmfRecorder::last_error.
//
// Device-dependent values come from one fixed reference device:
// kReferencePixels by kReferenceMillimetres (a 1024 x 768 pixel display of
// 271 x 203 mm).  Header bounds are in its pixels; record bounds are in page
// units; text advances are whole device pixels converted back to page units.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pw {

// Handles.  0 is the null handle.  Stock objects have bit 31 set and carry
// their stock number in the low bits, as the metafile records them.
struct HGDIOBJ {
  uint32_t value = 0;
  friend bool operator==(const HGDIOBJ&, const HGDIOBJ&) = default;
};
using HPEN = HGDIOBJ;
using HBRUSH = HGDIOBJ;
using HFONT = HGDIOBJ;

struct HDC {
  int32_t value = 0;
  friend bool operator==(const HDC&, const HDC&) = default;
};
struct HENHMETAFILE {
  int32_t value = 0;
  friend bool operator==(const HENHMETAFILE&, const HENHMETAFILE&) = default;
};

struct RECT {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  friend bool operator==(const RECT&, const RECT&) = default;
};
struct POINT {
  int32_t x = 0;
  int32_t y = 0;
  friend bool operator==(const POINT&, const POINT&) = default;
};

using COLORREF = uint32_t;
constexpr COLORREF RgbColour(unsigned r, unsigned g, unsigned b) {
  return (r & 0xFFu) | ((g & 0xFFu) << 8) | ((b & 0xFFu) << 16);
}

// Platform constants used by the drawing.
constexpr int PS_SOLID = 0;
constexpr int MM_TEXT = 1;
constexpr int MM_LOMETRIC = 2;
constexpr int MM_HIMETRIC = 3;
constexpr int MM_LOENGLISH = 4;
constexpr int MM_HIENGLISH = 5;
constexpr int MM_TWIPS = 6;
constexpr int MM_ISOTROPIC = 7;
constexpr int MM_ANISOTROPIC = 8;
constexpr int FW_DONTCARE = 0;
constexpr unsigned ANSI_CHARSET = 0;
constexpr unsigned OUT_TT_PRECIS = 4;
constexpr unsigned CLIP_DEFAULT_PRECIS = 0;
constexpr unsigned PROOF_QUALITY = 2;
constexpr unsigned DEFAULT_PITCH = 0;
constexpr unsigned FF_DONTCARE = 0x00;
constexpr unsigned FF_MODERN = 0x30;

// Stock objects (the numbers GetStockObject takes).
constexpr int WHITE_BRUSH = 0;
constexpr int BLACK_PEN = 7;
constexpr int SYSTEM_FONT = 13;

// The reference device every device-dependent field is computed from.
constexpr int32_t kReferencePixelsX = 1024;
constexpr int32_t kReferencePixelsY = 768;
constexpr int32_t kReferenceMillimetresX = 271;
constexpr int32_t kReferenceMillimetresY = 203;

// Record types written by the recorder.
constexpr uint32_t EMR_HEADER = 1;
constexpr uint32_t EMR_EOF = 14;
constexpr uint32_t EMR_SETMAPMODE = 17;
constexpr uint32_t EMR_MOVETOEX = 27;
constexpr uint32_t EMR_SELECTOBJECT = 37;
constexpr uint32_t EMR_CREATEPEN = 38;
constexpr uint32_t EMR_CREATEBRUSHINDIRECT = 39;
constexpr uint32_t EMR_DELETEOBJECT = 40;
constexpr uint32_t EMR_RECTANGLE = 43;
constexpr uint32_t EMR_ARC = 45;
constexpr uint32_t EMR_LINETO = 54;
constexpr uint32_t EMR_BITBLT = 76;
constexpr uint32_t EMR_EXTCREATEFONTINDIRECTW = 82;
constexpr uint32_t EMR_EXTTEXTOUTW = 84;

// What a created object is.
enum class GdiKind : uint8_t { Pen, Brush, Font };

struct LogFont {
  int32_t height = 0;
  int32_t width = 0;
  int32_t escapement = 0;
  int32_t orientation = 0;
  int32_t weight = 0;
  uint8_t italic = 0;
  uint8_t underline = 0;
  uint8_t strike_out = 0;
  uint8_t char_set = 0;
  uint8_t out_precision = 0;
  uint8_t clip_precision = 0;
  uint8_t quality = 0;
  uint8_t pitch_and_family = 0;
  std::string face;  // at most 31 characters
};

struct GdiObjectData {
  GdiKind kind = GdiKind::Pen;
  bool live = true;
  int32_t pen_style = 0;
  int32_t pen_width = 0;
  COLORREF colour = 0;  // pen or brush colour
  LogFont font;
};

// One metafile drawing context, from CreateEnhMetaFileA to CloseEnhMetaFile.
struct MetafileContext {
  bool open = false;
  bool to_disc = false;
  std::string file;
  RECT frame;
  bool frame_given = false;
  std::vector<uint8_t> bytes;  // header space, then the records
  uint32_t records = 0;        // including the header
  int map_mode = MM_TEXT;
  HGDIOBJ pen{0x80000000u | BLACK_PEN};
  HGDIOBJ brush{0x80000000u | WHITE_BRUSH};
  HGDIOBJ font{0x80000000u | SYSTEM_FONT};
  POINT position;
  // slots[i] is the object held in metafile index i + 1 (value 0: free).
  std::vector<uint32_t> slots;
  // Union of what was drawn, in reference-device pixels.
  bool has_bounds = false;
  int32_t bounds_left = 0;
  int32_t bounds_top = 0;
  int32_t bounds_right = 0;
  int32_t bounds_bottom = 0;
};

// A closed metafile: its complete bytes, until DeleteEnhMetaFile.
struct FinishedMetafile {
  bool live = false;
  std::vector<uint8_t> bytes;
};

// Everything the recorder knows: created objects, contexts, finished files.
struct EmfRecorder {
  std::vector<GdiObjectData> objects;  // handle value = index + 1
  std::vector<MetafileContext> contexts;  // HDC value = index + 1
  std::vector<FinishedMetafile> metafiles;  // HENHMETAFILE value = index + 1
  int last_error = 0;  // errno of the last failed file write, 0 after success
};

HGDIOBJ GetStockObject(int stock);

HPEN CreatePen(EmfRecorder& g, int style, int width, COLORREF colour);
HBRUSH CreateSolidBrush(EmfRecorder& g, COLORREF colour);
HFONT CreateFontA(EmfRecorder& g, int height, int width, int escapement,
                  int orientation, int weight, unsigned italic,
                  unsigned underline, unsigned strike_out, unsigned char_set,
                  unsigned out_precision, unsigned clip_precision,
                  unsigned quality, unsigned pitch_and_family,
                  const char* face);

// `reference` must be the null HDC (the reference device is fixed).  `file`
// null records into memory only.  `frame` in 0.01 mm; null computes it from
// the drawing's bounds at closing.  `description` is not recorded (null
// expected).  Gives the null HDC when `reference` is not null.
HDC CreateEnhMetaFileA(EmfRecorder& g, HDC reference, const char* file,
                       const RECT* frame, const char* description);

// The previous mode, or 0 (nothing recorded) for a bad context or mode.
int SetMapMode(EmfRecorder& g, HDC dc, int mode);
// The previously selected object of the same kind, or the null handle.
HGDIOBJ SelectObject(EmfRecorder& g, HDC dc, HGDIOBJ object);
int FillRect(EmfRecorder& g, HDC dc, const RECT* rect, HBRUSH brush);
bool Rectangle(EmfRecorder& g, HDC dc, int left, int top, int right,
               int bottom);
bool Arc(EmfRecorder& g, HDC dc, int left, int top, int right, int bottom,
         int x_start, int y_start, int x_end, int y_end);
bool MoveToEx(EmfRecorder& g, HDC dc, int x, int y, POINT* previous);
bool LineTo(EmfRecorder& g, HDC dc, int x, int y);
// Draws exactly `count` bytes of `text` (the caller guarantees they exist).
bool TextOutA(EmfRecorder& g, HDC dc, int x, int y, const char* text,
              int count);
// Ends the recording and, for a disc metafile, writes the file.  Gives the
// null handle when the file could not be written (last_error says why); the
// context is closed either way.
HENHMETAFILE CloseEnhMetaFile(EmfRecorder& g, HDC dc);
bool DeleteEnhMetaFile(EmfRecorder& g, HENHMETAFILE metafile);
bool DeleteObject(EmfRecorder& g, HGDIOBJ object);

// The complete bytes of a closed metafile (null for a bad handle).
const std::vector<uint8_t>* EnhMetaFileBytes(const EmfRecorder& g,
                                             HENHMETAFILE metafile);

// Writes `bytes` to `path` whole or not at all: a temporary file in the same
// directory, flushed to disc, renamed over `path`.  Gives 0 or an errno
// value; on failure `path` is untouched and the temporary file removed.
int WriteFileWhole(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace pw
