#include "protractor/null_radii_screen.h"

namespace pw {

// Not built yet: the choice returns straight to the main screen.
void RunNullRadiiScreen(ConsoleScreen&, ProgramValues&) {}

}  // namespace pw
