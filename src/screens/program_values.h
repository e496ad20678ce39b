// The values every action shares for the whole run: what was typed (as text
// and as number) and what was computed.  Empty texts and zeros at start.
#pragma once

#include <string>

#include "geometry/alignment.h"

namespace pw {

struct TypedValue {
  std::string text;
  double number = 0;
};

struct ProgramValues {
  TypedValue arm_length;     // effective arm length (mm)
  TypedValue pivot;          // pivot to spindle distance (mm)
  TypedValue overhang;       // overhang (mm), typed in action 3
  TypedValue offset;         // offset (degrees), typed in action 3
  TypedValue inner_radius;   // inner recorded radius (mm)
  TypedValue outer_radius;   // outer recorded radius (mm)
  std::string answer;        // the protractor question's answer
  NullRadii null_radii;
  ArmSetup arm;              // L, D, H and the offset in radians
};

}  // namespace pw
