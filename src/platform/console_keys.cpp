#include "platform/console_keys.h"

namespace pw {

namespace {

// The keys that are only modifiers: Shift, Ctrl, Alt (also their left and
// right forms), Caps Lock, Num Lock, Scroll Lock.
bool IsModifierKey(uint16_t vk) {
  switch (vk) {
    case console::kVkShift:
    case console::kVkControl:
    case console::kVkMenu:
    case 0x14:  // Caps Lock
    case 0x90:  // Num Lock
    case 0x91:  // Scroll Lock
    case 0xA0:  // left and right Shift
    case 0xA1:
    case 0xA2:  // left and right Ctrl
    case 0xA3:
    case 0xA4:  // left and right Alt
    case 0xA5:
      return true;
    default:
      return false;
  }
}

// The digit row and the punctuation keys of the US layout, each with the
// character it gives without and with Shift.
struct KeyPair {
  uint16_t vk;
  unsigned char plain;
  unsigned char shifted;
};
constexpr KeyPair kCapsLockKeys[] = {
    {0x30, '0', ')'}, {0x31, '1', '!'}, {0x32, '2', '@'}, {0x33, '3', '#'},
    {0x34, '4', '$'}, {0x35, '5', '%'}, {0x36, '6', '^'}, {0x37, '7', '&'},
    {0x38, '8', '*'}, {0x39, '9', '('},
    {0xBD, '-', '_'},   // VK_OEM_MINUS
    {0xBB, '=', '+'},   // VK_OEM_PLUS
    {0xDB, '[', '{'},   // VK_OEM_4
    {0xDD, ']', '}'},   // VK_OEM_6
    {0xBA, ';', ':'},   // VK_OEM_1
    {0xDE, '\'', '"'},  // VK_OEM_7
    {0xC0, '`', '~'},   // VK_OEM_3
    {0xDC, '\\', '|'},  // VK_OEM_5
    {0xBC, ',', '<'},   // VK_OEM_COMMA
    {0xBE, '.', '>'},   // VK_OEM_PERIOD
    {0xBF, '/', '?'},   // VK_OEM_2
};

const KeyPair* FindCapsLockKey(uint16_t vk) {
  for (const KeyPair& k : kCapsLockKeys) {
    if (k.vk == vk) return &k;
  }
  return nullptr;
}

bool IsLetterKey(uint16_t vk) { return vk >= 'A' && vk <= 'Z'; }

// AltGr: the console reports the right Alt together with the left Ctrl.
bool IsAltGr(uint32_t state) {
  return (state & console::kRightAlt) != 0 && (state & console::kLeftCtrl) != 0;
}

}  // namespace

std::optional<Key> TranslateConsoleKey(const ConsoleKeyEvent& e) {
  if (!e.key_down) {
    // A character composed on the keypad with Alt held arrives with the
    // release of Alt; every other release is no key.
    if (e.virtual_key == console::kVkMenu && e.character != 0) {
      return Key{KeyKind::Character, e.character};
    }
    return std::nullopt;
  }
  if (IsModifierKey(e.virtual_key)) return std::nullopt;
  if (e.character == 0) return Key{KeyKind::Extended, 0};
  const uint32_t alt = console::kLeftAlt | console::kRightAlt;
  if ((e.control_state & alt) != 0 && IsLetterKey(e.virtual_key) && !IsAltGr(e.control_state)) {
    return Key{KeyKind::Extended, 0};
  }
  unsigned char c = e.character;
  if ((e.control_state & console::kCapsLock) != 0) {
    if (const KeyPair* k = FindCapsLockKey(e.virtual_key)) {
      const bool shift = (e.control_state & console::kShift) != 0;
      if (!shift && c == k->shifted) c = k->plain;
      else if (shift && c == k->plain) c = k->shifted;
    }
  }
  return Key{KeyKind::Character, c};
}

}  // namespace pw
