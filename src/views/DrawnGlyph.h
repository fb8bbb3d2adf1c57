#pragma once

#include <QIcon>
#include <functional>
#include <initializer_list>

class QPainter;

namespace velkor {

// An icon whose glyph is drawn here, in the button text colour, at each of `sizes`: no font or
// icon theme is asked, since a font may lack the glyph and a theme look-up costs milliseconds
// before the first frame. `paint` draws on a grid of 16 units of `unit` pixels, filling with the
// painter's brush (no pen), on a square of `size` pixels.
QIcon drawnGlyphIcon(std::initializer_list<int> sizes,
                     const std::function<void(QPainter& painter, double unit, int size)>& paint);

} // namespace velkor
