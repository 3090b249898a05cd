// Colours as 32-bit values: $00BBGGRR for a plain colour, or $80 in the top byte and a
// system colour index in the low byte, resolved from the application palette when drawn.
#pragma once

#include <QColor>
#include <cstdint>

using TColor = uint32_t;

constexpr TColor clWindowText = 0x80000008;
constexpr TColor clBtnFace = 0x8000000F;
constexpr TColor clBtnShadow = 0x80000010;
constexpr TColor clBtnText = 0x80000012;
constexpr TColor clBtnHighlight = 0x80000014;
constexpr TColor cl3DDkShadow = 0x80000015;
constexpr TColor cl3DLight = 0x80000016;

constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clSkyBlue = 0xF0CAA6;

constexpr bool IsSystemColor(TColor color) {
    return (color & 0xFF000000) == 0x80000000;
}

// The colour as RGB, a system colour replaced by the application palette's current one.
QColor ColorToRGB(TColor color);
