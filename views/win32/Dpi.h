#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

// Screen density for the windows, which lay themselves out at their monitor's dots per inch. The
// calls that know about monitors came with later Windows versions, so each is looked up at run
// time and the program still runs where it is missing.
namespace dpi {

// Per-monitor awareness (version 2 where the system has it, then version 1, then the Windows 8.1
// call, then system-wide awareness on Vista to 8). Called before the windows are made.
void declareAwareness();

// The density of the monitor a window stands on.
int ofWindow(HWND hwnd);

// The density of the monitor nearest a point of the screen, for a window not yet made.
int atPoint(POINT point);

}  // namespace dpi
