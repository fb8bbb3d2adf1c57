#include "SetupPositionDialog.h"

#include "BoardGeometry.h"
#include "BoardPalette.h"
#include "LocalizedText.h"
#include "PieceGlyph.h"
#include "base/DomainError.h"
#include "game/GameManager.h"
#include "localization/LocalizationManager.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <array>
#include <cmath>

namespace velkor {

namespace {

constexpr std::array<PieceType, 6> paletteOrder{PieceType::king,   PieceType::queen,
                                                PieceType::rook,   PieceType::bishop,
                                                PieceType::knight, PieceType::pawn};

// The pointer while a man is carried: the man itself, so it shows also off the board, where
// letting go removes it.
QCursor carryCursor(SetupMan man) {
    const int size = 56;
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    paintPiece(painter, man.type, man.color, QRectF(0, 0, size, size));
    painter.end();
    return QCursor(pixmap, size / 2, size / 2);
}

// A press that moved this far is a drag, not a click.
bool movedFar(QPoint from, QPoint to) {
    return (to - from).manhattanLength() >= QApplication::startDragDistance();
}

} // namespace

SetupBoardView::SetupBoardView(SetupPosition& setup,
                               std::function<std::optional<SetupMan>()> chosenMan, QWidget* parent)
    : QWidget(parent), m_setup(setup), m_chosenMan(std::move(chosenMan)) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void SetupBoardView::setFlipped(bool flipped) {
    m_flipped = flipped;
    update();
}

double SetupBoardView::side() const {
    return crispBoardSide(width(), height(), devicePixelRatioF());
}

QPointF SetupBoardView::origin() const {
    return {(width() - side()) / 2, (height() - side()) / 2};
}

std::optional<Square> SetupBoardView::squareAt(QPoint point) const {
    return velkor::squareAt(QPointF(point) - origin(), side(), m_flipped);
}

QPoint SetupBoardView::centreOf(Square square) const {
    return squareRect(square, side(), m_flipped).translated(origin()).center().toPoint();
}

void SetupBoardView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double boardSide = side();
    painter.translate(origin());
    for (const Square square : allSquares) {
        const QRectF rect = squareRect(square, boardSide, m_flipped);
        painter.fillRect(rect, square.isLight() ? BoardPalette::lightSquare()
                                                : BoardPalette::darkSquare());
        if (m_setup.enPassantSquare() == square) {
            painter.fillRect(rect, BoardPalette::lastMove());
        }
        // The man being carried is drawn at the pointer (the cursor), not at home.
        if (m_dragging && m_pressed == square) {
            continue;
        }
        if (const std::optional<SetupMan> man = m_setup.manAt(square)) {
            paintPiece(painter, man->type, man->color, rect);
        }
    }
}

void SetupBoardView::mousePressEvent(QMouseEvent* event) {
    const std::optional<Square> square = squareAt(event->position().toPoint());
    if (!square) {
        return;
    }
    if (event->button() == Qt::RightButton) {
        if (m_setup.manAt(*square)) {
            m_setup.remove(*square);
            emit edited();
        }
        return;
    }
    if (event->button() == Qt::LeftButton) {
        m_pressed = square;
        m_pressPoint = event->position().toPoint();
        m_dragging = false;
    }
}

void SetupBoardView::mouseMoveEvent(QMouseEvent* event) {
    if (!m_pressed || m_dragging || !(event->buttons() & Qt::LeftButton)) {
        return;
    }
    const std::optional<SetupMan> man = m_setup.manAt(*m_pressed);
    if (man && movedFar(m_pressPoint, event->position().toPoint())) {
        m_dragging = true;
        setCursor(carryCursor(*man));
        update();
    }
}

