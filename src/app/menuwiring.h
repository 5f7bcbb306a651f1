#pragma once

class TMainFrm;

// Connects the main window's menu items to the windows they open, as the
// windows join the program.
void WireMenus(TMainFrm &mainWindow);
