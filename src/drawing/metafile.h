// An enhanced metafile (EMF) built record by record in memory: just the
// records the protractor needs, written the way a recording graphics
// interface writes them, so that the file matches one recorded by the
// platform byte for byte:
//
//   - a pen, brush or font is recorded when it is first selected, at the
//     lowest free object index; selecting it again records the index only;
//   - filling a rectangle is three records: select the brush, a pattern
//     blit, select the brush that was current before (even when it is the
//     same brush);
//   - rectangle and arc boxes are normalised (left <= right, top <= bottom)
//     and inclusive (1 taken off right and bottom);
//   - the objects current when recording began are stock objects, put back
//     by their stock numbers;
//   - a text is a wide-character text record with one advance per
//     character.
//
// Page units are those of MM_LOMETRIC (0.1 mm, y upwards).  The values a
// real display would give (header bounds in pixels, text advances and
// scales) come from a fixed reference display of 1024 x 768 pixels and
// 271 x 203 mm.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace pw {

struct MetafilePoint {
  int32_t x = 0;
  int32_t y = 0;
};

// Two corners in page units, in any order.
struct MetafileBox {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

// A pen, brush or font.  `id` tells objects apart (1, 2, ...); the record
// fields are the platform's LOGPEN, LOGBRUSH and LOGFONTW values.
struct MetafileObject {
  enum class Kind : uint8_t { Pen, Brush, Font };
  int id = 0;
  Kind kind = Kind::Pen;
  uint32_t colour = 0;             // pen, brush: 0x00BBGGRR
  int32_t pen_width = 0;           // pen: page units (style solid)
  int32_t font_height = 0;         // font: cell height, page units
  int32_t font_width = 0;          // font: average width, page units
  int32_t font_weight = 0;         // font: 0 = any, 400 = normal
  uint8_t font_pitch_family = 0;   // font: pitch and family bits
};

// The stock objects a recording starts with.
enum class StockObject : uint32_t {
  WhiteBrush = 0x80000000u,
  BlackPen = 0x80000007u,
  SystemFont = 0x8000000Du,
};

constexpr uint32_t kMapModeText = 1;      // MM_TEXT: one page unit per pixel, y down
constexpr uint32_t kMapModeLoMetric = 2;  // MM_LOMETRIC: 0.1 mm, y up

struct Metafile {
  std::vector<uint8_t> bytes;   // the header's room, then the records
  uint32_t records = 1;         // the header counts
  int32_t frame[4] = {};        // the picture frame, 0.01 mm
  std::vector<int> slots;       // slots[i]: the id recorded at index i + 1
  MetafileObject brush;         // the brush and font selected now (id 0: a stock one)
  MetafileObject font;
  bool has_bounds = false;      // what was drawn, in reference pixels
  int32_t bounds[4] = {};       // left, top, right, bottom
};

// A recording framed at left, top, right, bottom (0.01 mm).
Metafile BeginMetafile(int32_t left, int32_t top, int32_t right, int32_t bottom);

void RecordSetMapMode(Metafile& m, uint32_t mode);
void RecordSelect(Metafile& m, const MetafileObject& object);
void RecordSelectStock(Metafile& m, StockObject object);
void RecordFillRect(Metafile& m, MetafileBox box, const MetafileObject& brush);
void RecordRectangle(Metafile& m, MetafileBox box);
// An ellipse arc in a box from a start to an end point (a full ellipse when
// the two coincide).
void RecordArc(Metafile& m, MetafileBox box, MetafilePoint start, MetafilePoint end);
// A straight line: a move to `from`, then a line to `to`.
void RecordLine(Metafile& m, MetafilePoint from, MetafilePoint to);
// Text in the selected font, its top left corner at `at`.  The drawing's
// texts are ASCII; each byte becomes one UTF-16 unit.
void RecordText(Metafile& m, MetafilePoint at, std::string_view text);

// Ends the recording and gives the whole file.
std::vector<uint8_t> FinishMetafile(Metafile& m);

}  // namespace pw
