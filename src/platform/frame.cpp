#include "platform/frame.h"

#include <algorithm>
#include <array>

namespace pw {

int RowBelowText(const Frame& f) {
  for (int r = f.height - 1; r >= 0; --r)
    for (int c = 0; c < f.width; ++c)
      if (f.cells[r][c].ch != ' ' && f.cells[r][c].ch != 0) return r + 1;
  return 0;
}

Background MostCommonBlank(const Frame& f) {
  std::array<int, 256> counts{};
  for (int r = 0; r < f.height; ++r)
    for (int c = 0; c < f.width; ++c)
      if (f.cells[r][c].ch == ' ') ++counts[f.cells[r][c].attr];
  const auto best = std::max_element(counts.begin(), counts.end());
  return {Cell{' ', static_cast<unsigned char>(best - counts.begin())}, *best};
}

}  // namespace pw