void SetupBoardView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_pressed) {
        return;
    }
    const Square from = *m_pressed;
    const bool dragged = m_dragging;
    m_pressed.reset();
    m_dragging = false;
    unsetCursor();
    const std::optional<Square> to = squareAt(event->position().toPoint());
    if (dragged) {
        if (to) {
            m_setup.move(from, *to);
        } else {
            m_setup.remove(from);
        }
        emit edited();
        return;
    }
    const std::optional<SetupMan> chosen = m_chosenMan ? m_chosenMan() : std::nullopt;
    if (!chosen || to != from) {
        update();
        return;
    }
    // Clicking the chosen man onto a square that holds it already takes it off again, so a
    // misplaced man is mended without changing tools.
    if (m_setup.manAt(from) == chosen) {
        m_setup.remove(from);
    } else {
        m_setup.put(from, *chosen);
    }
    emit edited();
}

SetupPaletteView::SetupPaletteView(QWidget* parent) : QWidget(parent) {
    // Men about the size of the board's, below it; a larger palette would take the board's room.
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(104);
}

double SetupPaletteView::cell() const {
    return std::floor(std::min(width() / 6.0, height() / 2.0));
}

QPoint SetupPaletteView::centreOf(SetupMan man) const {
    const auto column =
        std::find(paletteOrder.begin(), paletteOrder.end(), man.type) - paletteOrder.begin();
    const int row = man.color == PieceColor::white ? 0 : 1;
    const double size = cell();
    return QPointF((static_cast<double>(column) + 0.5) * size, (row + 0.5) * size).toPoint();
}

std::optional<SetupMan> SetupPaletteView::manAt(QPoint point) const {
    const double size = cell();
    if (size <= 0 || point.x() < 0 || point.y() < 0) {
        return std::nullopt;
    }
    const auto column = static_cast<std::size_t>(point.x() / size);
    const auto row = static_cast<int>(point.y() / size);
    if (column >= paletteOrder.size() || row > 1) {
        return std::nullopt;
    }
    return SetupMan{paletteOrder[column], row == 0 ? PieceColor::white : PieceColor::black};
}

void SetupPaletteView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double size = cell();
    for (int row = 0; row < 2; ++row) {
        for (std::size_t column = 0; column < paletteOrder.size(); ++column) {
            const SetupMan man{paletteOrder[column],
                               row == 0 ? PieceColor::white : PieceColor::black};
            const QRectF rect(static_cast<double>(column) * size, row * size, size, size);
            painter.fillRect(rect, (static_cast<int>(column) + row) % 2 == 0
                                       ? BoardPalette::lightSquare()
                                       : BoardPalette::darkSquare());
            if (m_chosen == man) {
                painter.fillRect(rect, BoardPalette::selection());
            }
            paintPiece(painter, man.type, man.color, rect);
        }
    }
}

void SetupPaletteView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    m_pressed = manAt(event->position().toPoint());
    m_pressPoint = event->position().toPoint();
    m_dragging = false;
}

void SetupPaletteView::mouseMoveEvent(QMouseEvent* event) {
    if (m_pressed && !m_dragging && (event->buttons() & Qt::LeftButton) &&
        movedFar(m_pressPoint, event->position().toPoint())) {
        m_dragging = true;
        setCursor(carryCursor(*m_pressed));
    }
}

void SetupPaletteView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_pressed) {
        return;
    }
    const SetupMan man = *m_pressed;
    const bool dragged = m_dragging;
    m_pressed.reset();
    m_dragging = false;
    unsetCursor();
    if (dragged) {
        emit dropped(man, event->globalPosition().toPoint());
        return;
    }
    if (manAt(event->position().toPoint()) != man) {
        return;
    }
    m_chosen = m_chosen == man ? std::nullopt : std::optional<SetupMan>(man);
    update();
    emit chosenChanged();
}

