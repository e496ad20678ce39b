// Turning the Windows console's key events into keys.
//
// A pure function on a plain copy of the console's KEY_EVENT_RECORD, so the
// rules can be checked on any platform:
//   a release, or a press of Shift, Ctrl, Alt, Caps Lock, Num Lock or
//   Scroll Lock alone                -> no key
//   a press without a character (cursor, function, editing keys), or Alt
//   held with a letter key           -> an Extended key
//   any other press                  -> its character (0..255, the console's
//                                       input code page)
// With Caps Lock on, the console gives the shifted character of the digit
// row and of the punctuation keys (on layouts that follow the US one) as if
// Shift were held.  Those 21 keys give the same characters as with Caps
// Lock off: the shifted character of such a key without Shift becomes the
// unshifted one, and the unshifted one with Shift becomes the shifted one.
// Characters that are not the US pair of the key (another layout) are left
// as they are.
//
// Two kinds of Alt are not "Alt with a letter": AltGr (the right Alt, which
// the console reports together with the left Ctrl) types characters such as
// @ and the euro sign on many layouts, and the character composed by typing
// its number on the keypad with Alt held (which is also how pasted text
// arrives) comes with the release of Alt.  Both give their character.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/key_decoder.h"

namespace pw {

// The parts of a console key event that decide the key.  The values are
// those of the console API (virtual-key codes, control-key state bits).
struct ConsoleKeyEvent {
  bool key_down = true;
  uint16_t virtual_key = 0;
  unsigned char character = 0;  // uChar.AsciiChar; 0 when the key has none
  uint32_t control_state = 0;
};

// The control-key state bits of a key event, and the virtual-key codes the
// rules look at.
namespace console {
constexpr uint32_t kRightAlt = 0x0001;
constexpr uint32_t kLeftAlt = 0x0002;
constexpr uint32_t kRightCtrl = 0x0004;
constexpr uint32_t kLeftCtrl = 0x0008;
constexpr uint32_t kShift = 0x0010;
constexpr uint32_t kNumLock = 0x0020;
constexpr uint32_t kScrollLock = 0x0040;
constexpr uint32_t kCapsLock = 0x0080;
constexpr uint32_t kEnhancedKey = 0x0100;

constexpr uint16_t kVkShift = 0x10;
constexpr uint16_t kVkControl = 0x11;
constexpr uint16_t kVkMenu = 0x12;  // Alt
}  // namespace console

// The key an event stands for, or nothing when it is no key press.
std::optional<Key> TranslateConsoleKey(const ConsoleKeyEvent& e);

}  // namespace pw
