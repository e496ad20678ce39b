// The 8-bit code page the screen's character bytes are shown in.
//
// Cells hold bytes; the terminal takes UTF-8.  Every byte maps to one
// printable Unicode character through code page 437 (the IBM PC set), with
// the graphic glyphs of that set for 1..31 (smileys, arrows, card suits) and
// the house glyph for 127, as a console that writes cells directly shows
// them.  Byte 0 shows as a blank.  No byte ever maps to a control character,
// so nothing written into a cell can reach the terminal as a command.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pw {

// The Unicode code point shown for a cell byte.
char32_t CellCodePoint(unsigned char byte);

// Writes the UTF-8 form of the byte's glyph into out (room for 4 bytes) and
// returns its length (1 to 3).
std::size_t CellUtf8(unsigned char byte, char out[4]);

// The byte 128..255 whose glyph is the code point, or -1 when no such byte.
int HighByteForCodePoint(char32_t cp);

}  // namespace pw
