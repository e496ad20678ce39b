// Whole numbers as decimal digits, for every text the program builds.
#pragma once

#include <string>

namespace pw {

// Appends the decimal digits of v, padded with leading zeros to at least
// min_digits digits.
inline void AppendDecimal(std::string& out, unsigned v, int min_digits = 1) {
  char buf[12];
  int n = 0;
  do {
    buf[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  for (int i = n; i < min_digits; ++i) out.push_back('0');
  while (n > 0) out.push_back(buf[--n]);
}

}  // namespace pw
