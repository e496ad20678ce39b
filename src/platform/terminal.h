// The terminal the program runs in: raw keyboard input, incremental screen
// output, size checks and restoring the terminal on every way out.
//
// The console model (textio/console_screen.h) owns the cells; this layer only
// shows them.  A Terminal works on two plain file descriptors, so tests drive
// it with pipes: in_fd is read for keys, out_fd receives the escape sequences.
// out_fd == -1 means "show nothing" (in-process screen tests).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <termios.h>

namespace pw {

constexpr int kScreenCols = 90;
constexpr int kScreenRows = 30;

// One character cell: an 8-bit character and its attribute
// (background * 16 + foreground, palette indices 0..15).
struct Cell {
  unsigned char ch = ' ';
  unsigned char attr = 0x07;
  friend bool operator==(const Cell&, const Cell&) = default;
};

// What the screen shows: the cells of a width x height grid (row-major,
// at most kScreenRows x kScreenCols), the cursor (0-based) and its visibility.
struct Frame {
  int width = kScreenCols;
  int height = kScreenRows;
  Cell cells[kScreenRows][kScreenCols];
  int cursor_row = 0;
  int cursor_col = 0;
  bool cursor_visible = true;
};

// A decoded key press.
enum class KeyKind : uint8_t {
  Character,  // code holds 0..255 (Enter 13, Backspace 8, lone Esc 27, ...)
  Extended,   // cursor, function, editing keys, Alt+key: no character
};
struct Key {
  KeyKind kind = KeyKind::Character;
  unsigned char code = 0;
};

// Thrown by the key reading functions when the input has ended (closed pipe,
// hung-up terminal).  The entry function catches it, restores the terminal
// and exits with status 1.
struct EndOfInput {};

// Key decoder state: bytes read but not yet turned into keys.
struct KeyDecoder {
  unsigned char buf[64];
  std::size_t len = 0;
  bool after_cr = false;  // the last key taken was a CR (an LF after it is dropped)
  bool utf8 = false;      // the keyboard sends UTF-8 (a terminal): see key_decoder.h
};

struct Terminal {
  int in_fd = -1;
  int out_fd = -1;
  bool in_is_tty = false;
  bool out_is_tty = false;
  bool raw_active = false;
  struct termios saved_modes {};
  KeyDecoder decoder;
  // What the terminal is known to show (for sending only changed cells).
  Frame shown;
  bool shown_valid = false;
  bool too_small = false;     // the size notice is up instead of the screen
  std::string out;            // bytes waiting to be written
  uint64_t bytes_written = 0; // total bytes sent to out_fd, for measurements
  int beeps = 0;              // beeps sounded (counted even with out_fd == -1)
  // Where the terminal's cursor and colours are known to stand (-1: unknown).
  int term_row = -1;
  int term_col = -1;
  int term_attr = -1;
  int term_cursor_visible = -1;
  int term_rows = 0;          // terminal size; 0 when not known
  int term_cols = 0;
  bool out_failed = false;    // the output is gone (hung up, closed)
  bool opened = false;        // between TerminalOpen and TerminalClose
  bool title_pushed = false;  // the terminal's title was saved on its stack
  bool term_blank = false;    // the terminal was just cleared in default colours
  bool linux_console = false; // the Linux console: bright backgrounds need its palette
};

// Takes over the terminal on in_fd/out_fd: raw mode when in_fd is a terminal,
// handlers that restore the terminal on signals, the title, the resize
// request.  Clears the whole terminal once.
void TerminalOpen(Terminal& t, int in_fd, int out_fd);
// Restores modes, cursor, colours and title; leaves the shell on a fresh line
// below the last row.  Safe to call twice.
void TerminalClose(Terminal& t);

// Sends what changed between t.shown and f (everything after a resize or a
// repaint request) in as few writes as possible.
void TerminalPresent(Terminal& t, const Frame& f);

// Blocks until a key press is available and removes it.  Throws EndOfInput.
// `f` is presented first, and again whenever the terminal is resized while
// waiting.
Key TerminalReadKey(Terminal& t, const Frame& f);
// Blocks until a key press is available and leaves it waiting.  Throws
// EndOfInput.
Key TerminalPeekKey(Terminal& t, const Frame& f);
// Discards every waiting byte (kernel queue and decoder) when in_fd is a
// terminal; does nothing otherwise.
void TerminalFlushInput(Terminal& t);
// One audible beep (BEL), sent after the pending screen output.
void TerminalBeep(Terminal& t, const Frame& f);
// The ANSI colour numbers (SGR) for a palette index 0..15: the palette's
// bits are blue 1, green 2, red 4, intensity 8; ANSI's are red 1, green 2,
// blue 4, and intensity selects the bright range (90-97, 100-107).
int AnsiForeground(int palette);
int AnsiBackground(int palette);

// Sets the terminal window's title (the old one comes back on close where
// the terminal keeps a title stack).  Nothing when out_fd is not a terminal.
void TerminalSetTitle(Terminal& t, const char* title);

}  // namespace pw
