// The device on a POSIX system: keys read from a file descriptor (raw mode
// when it is a terminal), the screen written to another as escape
// sequences.  The operations are those of platform/device.h.
#pragma once

#include <termios.h>

#include <cstdint>
#include <optional>
#include <string>

#include "platform/key_decoder.h"
#include "platform/native_handle.h"
#include "platform/vt_render.h"

namespace pw {

struct TerminalSize {
  int rows = 0;
  int cols = 0;
};

struct Device {
  // Closed: not taken over (or given back).  Open: in use.  OutputLost: the
  // screen went away (hung up, closed); nothing more is written and the
  // next key wait ends the program.
  enum class State : uint8_t { Closed, Open, OutputLost };
  State state = State::Closed;

  int in_fd = kNoHandle;
  int out_fd = kNoHandle;
  bool in_is_terminal = false;
  bool out_is_terminal = false;
  // The input terminal's own modes, kept while raw mode is on.
  std::optional<struct termios> saved_modes;
  TerminalTraits traits;
  // The size of the terminal showing the output; none for a pipe or file.
  std::optional<TerminalSize> size;

  TerminalView view;             // what the output is known to show
  KeyDecoder keys;               // bytes read, not yet keys
  std::string out;               // bytes waiting to be written
  int beeps = 0;
  uint64_t bytes_written = 0;    // everything sent, for measurements
};

}  // namespace pw
