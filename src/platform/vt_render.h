// The bytes that make a VT-style terminal (xterm and its relatives, the
// Linux console, tmux, screen) show a frame, and the bytes that take the
// terminal over and give it back.
//
// Pure functions: they append to a string and keep track of what the
// terminal shows; writing the bytes is the device's business.  The same
// bytes go to a terminal and to a pipe or file standing in for one, on
// every platform.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/frame.h"

namespace pw {

// What the terminal's description says about it.
struct TerminalTraits {
  // Erasing fills with the current background colour (terminfo "bce"):
  // a repaint may clear in the screen's colours and write only the text.
  bool erases_in_colour = false;
  // The Linux console shows the bright backgrounds only through its
  // palette: entry 7 is made white while the program runs.
  bool linux_console = false;
};

struct CellPosition {
  int row = 0;  // 0-based
  int col = 0;
  friend bool operator==(const CellPosition&, const CellPosition&) = default;
};

// What the terminal is known to show.  What is not known is re-sent before
// it is relied on.
struct TerminalView {
  enum class Content : uint8_t {
    Unknown,     // anything at all: the next frame clears and repaints
    Cleared,     // erased in the default colours, nothing written since
    Frame,       // `frame`
    SizeNotice,  // the notice that the terminal is too small
  };
  Content content = Content::Unknown;
  Frame frame;                          // valid when content is Frame
  std::optional<CellPosition> cursor;   // where the cursor stands
  std::optional<unsigned char> attr;    // the colours in force (a cell attribute)
  std::optional<bool> cursor_shown;
};

// Appends what brings the terminal from `view` to showing `next`, and
// updates `view`.  Unchanged cells cost nothing; one typed character costs
// its own bytes.
void RenderFrame(TerminalView& view, const Frame& next, TerminalTraits traits, std::string& out);

// The notice shown instead of the screen while the terminal is smaller than
// cols x rows.
void RenderSizeNotice(TerminalView& view, int cols, int rows, std::string& out);

// Taking the terminal over: save the title (when `save_title`), ask for a
// 90 x 30 window, clear in the default colours.  `view` becomes Cleared.
void RenderStart(TerminalView& view, TerminalTraits traits, bool save_title, std::string& out);

// After the terminal changed in ways the renderer cannot follow (a resize,
// someone else writing while the program was stopped): the next frame
// repaints everything.
void ForgetView(TerminalView& view);

// Coming back after a stop: the Linux console's palette again.  The screen
// itself is repainted by the next frame, once the view is forgotten.
void RenderResume(TerminalTraits traits, std::string& out);

// The lowest row with text that the terminal is known to show (-1 for an
// empty screen); the screen's last row when what it shows is not known.
int LowestRowShown(const TerminalView& view);

// Giving the terminal back: default colours, cursor shown, palette and
// (when `restore_title`) the title put back, and the cursor on the row
// below the lowest row that holds text, so that the shell's prompt follows
// the screen without scrolling it.  `terminal_rows` is the terminal's
// height (0 when not known: the screen's own height counts).
std::string LeaveBytes(const TerminalView& view, TerminalTraits traits, bool restore_title,
                       int terminal_rows);

// The window title (printable ASCII only; other bytes are left out).
void RenderTitle(std::string_view title, std::string& out);

// The ANSI colour numbers (SGR) for a palette index 0..15: the palette's
// bits are blue 1, green 2, red 4, intensity 8; ANSI's are red 1, green 2,
// blue 4, and intensity selects the bright range (90-97, 100-107).
int AnsiForeground(int palette);
int AnsiBackground(int palette);

}  // namespace pw