SetupPositionDialog::SetupPositionDialog(GameManager& game, LocalizationManager& localization,
                                         const QString& initialFen, QWidget* parent)
    : QDialog(parent), m_game(game), m_localization(localization) {
    try {
        m_setup = SetupPosition::fromFen(initialFen.toStdString());
    } catch (const DomainError&) {
        m_setup = SetupPosition();
    }
    bindLocalizedText(this, localization, QStringLiteral("setup_title"),
                      [this](const QString& title) { setWindowTitle(title); });
    const auto localized = [&localization](QWidget* widget, const char* key, auto apply) {
        bindLocalizedText(widget, localization, QLatin1String(key),
                          [widget, apply](const QString& text) { apply(widget, text); });
    };
    const auto setButtonText = [](QWidget* widget, const QString& text) {
        static_cast<QAbstractButton*>(widget)->setText(text);
    };

    m_palette = new SetupPaletteView(this);
    m_palette->setObjectName(QStringLiteral("setupPalette"));
    m_board = new SetupBoardView(
        m_setup, [this] { return m_palette->chosen(); }, this);
    m_board->setObjectName(QStringLiteral("setupBoard"));
    connect(m_board, &SetupBoardView::edited, this, &SetupPositionDialog::edited);
    connect(m_palette, &SetupPaletteView::dropped, this, [this](SetupMan man, QPoint global) {
        if (const std::optional<Square> square =
                m_board->squareAt(m_board->mapFromGlobal(global))) {
            m_setup.put(*square, man);
            edited();
        }
    });
    auto* hint = new LocalizedText(QStringLiteral("setup_palette_hint"), localization, this);
    hint->setWordWrap(true);

    auto* clear = new QPushButton(this);
    clear->setObjectName(QStringLiteral("setupClear"));
    localized(clear, "btn_setup_clear", setButtonText);
    connect(clear, &QPushButton::clicked, this, [this] {
        m_setup.clear();
        edited();
    });
    auto* start = new QPushButton(this);
    start->setObjectName(QStringLiteral("setupStart"));
    localized(start, "btn_setup_start", setButtonText);
    connect(start, &QPushButton::clicked, this, [this] {
        m_setup.reset();
        edited();
    });
    auto* flip = new QPushButton(this);
    flip->setObjectName(QStringLiteral("setupFlip"));
    localized(flip, "btn_flip_board", setButtonText);
    connect(flip, &QPushButton::clicked, this,
            [this] { m_board->setFlipped(!m_board->isFlipped()); });

    auto* turnBox = new QGroupBox(this);
    localized(turnBox, "setup_side_to_move", [](QWidget* widget, const QString& text) {
        static_cast<QGroupBox*>(widget)->setTitle(text);
    });
    m_turn = new QButtonGroup(this);
    auto* turnLayout = new QVBoxLayout(turnBox);
    for (const PieceColor color : {PieceColor::white, PieceColor::black}) {
        auto* button = new QRadioButton(turnBox);
        localized(button, color == PieceColor::white ? "white_player" : "black_player",
                  setButtonText);
        m_turn->addButton(button, static_cast<int>(color));
        turnLayout->addWidget(button);
    }
    connect(m_turn, &QButtonGroup::idClicked, this, [this](int id) {
        m_setup.setTurn(static_cast<PieceColor>(id));
        edited();
    });

    auto* castlingBox = new QGroupBox(this);
    localized(castlingBox, "setup_castling", [](QWidget* widget, const QString& text) {
        static_cast<QGroupBox*>(widget)->setTitle(text);
    });
    auto* castlingLayout = new QVBoxLayout(castlingBox);
    const char* castlingKeys[4] = {"setup_white_kingside", "setup_white_queenside",
                                   "setup_black_kingside", "setup_black_queenside"};
    for (int index = 0; index < 4; ++index) {
        m_castling[index] = new QCheckBox(castlingBox);
        localized(m_castling[index], castlingKeys[index], setButtonText);
        castlingLayout->addWidget(m_castling[index]);
        connect(m_castling[index], &QCheckBox::clicked, this, [this] {
            m_setup.setCastlingRights(
                CastlingRights{m_castling[0]->isChecked(), m_castling[1]->isChecked(),
                               m_castling[2]->isChecked(), m_castling[3]->isChecked()});
            edited();
        });
    }

    m_enPassant = new QComboBox(this);
    m_enPassant->setObjectName(QStringLiteral("setupEnPassant"));
    connect(m_enPassant, &QComboBox::activated, this, [this](int index) {
        m_setup.setEnPassantFile(index <= 0 ? std::nullopt : std::optional<int>(index - 1));
        edited();
    });
    m_halfmove = new QSpinBox(this);
    m_halfmove->setRange(0, 9999);
    m_fullmove = new QSpinBox(this);
    m_fullmove->setRange(1, 9999);
    connect(m_halfmove, &QSpinBox::valueChanged, this, [this](int value) {
        if (!m_showing) {
            m_setup.setHalfmoveClock(value);
            edited();
        }
    });
    connect(m_fullmove, &QSpinBox::valueChanged, this, [this](int value) {
        if (!m_showing) {
            m_setup.setFullmoveNumber(value);
            edited();
        }
    });
    auto* numbers = new QGridLayout;
    const auto addRow = [this, &numbers, &localization](int row, const char* key, QWidget* field) {
        numbers->addWidget(new LocalizedText(QLatin1String(key), localization, this), row, 0);
        numbers->addWidget(field, row, 1);
    };
    addRow(0, "setup_en_passant", m_enPassant);
    addRow(1, "setup_halfmove_clock", m_halfmove);
    addRow(2, "setup_fullmove_number", m_fullmove);

    m_fen = new QLineEdit(this);
    m_fen->setObjectName(QStringLiteral("setupFen"));
    connect(m_fen, &QLineEdit::textEdited, this, &SetupPositionDialog::fenTyped);
    m_reason = new QLabel(this);
    m_reason->setObjectName(QStringLiteral("setupReason"));
    m_reason->setWordWrap(true);

    m_analyse = new QPushButton(this);
    m_analyse->setObjectName(QStringLiteral("setupAnalyse"));
    localized(m_analyse, "btn_setup_analyse", setButtonText);
    connect(m_analyse, &QPushButton::clicked, this, &SetupPositionDialog::analyse);
    m_play = new QPushButton(this);
    m_play->setObjectName(QStringLiteral("setupPlay"));
    m_play->setDefault(true);
    localized(m_play, "btn_setup_play", setButtonText);
    connect(m_play, &QPushButton::clicked, this, &SetupPositionDialog::play);
    auto* cancel = new QPushButton(this);
    localized(cancel, "btn_cancel", setButtonText);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* left = new QVBoxLayout;
    left->addWidget(m_board, 1);
    left->addWidget(m_palette);
    left->addWidget(hint);
    auto* right = new QVBoxLayout;
    auto* tools = new QHBoxLayout;
    tools->addWidget(clear);
    tools->addWidget(start);
    tools->addWidget(flip);
    right->addLayout(tools);
    right->addWidget(turnBox);
    right->addWidget(castlingBox);
    right->addLayout(numbers);
    right->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addLayout(left, 3);
    top->addLayout(right, 2);
    auto* fenRow = new QHBoxLayout;
    fenRow->addWidget(new LocalizedText(QStringLiteral("setup_fen"), localization, this));
    fenRow->addWidget(m_fen, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancel);
    buttons->addWidget(m_analyse);
    buttons->addWidget(m_play);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(fenRow);
    layout->addWidget(m_reason);
    layout->addLayout(buttons);

    // The language may change while the dialog is open: the reason and the list follow it.
    bindLocalizedText(
        this, localization, [] { return QString(); }, [this](const QString&) { showState(); });
    setMinimumSize(720, 640);
    resize(820, 720);
}

