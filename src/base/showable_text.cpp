#include "base/showable_text.h"

#include <cstddef>
#include <string>

#include "base/utf8.h"

namespace pw {

namespace {

// The length of the UTF-8 sequence starting at s[i] when it is well formed
// and encodes a printable code point (not a C1 control), else 0.
std::size_t PrintableUtf8Length(const std::string& s, std::size_t i) {
  const Utf8Sequence c =
      ReadUtf8(reinterpret_cast<const unsigned char*>(s.data()) + i, s.size() - i);
  if (c.status != Utf8Sequence::Status::Valid) return 0;
  if (c.code_point >= 0x80 && c.code_point <= 0x9F) return 0;  // the C1 controls
  return c.length;
}

void AppendHexByte(std::string& out, unsigned char b) {
  const char* digits = "0123456789ABCDEF";
  out += "\\x";
  out.push_back(digits[b >> 4]);
  out.push_back(digits[b & 0x0Fu]);
}

}  // namespace

std::string ShowableArgument(const std::string& arg, std::size_t limit) {
  std::string out;
  std::size_t i = 0;
  while (i < arg.size()) {
    if (i >= limit) {
      out += "...";
      break;
    }
    unsigned char b = static_cast<unsigned char>(arg[i]);
    if (b == '\\') {
      out += "\\\\";
      ++i;
    } else if (b >= 0x20 && b < 0x7F) {
      out.push_back(static_cast<char>(b));
      ++i;
    } else if (std::size_t len = b >= 0x80 ? PrintableUtf8Length(arg, i) : 0; len != 0) {
      out.append(arg, i, len);
      i += len;
    } else {
      AppendHexByte(out, b);
      ++i;
    }
  }
  return out;
}

}  // namespace pw
