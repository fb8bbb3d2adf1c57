#pragma once

#include "chess/SetupPosition.h"

#include <QDialog>
#include <QPoint>
#include <functional>
#include <optional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace velkor {

class GameManager;
class LocalizationManager;

// The board of the set-up editor. It draws the position being set up and turns the mouse into
// edits: a click puts the chosen man (a click on that same man takes it off again), a drag
// carries a man to another square, a drag off the board or a right click removes it.
class SetupBoardView : public QWidget {
    Q_OBJECT

public:
    SetupBoardView(SetupPosition& setup, std::function<std::optional<SetupMan>()> chosenMan,
                   QWidget* parent = nullptr);

    void setFlipped(bool flipped);
    bool isFlipped() const { return m_flipped; }
    // The square under a point of this widget, none off the board.
    std::optional<Square> squareAt(QPoint point) const;
    // The centre of a square in this widget's coordinates, for tests and the palette's drops.
    QPoint centreOf(Square square) const;

    QSize sizeHint() const override { return {400, 400}; }
    QSize minimumSizeHint() const override { return {240, 240}; }

signals:
    void edited();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    double side() const;
    QPointF origin() const;

    SetupPosition& m_setup;
    std::function<std::optional<SetupMan>()> m_chosenMan;
    bool m_flipped = false;
    std::optional<Square> m_pressed;
    QPoint m_pressPoint;
    bool m_dragging = false;
};

// The twelve men to choose from, White's above Black's. A click chooses a man (again: none); a
// man dragged from here onto the board is put where it is let go.
class SetupPaletteView : public QWidget {
    Q_OBJECT

public:
    explicit SetupPaletteView(QWidget* parent = nullptr);

    std::optional<SetupMan> chosen() const { return m_chosen; }
    // The centre of a man's cell, for tests.
    QPoint centreOf(SetupMan man) const;

    QSize sizeHint() const override { return {312, 104}; }

signals:
    void chosenChanged();
    // A man let go at a point of the screen after a drag out of the palette.
    void dropped(SetupMan man, QPoint globalPoint);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    double cell() const;
    std::optional<SetupMan> manAt(QPoint point) const;

    std::optional<SetupMan> m_chosen;
    std::optional<SetupMan> m_pressed;
    QPoint m_pressPoint;
    bool m_dragging = false;
};

// Game > Set Up Position...: a position built on a board of its own, with the side to move,
// castling rights, en-passant square, move numbers and its FEN, which may also be typed or
// pasted. The FEN reader judges it: while it refuses, its reason is shown and neither "Play"
// (a new game from the position) nor "Analyse" (the position shown for analysis) can be chosen.
class SetupPositionDialog : public QDialog {
    Q_OBJECT

public:
    // Starts from the FEN `initialFen` (the position on the main board, say); the start position
    // when its fields do not read.
    SetupPositionDialog(GameManager& game, LocalizationManager& localization,
                        const QString& initialFen, QWidget* parent = nullptr);

    const SetupPosition& setup() const { return m_setup; }
    SetupBoardView& board() const { return *m_board; }
    SetupPaletteView& palette() const { return *m_palette; }

private:
    void edited();
    void fenTyped(const QString& text);
    void showState();
    void showProblem();
    QString reasonText() const;
    void play();
    void analyse();

    GameManager& m_game;
    LocalizationManager& m_localization;
    SetupPosition m_setup;
    // The typed text that does not read as a FEN, while it is in the field.
    std::optional<QString> m_unreadable;
    bool m_showing = false;

    SetupBoardView* m_board;
    SetupPaletteView* m_palette;
    QButtonGroup* m_turn;
    QCheckBox* m_castling[4];
    QComboBox* m_enPassant;
    QSpinBox* m_halfmove;
    QSpinBox* m_fullmove;
    QLineEdit* m_fen;
    QLabel* m_reason;
    QPushButton* m_analyse;
    QPushButton* m_play;
};

} // namespace velkor
