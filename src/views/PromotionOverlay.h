#pragma once

#include "chess/PieceType.h"

#include <QWidget>
#include <array>

class QToolButton;
class QPushButton;
class QFrame;

namespace velkor {

class GameManager;
class LocalizationManager;

// The choice of piece for a pawn reaching the last rank: it dims the board and offers queen,
// rook, bishop and knight in the mover's colour, and a cancel button. Visible exactly while the
// game manager has a pending promotion; a click on the dimmed area cancels as well.
class PromotionOverlay : public QWidget {
    Q_OBJECT

public:
    PromotionOverlay(GameManager& game, LocalizationManager& localization, QWidget* parent);

    // The button choosing `type` (queen, rook, bishop or knight).
    QToolButton& choiceButton(PieceType type) const;
    QPushButton& cancelButton() const { return *m_cancel; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void refresh();

    GameManager& m_game;
    QFrame* m_card;
    std::array<QToolButton*, 4> m_choices{};
    QPushButton* m_cancel;
};

} // namespace velkor
