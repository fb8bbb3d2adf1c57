#pragma once

class QObject;

namespace velkor {

class GameManager;

// For tools that drive the program the way a person does (the end-to-end test clicks real pixels
// on a private X server): when $VELKOR_WIDGET_MAP names a file, every 200 ms that file is
// replaced atomically by a JSON list of the visible widgets that carry an object name, with their
// place on the screen, whether they are enabled and what they show; the board also gives where
// its squares are, whether it is flipped and its position, and open menus list their entries. Does
// nothing when the variable is unset.
void startWidgetMapIfAsked(const GameManager& game, QObject& owner);

} // namespace velkor
