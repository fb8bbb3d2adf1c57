#pragma once

#include "chess/PieceColor.h"

#include <QString>
#include <functional>

class QMessageBox;
class QWidget;

namespace velkor {

class GameManager;
class LocalizationManager;

// Asks before a step that cannot be taken back: a question over `parent`'s window whose confirm
// button names the step (the text of `actionKey`) beside a cancel button, which is the default,
// so Enter or Esc keep everything as it was. `action` runs only when the person confirms. The
// question does not block the event loop (the game and its clocks go on) and deletes itself.
QMessageBox* askBeforeDoing(QWidget* parent, LocalizationManager& localization,
                            const QString& objectName, const QString& questionKey,
                            const QString& detail, const QString& actionKey,
                            std::function<void()> action);

// The colour a resignation now gives up: the person's own against an engine (even while the
// engine is thinking), otherwise the side to move.
PieceColor resigningColor(const GameManager& game);

// Resign, after asking: names the side that resigns, and resigns it only if the game is still
// running when the person confirms.
void confirmResign(QWidget* parent, GameManager& game, LocalizationManager& localization);

} // namespace velkor
