#include "CentreWindow.h"

void centreWindow(HWND window)
{
    RECT frame;
    if (!GetWindowRect(window, &frame))
        return;
    const LONG width = frame.right - frame.left;
    const LONG height = frame.bottom - frame.top;

    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor))
        return;
    const RECT& workArea = monitor.rcWork;

    RECT around = workArea;
    const HWND owner = GetWindow(window, GW_OWNER);
    if (owner && IsWindowVisible(owner) && !IsIconic(owner))
        GetWindowRect(owner, &around);

    LONG x = around.left + ((around.right - around.left) - width) / 2;
    LONG y = around.top + ((around.bottom - around.top) - height) / 2;

    // Right and bottom first, so that a window larger than the work area keeps its top left
    // corner (and its caption) visible.
    if (x + width > workArea.right)
        x = workArea.right - width;
    if (y + height > workArea.bottom)
        y = workArea.bottom - height;
    if (x < workArea.left)
        x = workArea.left;
    if (y < workArea.top)
        y = workArea.top;

    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
