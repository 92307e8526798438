// The colour a status mark shows on the screen: the pixels under a window, read back from
// the display as a person would see them.
#pragma once

#include <windows.h>

#include <vector>

enum class ScreenColour
{
    Green,
    Red,
    Neither,
};

// The window's area as the screen shows it now; the caller has brought it to the top and
// let it paint.
inline ScreenColour ScreenColourOfArea(HWND item)
{
    RECT area;
    if (!item || !GetWindowRect(item, &area))
        return ScreenColour::Neither;
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0)
        return ScreenColour::Neither;

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP capture = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, capture);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    SelectObject(memory, previous);

    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = -height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    std::vector<RGBQUAD> pixels(static_cast<size_t>(width) * height);
    GetDIBits(memory, capture, 0, height, pixels.data(), &format, DIB_RGB_COLORS);
    DeleteObject(capture);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    // Pure hues only: the orange of a warning icon is not red, and the blend of a mark's edge
    // with the grey ground counts as neither.
    int green = 0, red = 0, orange = 0;
    for (const RGBQUAD& p : pixels) {
        if (p.rgbGreen > 120 && p.rgbRed < 90 && p.rgbBlue < 90)
            ++green;
        else if (p.rgbRed > 150 && p.rgbGreen < 90 && p.rgbBlue < 90)
            ++red;
        else if (p.rgbRed > 150 && p.rgbGreen >= 90 && p.rgbBlue < 90)
            ++orange;
    }
    // A mark covers dozens of pixels; a few stray ones are not a mark.
    if (green >= 15 && red == 0)
        return ScreenColour::Green;
    if (red >= 15 && green == 0 && red > 4 * orange)
        return ScreenColour::Red;
    return ScreenColour::Neither;
}
