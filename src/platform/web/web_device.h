// The device in a web page: the program compiled to WebAssembly, with a
// terminal emulator in the page as its screen and keyboard.  The screen
// goes out as the same escape sequences a VT-style terminal gets
// (platform/vt_render.h); the terminal's key bytes come in through the
// page and are decoded as a terminal's (platform/key_decoder.h).  While the
// program waits for a key it is suspended (emscripten's Asyncify), so the
// page spends nothing while nobody types.  The operations are those of
// platform/device.h.
#pragma once

#include <cstdint>
#include <string>

#include "platform/key_decoder.h"
#include "platform/native_handle.h"
#include "platform/vt_render.h"

namespace pw {

struct Device {
  enum class State : uint8_t { Closed, Open };
  State state = State::Closed;

  TerminalTraits traits;  // the page's terminal: plain VT, no palette tricks
  TerminalView view;      // what the terminal is known to show
  KeyDecoder keys;        // bytes typed, not yet keys
  std::string out;        // bytes waiting to be written
  int beeps = 0;
  uint64_t bytes_written = 0;  // everything sent, for measurements
};

}  // namespace pw