void SetupPositionDialog::edited() {
    m_unreadable.reset();
    showState();
}

void SetupPositionDialog::fenTyped(const QString& text) {
    try {
        m_setup = SetupPosition::fromFen(text.toStdString());
        m_unreadable.reset();
    } catch (const DomainError&) {
        // The board keeps the last position that read; the text stays for the person to finish.
        m_unreadable = text;
    }
    showState();
}

void SetupPositionDialog::showState() {
    m_showing = true;
    m_board->update();
    m_turn->button(static_cast<int>(m_setup.turn()))->setChecked(true);
    const CastlingRights rights = m_setup.castlingRights();
    const bool flags[4] = {rights.whiteKingside, rights.whiteQueenside, rights.blackKingside,
                           rights.blackQueenside};
    for (int index = 0; index < 4; ++index) {
        m_castling[index]->setChecked(flags[index]);
    }
    // The en-passant square lies on the rank behind a pawn of the side that just moved.
    const char rank = m_setup.turn() == PieceColor::white ? '6' : '3';
    m_enPassant->clear();
    m_enPassant->addItem(m_localization.text(QStringLiteral("setup_en_passant_none")));
    for (char file = 'a'; file <= 'h'; ++file) {
        m_enPassant->addItem(QString(QChar(file)) + QChar(rank));
    }
    m_enPassant->setCurrentIndex(m_setup.enPassantFile() ? *m_setup.enPassantFile() + 1 : 0);
    m_halfmove->setValue(static_cast<int>(std::min<std::int64_t>(m_setup.halfmoveClock(), 9999)));
    m_fullmove->setValue(static_cast<int>(std::min<std::int64_t>(m_setup.fullmoveNumber(), 9999)));
    // The field keeps what is being typed into it; every other edit writes the new FEN there.
    if (!m_unreadable && !(m_fen->hasFocus() && m_fen->isModified())) {
        m_fen->setText(QString::fromStdString(m_setup.fen()));
    }
    m_fen->setModified(false);
    m_showing = false;
    showProblem();
}

