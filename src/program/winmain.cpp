#include "program/winmain.h"

#include "actions/graph_data_screen.h"
#include "actions/null_radii_screen.h"
#include "actions/optimum_screen.h"
#include "platform/frame.h"
#include "program/main_screen.h"

namespace pw {

namespace {

// The values the console tools are given.
constexpr int32_t kToolBarStyle = 5;
constexpr int32_t kWindowLeft = 30;
constexpr int32_t kWindowTop = 30;
constexpr int32_t kApplicationIcon = 0x7F00;  // the system's application icon
// Window-menu items: system commands, and three more the tools know.
constexpr int32_t kRestoreItem = 0xF120;
constexpr int32_t kSizeItem = 0xF000;
constexpr int32_t kMaximizeItem = 0xF030;

// The console-tools calls of start-up, in their fixed order.  `instance`
// identifies the running program to the tools.
void DressConsoleWindow(ConsoleTools& ct, int32_t instance) {
  const int32_t tools_state = 0;
  InitConsoleTools(ct, instance, 0, 0, 0, &tools_state, 0);
  ConsoleToolBar(ct, 0, kToolBarStyle);
  ConsoleTitle(ct, "Pivotwright");
  ConsoleMove(ct, kWindowLeft, kWindowTop);
  ConsoleIcon(ct, kApplicationIcon);
  DeleteWindowMenuItem(ct, kRestoreItem);
  DeleteWindowMenuItem(ct, 0);
  DeleteWindowMenuItem(ct, kSizeItem);
  DeleteWindowMenuItem(ct, -2);
  DeleteWindowMenuItem(ct, -1);
  DeleteWindowMenuItem(ct, kMaximizeItem);
}

}  // namespace

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
