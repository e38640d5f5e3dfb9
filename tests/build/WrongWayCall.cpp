// Stands for a file in gamma/ that calls into main_window/: linked as the gamma library is, with
// none of the project's, the call must stay undefined.
#include "main_window/frmMain.h"

std::string wrongWayCall() {
    return frmMain::title();
}
