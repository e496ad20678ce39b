#include "graphdata/graph_data_screen.h"

namespace pw {

// Not built yet: the choice returns straight to the main screen.
void RunGraphData(ConsoleScreen&, ProgramValues&) {}

}  // namespace pw
