#include "PromotionOverlay.h"

#include "LocalizedText.h"
#include "PieceGlyph.h"
#include "game/GameManager.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace velkor {
namespace {

struct Choice {
    PieceType type;
    const char* key;
};

constexpr std::array<Choice, 4> choices{{{PieceType::queen, "queen"},
                                         {PieceType::rook, "rook"},
                                         {PieceType::bishop, "bishop"},
                                         {PieceType::knight, "knight"}}};

QIcon pieceIcon(PieceType type, PieceColor color, int size, double devicePixelRatio) {
    QPixmap pixmap(QSize(size, size) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    paintPiece(painter, type, color, QRectF(0, 0, size, size));
    return QIcon(pixmap);
}

} // namespace

PromotionOverlay::PromotionOverlay(GameManager& game, LocalizationManager& localization,
                                   QWidget* parent)
    : QWidget(parent), m_game(game), m_card(new QFrame(this)), m_cancel(new QPushButton(m_card)) {
    m_card->setObjectName(QStringLiteral("promotionCard"));
    m_card->setAutoFillBackground(true);
    m_card->setFrameShape(QFrame::StyledPanel);
    auto* cardLayout = new QVBoxLayout(m_card);
    auto* title = new LocalizedText(QStringLiteral("promote_pawn"), localization, m_card);
    title->setAlignment(Qt::AlignCenter);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    title->setFont(titleFont);
    cardLayout->addWidget(title);

    auto* row = new QHBoxLayout;
    for (std::size_t index = 0; index < choices.size(); ++index) {
        auto* button = new QToolButton(m_card);
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setIconSize(QSize(56, 56));
        button->setObjectName(QStringLiteral("promote_%1").arg(QLatin1String(choices[index].key)));
        bindLocalizedText(button, localization, QLatin1String(choices[index].key),
                          [button](const QString& text) { button->setText(text); });
        const PieceType type = choices[index].type;
        connect(button, &QToolButton::clicked, this, [this, type] {
            // The choice may come after the game moved on; the game manager ignores it then.
            if (m_game.clicks().pendingPromotion()) {
                m_game.confirmPromotion(type);
            }
        });
        m_choices[index] = button;
        row->addWidget(button);
    }
    cardLayout->addLayout(row);
    bindLocalizedText(m_cancel, localization, QStringLiteral("btn_cancel"),
                      [this](const QString& text) { m_cancel->setText(text); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { m_game.cancelPromotion(); });
    cardLayout->addWidget(m_cancel, 0, Qt::AlignCenter);

    auto* outer = new QVBoxLayout(this);
    outer->addStretch();
    outer->addWidget(m_card, 0, Qt::AlignCenter);
    outer->addStretch();

    connect(&game, &GameManager::pendingPromotionChanged, this, &PromotionOverlay::refresh);
    refresh();
}

QToolButton& PromotionOverlay::choiceButton(PieceType type) const {
    for (std::size_t index = 0; index < choices.size(); ++index) {
        if (choices[index].type == type) {
            return *m_choices[index];
        }
    }
    return *m_choices.front();
}

void PromotionOverlay::refresh() {
    const auto pending = m_game.clicks().pendingPromotion();
    if (!pending) {
        hide();
        return;
    }
    const auto mover = m_game.board()[pending->from];
    const PieceColor color = mover ? mover->color : m_game.board().turn();
    for (std::size_t index = 0; index < choices.size(); ++index) {
        m_choices[index]->setIcon(pieceIcon(choices[index].type, color, 56, devicePixelRatioF()));
    }
    show();
    raise();
}

void PromotionOverlay::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 0, 110));
}

void PromotionOverlay::mousePressEvent(QMouseEvent* event) {
    // Only the dimmed area reaches here; the card's buttons take their own clicks.
    if (!m_card->geometry().contains(event->position().toPoint())) {
        m_game.cancelPromotion();
    }
    event->accept();
}

} // namespace velkor
