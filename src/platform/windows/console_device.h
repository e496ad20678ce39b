// The device on Windows: keys from the console input (or bytes from a pipe
// or file), the screen on the console screen buffer (or escape sequences to
// a pipe or file, the same bytes the POSIX build writes there).  The
// operations are those of platform/device.h.
//
// Plain types only: the console API's own types stay in console_device.cpp,
// so that <windows.h> and its macros reach no other part of the program.
#pragma once

#include <cstdint>
#include <string>

#include "platform/console_plan.h"
#include "platform/key_decoder.h"
#include "platform/native_handle.h"
#include "platform/vt_render.h"

namespace pw {

// What the console was like when the device took it over.
struct SavedConsole {
  bool input_mode_saved = false;
  uint32_t input_mode = 0;
  bool output_mode_saved = false;
  uint32_t output_mode = 0;
  bool buffer_saved = false;  // size, window and text attribute below
  int buffer_cols = 0;
  int buffer_rows = 0;
  int window_cols = 0;
  int window_rows = 0;
  uint16_t attributes = 0x07;
  bool cursor_saved = false;
  uint32_t cursor_size = 10;
  bool cursor_visible = true;
  bool title_saved = false;
  std::wstring title;
  bool menu_changed = false;  // items were removed from the window menu
};

struct Device {
  // Closed: not taken over (or given back).  Open: in use.  OutputLost: the
  // output cannot be written any more; the next key wait ends the program.
  enum class State : uint8_t { Closed, Open, OutputLost };
  State state = State::Closed;

  NativeHandle input = kNoHandle;
  NativeHandle output = kNoHandle;
  bool input_is_console = false;
  bool input_is_pipe = false;
  bool output_is_console = false;
  SavedConsole saved;

  // Console output: what the screen buffer shows, and its size.
  ConsoleView console;
  int buffer_cols = 0;
  int buffer_rows = 0;

  // Console input: a key press the console reported with a repeat count,
  // still to be delivered `repeats` more times.
  Key repeated;
  int repeats = 0;

  // Output to a pipe or file: what a terminal would show, the bytes waiting.
  TerminalView view;
  std::string out;
  // Input from a pipe or file: bytes read, not yet keys.
  KeyDecoder keys;

  int beeps = 0;
};

}  // namespace pw
