#include "geometry/optimum_screen.h"

namespace pw {

// Not built yet: the choice returns straight to the main screen.
void RunOptimumAlignment(ConsoleScreen&, ProgramValues&) {}

}  // namespace pw
