#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "platform/console_keys.h"

namespace {

using pw::ConsoleKeyEvent;
using pw::Key;
using pw::KeyKind;
namespace console = pw::console;

ConsoleKeyEvent Press(uint16_t vk, unsigned char ch, uint32_t state = 0) {
  return ConsoleKeyEvent{true, vk, ch, state};
}

std::string Describe(const std::optional<Key>& k) {
  if (!k) return "none";
  if (k->kind == KeyKind::Extended) return "extended";
  return "char " + std::to_string(k->code);
}

std::string Char(unsigned char c) { return "char " + std::to_string(c); }

TEST(ConsoleKeys, WhatEachEventGives) {
  struct Case {
    const char* what;
    ConsoleKeyEvent event;
    std::string expected;
  };
  const Case cases[] = {
      {"a letter", Press('A', 'a'), Char('a')},
      {"a shifted letter", Press('A', 'A', console::kShift), Char('A')},
      {"Enter", Press(0x0D, 13), Char(13)},
      {"Backspace", Press(0x08, 8), Char(8)},
      {"Esc", Press(0x1B, 27), Char(27)},
      {"Tab", Press(0x09, 9), Char(9)},
      {"Ctrl+C is an ordinary key", Press('C', 3, console::kLeftCtrl), Char(3)},
      {"a code page character", Press(0xDE, 0x82), Char(0x82)},
      {"release of a letter", ConsoleKeyEvent{false, 'A', 'a', 0}, "none"},
      {"Shift alone", Press(console::kVkShift, 0, console::kShift), "none"},
      {"Ctrl alone", Press(console::kVkControl, 0, console::kLeftCtrl), "none"},
      {"Alt alone", Press(console::kVkMenu, 0, console::kLeftAlt), "none"},
      {"Caps Lock", Press(0x14, 0, console::kCapsLock), "none"},
      {"Num Lock", Press(0x90, 0, console::kNumLock), "none"},
      {"Scroll Lock", Press(0x91, 0, console::kScrollLock), "none"},
      {"left Shift by its own code", Press(0xA0, 0), "none"},
      {"right Alt by its own code", Press(0xA5, 0), "none"},
      {"cursor left", Press(0x25, 0, console::kEnhancedKey), "extended"},
      {"F1", Press(0x70, 0), "extended"},
      {"Delete", Press(0x2E, 0, console::kEnhancedKey), "extended"},
      {"Windows key", Press(0x5B, 0), "extended"},
      {"Alt+X", Press('X', 'x', console::kLeftAlt), "extended"},
      {"right Alt+X", Press('X', 'x', console::kRightAlt), "extended"},
      {"Alt+1 is a digit", Press('1', '1', console::kLeftAlt), Char('1')},
      {"AltGr+Q types @", Press('Q', '@', console::kRightAlt | console::kLeftCtrl), Char('@')},
      {"AltGr+E types the euro sign", Press('E', 0x80, console::kRightAlt | console::kLeftCtrl),
       Char(0x80)},
      {"Alt released after a keypad code", ConsoleKeyEvent{false, console::kVkMenu, 0xF8, 0}, Char(0xF8)},
      {"Alt released with nothing composed", ConsoleKeyEvent{false, console::kVkMenu, 0, 0}, "none"},
      {"keypad digit with Alt held", Press(0x62, 0, console::kLeftAlt | console::kNumLock), "extended"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Describe(pw::TranslateConsoleKey(c.event)), c.expected) << c.what;
  }
}

// The 21 keys of the digit row and the punctuation of the US layout.
struct UsKey {
  uint16_t vk;
  unsigned char plain;
  unsigned char shifted;
};
const UsKey kUsKeys[] = {
    {'1', '1', '!'}, {'2', '2', '@'}, {'3', '3', '#'}, {'4', '4', '$'},  {'5', '5', '%'},
    {'6', '6', '^'}, {'7', '7', '&'}, {'8', '8', '*'}, {'9', '9', '('},  {'0', '0', ')'},
    {0xBD, '-', '_'}, {0xBB, '=', '+'}, {0xDB, '[', '{'}, {0xDD, ']', '}'}, {0xBA, ';', ':'},
    {0xDE, '\'', '"'}, {0xC0, '`', '~'}, {0xDC, '\\', '|'}, {0xBC, ',', '<'}, {0xBE, '.', '>'},
    {0xBF, '/', '?'},
};

TEST(ConsoleKeys, CapsLockLeavesTheDigitRowAndPunctuationAlone) {
  const uint32_t caps = console::kCapsLock;
  const uint32_t shift = console::kShift;
  for (const UsKey& k : kUsKeys) {
    SCOPED_TRACE(std::string(1, static_cast<char>(k.plain)));
    // The console gives the shifted character under Caps Lock: unshifted it
    // becomes the plain one, and the other way round with Shift.
    EXPECT_EQ(Describe(pw::TranslateConsoleKey(Press(k.vk, k.shifted, caps))), Char(k.plain));
    EXPECT_EQ(Describe(pw::TranslateConsoleKey(Press(k.vk, k.plain, caps | shift))), Char(k.shifted));
    // What the console already gives right stays.
    EXPECT_EQ(Describe(pw::TranslateConsoleKey(Press(k.vk, k.plain, caps))), Char(k.plain));
    EXPECT_EQ(Describe(pw::TranslateConsoleKey(Press(k.vk, k.shifted, caps | shift))), Char(k.shifted));
    // Without Caps Lock nothing changes, whatever the console gives.
    EXPECT_EQ(Describe(pw::TranslateConsoleKey(Press(k.vk, k.shifted, 0))), Char(k.shifted));
    EXPECT_EQ(Describe(pw::TranslateConsoleKey(Press(k.vk, k.plain, shift))), Char(k.plain));
  }
}

TEST(ConsoleKeys, CapsLockRuleTouchesNothingElse) {
  const uint32_t caps = console::kCapsLock;
  const uint32_t shift = console::kShift;
  struct Case {
    const char* what;
    ConsoleKeyEvent event;
    unsigned char expected;
  };
  const Case cases[] = {
      // Letters keep what Caps Lock makes of them.
      {"letter under Caps Lock", Press('A', 'A', caps), 'A'},
      {"letter under Caps Lock and Shift", Press('A', 'a', caps | shift), 'a'},
      // Another layout's character on one of the 21 keys is no US pair.
      {"German sharp s on the minus key", Press(0xDB, 0xE1, caps), 0xE1},
      {"French a-grave on the 0 key", Press('0', 0x85, caps), 0x85},
      // A character of the other pair is left as it is.
      {"@ on the 1 key", Press('1', '@', caps), '@'},
      // The keypad is not the digit row.
      {"keypad 1", Press(0x61, '1', caps | shift | console::kNumLock), '1'},
      {"keypad minus", Press(0x6D, '-', caps | shift), '-'},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Describe(pw::TranslateConsoleKey(c.event)), Char(c.expected)) << c.what;
  }
}

}  // namespace
