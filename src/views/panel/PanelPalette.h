#pragma once

#include <QRgb>

// Every colour the control panel draws with, by what it means. Widgets take these through the
// panel's style sheet or, where they paint, directly; no other panel file spells a colour, so a
// change of shade is made here once. Header only: the chart module uses it without linking views.
namespace velkor::panel::palette {

// The panel's own blue: the series strip, the "immediate" badge, the status badge at rest and the
// evaluation curve.
inline constexpr QRgb accent = qRgb(0x3a, 0x6e, 0xa5);
// The series strip's background: the accent, faint.
inline constexpr QRgb accentWash = qRgba(0x3a, 0x6e, 0xa5, 40);
// Something worked (a loaded position, an engine that answered), or an engine at full strength.
inline constexpr QRgb success = qRgb(0x2e, 0x7d, 0x32);
// Something failed or was refused; also the grade of a blunder.
inline constexpr QRgb failure = qRgb(0xc6, 0x28, 0x28);
// Worth a look but not wrong: a strength limit, a paused game.
inline constexpr QRgb caution = qRgb(0xb3, 0x6b, 0x00);
// The status badge while the side to move is in check.
inline constexpr QRgb alarm = qRgb(0xc0, 0x39, 0x2b);
// The status badge once the game is over.
inline constexpr QRgb finished = qRgb(0x55, 0x55, 0x55);
// The grades of a mistake and of an inaccuracy (a blunder takes `failure`).
inline constexpr QRgb mistake = qRgb(0xe6, 0x6a, 0x00);
inline constexpr QRgb inaccuracy = qRgb(0xb0, 0x8a, 0x00);
// Text on a coloured badge, and the short notices over the panel.
inline constexpr QRgb onColour = qRgb(0xff, 0xff, 0xff);
inline constexpr QRgb toast = qRgba(30, 30, 30, 220);

// The drawn icons: the language flags and the checkered flag.
inline constexpr QRgb iconLight = qRgb(0xff, 0xff, 0xff);
inline constexpr QRgb iconDark = qRgb(0x00, 0x00, 0x00);
inline constexpr QRgb iconFrame = qRgba(0, 0, 0, 60);
inline constexpr QRgb unionBlue = qRgb(0x01, 0x21, 0x69);
inline constexpr QRgb unionRed = qRgb(0xc8, 0x10, 0x2e);
inline constexpr QRgb germanRed = qRgb(0xdd, 0x00, 0x00);
inline constexpr QRgb germanGold = qRgb(0xff, 0xce, 0x00);
inline constexpr QRgb dutchRed = qRgb(0xae, 0x1c, 0x28);
inline constexpr QRgb dutchBlue = qRgb(0x21, 0x46, 0x8b);
inline constexpr QRgb frenchBlue = qRgb(0x00, 0x23, 0x95);
inline constexpr QRgb frenchRed = qRgb(0xed, 0x29, 0x39);

} // namespace velkor::panel::palette
