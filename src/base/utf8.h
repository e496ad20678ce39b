// Reading one UTF-8 character: what typed keys and command-line arguments
// both need.
#pragma once

#include <cstddef>

namespace pw {

struct Utf8Sequence {
  enum class Status : unsigned char {
    Valid,       // `length` bytes encode `code_point`
    Incomplete,  // well formed so far, but the bytes end before it does
    Invalid,     // not a character: a bad lead or continuation byte, an
                 // overlong form, a surrogate, or beyond U+10FFFF
  };
  Status status = Status::Invalid;
  std::size_t length = 0;
  char32_t code_point = 0;
};

// The character at the start of bytes[0..len), len at least 1.
constexpr Utf8Sequence ReadUtf8(const unsigned char* bytes, std::size_t len) {
  using Status = Utf8Sequence::Status;
  const unsigned char lead = bytes[0];
  if (lead < 0xC2 || lead > 0xF4) return {};
  const std::size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
  char32_t cp = lead & (need == 2 ? 0x1Fu : need == 3 ? 0x0Fu : 0x07u);
  for (std::size_t i = 1; i < need; ++i) {
    if (i >= len) return {Status::Incomplete, 0, 0};
    if ((bytes[i] & 0xC0u) != 0x80u) return {};
    cp = (cp << 6) | (bytes[i] & 0x3Fu);
  }
  const char32_t least = need == 2 ? 0x80 : need == 3 ? 0x800 : 0x10000;
  if (cp < least || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return {};
  return {Status::Valid, need, cp};
}

}  // namespace pw
