#include "program/winmain.h"

#include "actions/optimum_screen.h"
#include "actions/graph_data_screen.h"
#include "actions/null_radii_screen.h"
#include "program/main_screen.h"

namespace pw {

void DressConsoleWindow(ConsoleTools& ct, int32_t instance) {
  int32_t tools_state = 0;
  InitConsoleTools(ct, instance, 0, 0, 0, &tools_state, 0);
  ConsoleToolBar(ct, 0, 5);
  ConsoleTitle(ct, "Pivotwright");
  ConsoleMove(ct, 30, 30);
  ConsoleIcon(ct, 32512);
  DeleteWindowMenuItem(ct, 61728);
  DeleteWindowMenuItem(ct, 0);
  DeleteWindowMenuItem(ct, 61440);
  DeleteWindowMenuItem(ct, -2);
  DeleteWindowMenuItem(ct, -1);
  DeleteWindowMenuItem(ct, 61488);
}

int WINMAIN(ConsoleScreen& s, ProgramValues& v, ConsoleTools& ct, int32_t instance) {
  DressConsoleWindow(ct, instance);
  SetColours(s, kBlack, kBrightWhite);
  ClearScreen(s);
  SetScreenSize(s, kScreenCols, kScreenRows);

  for (;;) {
    DrawMainScreen(s);
    switch (ReadChoice(s)) {
      case 1:
        RunOptimumAlignment(s, v);
        break;
      case 2:
        RunNullRadiiScreen(s, v);
        break;
      case 3:
        RunGraphData(s, v);
        break;
      default:
        return 0;  // "4": the screen keeps its content
    }
  }
}

}  // namespace pw
