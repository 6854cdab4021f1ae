#pragma once
// What the system says about DPI. The functions newer than Windows 7 are looked up at run time;
// where they are missing, the system DPI stands in for a monitor's.
#include <windows.h>

namespace fw {

// The DPI of the monitor that holds most of rect (GetDpiForMonitor), or else the system DPI
// (GetDeviceCaps(LOGPIXELSX) of the screen).
int MonitorDpi(const RECT& rect) noexcept;

// Tests stand in for the monitors with this; null puts the system back. Returns the previous one.
using MonitorDpiProc = int (*)(const RECT& rect);
MonitorDpiProc SetMonitorDpiProc(MonitorDpiProc proc) noexcept;

// The outer rectangle of a window with this client rect and style at dpi
// (AdjustWindowRectExForDpi); without it, the frame at the system DPI scaled to dpi.
void AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi) noexcept;

}  // namespace fw