QString SetupPositionDialog::reasonText() const {
    const auto text = [this](const char* key) { return m_localization.text(QLatin1String(key)); };
    if (m_unreadable) {
        try {
            SetupPosition::fromFen(m_unreadable->toStdString());
        } catch (const DomainError& error) {
            return text("invalid_fen") + u' ' + QString::fromStdString(error.message());
        }
    }
    const std::optional<SetupProblem> problem = m_setup.problem();
    if (!problem) {
        return QString();
    }
    switch (problem->code) {
    case 10:
        return text("setup_reason_kings");
    case 11:
        return text("setup_reason_castling");
    case 8:
    case 12:
        return text("setup_reason_en_passant");
    case 13:
        if (problem->unreachable == position::Unreachable::sideNotToMoveInCheck) {
            return text("setup_reason_check");
        }
        if (problem->unreachable == position::Unreachable::tooManyPawns) {
            return text("setup_reason_pawn_count");
        }
        return text("setup_reason_pawn_rank");
    default:
        return text("invalid_fen") + u' ' + QString::fromStdString(problem->message);
    }
}

void SetupPositionDialog::showProblem() {
    const QString reason = reasonText();
    const bool acceptable = reason.isEmpty();
    m_reason->setText(acceptable ? m_localization.text(QStringLiteral("setup_ready")) : reason);
    m_reason->setStyleSheet(acceptable ? QString() : QStringLiteral("color: #b00020;"));
    m_play->setEnabled(acceptable);
    m_analyse->setEnabled(acceptable);
}

void SetupPositionDialog::play() {
    if (!reasonText().isEmpty()) {
        return;
    }
    try {
        m_game.loadFEN(QString::fromStdString(m_setup.fen()));
    } catch (const DomainError&) {
        // The reader judged this very text a moment ago; should it refuse now, the dialog stays
        // open with its reason rather than closing on a game that did not start.
        showProblem();
        return;
    }
    accept();
}

void SetupPositionDialog::analyse() {
    if (!reasonText().isEmpty()) {
        return;
    }
    // Shown, not played: no engine takes a turn and no clock runs while it is analysed.
    if (!m_game.replayGame(QStringList{}, QString::fromStdString(m_setup.fen()), std::nullopt)) {
        QMessageBox::information(
            this, windowTitle(),
            m_localization.text(QStringLiteral("automatch_view_refused_running")));
        return;
    }
    QWidget* window = parentWidget() ? parentWidget()->window() : nullptr;
    if (auto* action =
            window ? window->findChild<QAction*>(QStringLiteral("analyseAction")) : nullptr) {
        // The action starts and stops the analysis; one already running follows the new position.
        if (!action->isCheckable() || !action->isChecked()) {
            action->trigger();
        }
    }
    accept();
}

} // namespace velkor
