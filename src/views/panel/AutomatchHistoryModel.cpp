#include "AutomatchHistoryModel.h"

#include "AutomatchTexts.h"
#include "automatch/AutomatchManager.h"
#include "localization/LocalizationManager.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>

namespace velkor::panel {

namespace {

constexpr int margin = 6;
constexpr int spacing = 3;

QString resultBadge(const QString& result) {
    if (result == QStringLiteral("1-0")) {
        return QStringLiteral("1 - 0");
    }
    if (result == QStringLiteral("0-1")) {
        return QStringLiteral("0 - 1");
    }
    return QStringLiteral("½ - ½");
}

int buttonHeight(const QFontMetrics& metrics) {
    return metrics.height() + 10;
}

// Two overlapping sheets: "copy", drawn so that it needs no glyph from any font.
void drawCopyIcon(QPainter& painter, const QRect& box, const QColor& colour) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colour, 1.2));
    painter.setBrush(Qt::NoBrush);
    const int side = box.height() * 2 / 3;
    const QRectF back(box.left(), box.top(), side, side);
    const QRectF front = back.translated(side / 3.0, side / 3.0);
    painter.drawRoundedRect(back, 1.5, 1.5);
    painter.setBrush(colour.lighter(190));
    painter.drawRoundedRect(front, 1.5, 1.5);
    painter.restore();
}

} // namespace

AutomatchHistoryModel::AutomatchHistoryModel(AutomatchManager& automatch, QObject* parent)
    : QAbstractListModel(parent), m_automatch(automatch) {
    connect(&automatch, &AutomatchManager::historyRowAdded, this, &AutomatchHistoryModel::prepend);
    connect(&automatch, &AutomatchManager::historyReset, this, &AutomatchHistoryModel::reload);
    m_hasMore = m_automatch.historyCount() > 0;
}

int AutomatchHistoryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

QVariant AutomatchHistoryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() < 0 || index.row() >= rowCount()) {
        return {};
    }
    const automatch::HistoryRow& row = m_rows[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return QStringLiteral("#%1 %2 – %3, %4, %5")
            .arg(row.gameNumber)
            .arg(row.whiteEngineName, row.blackEngineName, row.result, row.reason);
    case keyRole:
        return qint64(row.key);
    case gameNumberRole:
        return qint64(row.gameNumber);
    case playersRole:
        return row.whiteEngineName + QStringLiteral(" – ") + row.blackEngineName;
    case resultBadgeRole:
        return resultBadge(row.result);
    case reasonRole:
        return row.reason;
    case rowNameRole:
        return QStringLiteral("historyRow_%1").arg(row.gameNumber);
    default:
        return {};
    }
}

bool AutomatchHistoryModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && m_hasMore;
}

void AutomatchHistoryModel::fetchMore(const QModelIndex& parent) {
    if (!canFetchMore(parent)) {
        return;
    }
    const std::optional<automatch::HistoryCursor> before =
        m_rows.empty() ? std::nullopt : std::optional(m_rows.back().cursor());
    const QList<automatch::HistoryRow> page = m_automatch.historyPage(before, pageSize);
    m_hasMore = page.size() == pageSize;
    if (page.isEmpty()) {
        return;
    }
    const int first = rowCount();
    beginInsertRows({}, first, first + static_cast<int>(page.size()) - 1);
    m_rows.insert(m_rows.end(), page.begin(), page.end());
    endInsertRows();
}

void AutomatchHistoryModel::reload() {
    beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_hasMore = m_automatch.historyCount() > 0;
    endResetModel();
}

void AutomatchHistoryModel::prepend(const automatch::HistoryRow& row) {
    // Nothing read yet: the first page will bring the row with it.
    if (m_rows.empty() && m_hasMore) {
        return;
    }
    beginInsertRows({}, 0, 0);
    m_rows.insert(m_rows.begin(), row);
    endInsertRows();
}

AutomatchHistoryDelegate::AutomatchHistoryDelegate(LocalizationManager& localization,
                                                   QObject* parent)
    : QStyledItemDelegate(parent), m_localization(localization) {}

int AutomatchHistoryDelegate::rowHeight(const QFont& font) {
    const QFontMetrics metrics(font);
    return 2 * margin + 2 * metrics.height() + 2 * spacing + buttonHeight(metrics) + 4;
}

QRect AutomatchHistoryDelegate::buttonRect(const QRect& row, const QFont& font, Button button) {
    const QFontMetrics metrics(font);
    const int height = buttonHeight(metrics);
    const QRect inner = row.adjusted(margin, margin, -margin, -margin - 4);
    const int top = inner.bottom() - height + 1;
    // "View on Board" takes two thirds, the PGN copy one.
    const int loadWidth = (inner.width() - spacing) * 2 / 3;
    if (button == Button::load) {
        return {inner.left(), top, loadWidth, height};
    }
    return {inner.left() + loadWidth + spacing, top, inner.width() - loadWidth - spacing, height};
}

QSize AutomatchHistoryDelegate::sizeHint(const QStyleOptionViewItem& option,
                                         const QModelIndex&) const {
    return {option.rect.width() > 0 ? option.rect.width() : 200, rowHeight(option.font)};
}

void AutomatchHistoryDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                     const QModelIndex& index) const {
    painter->save();
    const QPalette& palette = option.palette;
    const QRect card = option.rect.adjusted(1, 1, -1, -4);
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(palette.color(QPalette::Mid));
    painter->setBrush(palette.color(
        (option.state & QStyle::State_Selected) ? QPalette::AlternateBase : QPalette::Base));
    painter->drawRoundedRect(QRectF(card).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);

    const QFontMetrics metrics(option.font);
    const QRect inner = option.rect.adjusted(margin, margin, -margin, -margin - 4);
    QFont bold = option.font;
    bold.setBold(true);
    const QFontMetrics boldMetrics(bold);
    const QString badge = index.data(AutomatchHistoryModel::resultBadgeRole).toString();
    const int badgeWidth = boldMetrics.horizontalAdvance(badge);
    const QRect titleLine(inner.left(), inner.top(), inner.width(), metrics.height());

    painter->setPen(palette.color(QPalette::Text));
    painter->setFont(bold);
    const QString number =
        QStringLiteral("#%1 ").arg(index.data(AutomatchHistoryModel::gameNumberRole).toLongLong());
    painter->drawText(titleLine, Qt::AlignLeft | Qt::AlignVCenter, number);
    painter->drawText(titleLine, Qt::AlignRight | Qt::AlignVCenter, badge);
    const int numberWidth = boldMetrics.horizontalAdvance(number);
    painter->setFont(option.font);
    const QRect players = titleLine.adjusted(numberWidth, 0, -badgeWidth - spacing * 2, 0);
    painter->drawText(players, Qt::AlignLeft | Qt::AlignVCenter,
                      metrics.elidedText(index.data(AutomatchHistoryModel::playersRole).toString(),
                                         Qt::ElideRight, players.width()));

    const QRect reasonLine = titleLine.translated(0, metrics.height() + spacing);
    painter->setPen(palette.color(QPalette::PlaceholderText));
    painter->drawText(reasonLine, Qt::AlignLeft | Qt::AlignVCenter,
                      metrics.elidedText(
                          recordReasonText(index.data(AutomatchHistoryModel::reasonRole).toString(),
                                           m_localization),
                          Qt::ElideRight, reasonLine.width()));

    const bool fetchable = index.data(AutomatchHistoryModel::keyRole).toLongLong() > 0;
    QWidget* widget = const_cast<QWidget*>(option.widget);
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    for (const Button which : {Button::load, Button::copyPgn}) {
        QStyleOptionButton button;
        button.rect = buttonRect(option.rect, option.font, which);
        button.fontMetrics = metrics;
        button.palette = palette;
        button.state = QStyle::State_Raised;
        if (fetchable && (option.state & QStyle::State_Enabled)) {
            button.state |= QStyle::State_Enabled;
        }
        if (m_pressedButton == which && m_pressedIndex == index) {
            button.state |= QStyle::State_Sunken;
        }
        if (which == Button::load) {
            button.text = m_localization.text(QStringLiteral("automatch_load_game"));
            style->drawControl(QStyle::CE_PushButton, &button, painter, widget);
            continue;
        }
        style->drawControl(QStyle::CE_PushButtonBevel, &button, painter, widget);
        const QString label = QStringLiteral("PGN");
        const int iconSide = metrics.height() * 3 / 4;
        const int width = metrics.horizontalAdvance(label) + spacing * 2 + iconSide;
        const int left = button.rect.center().x() - width / 2;
        const QColor ink =
            palette.color(fetchable ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText);
        painter->setPen(ink);
        painter->drawText(QRect(left, button.rect.top(), width, button.rect.height()),
                          Qt::AlignLeft | Qt::AlignVCenter, label);
        drawCopyIcon(*painter,
                     QRect(left + width - iconSide, button.rect.center().y() - iconSide / 2,
                           iconSide, iconSide),
                     ink);
    }
    painter->restore();
}

bool AutomatchHistoryDelegate::editorEvent(QEvent* event, QAbstractItemModel*,
                                           const QStyleOptionViewItem& option,
                                           const QModelIndex& index) {
    const auto type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
        type != QEvent::MouseButtonDblClick) {
        return false;
    }
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton) {
        return false;
    }
    std::optional<Button> hit;
    for (const Button which : {Button::load, Button::copyPgn}) {
        if (buttonRect(option.rect, option.font, which).contains(mouse->position().toPoint())) {
            hit = which;
        }
    }
    const qint64 key = index.data(AutomatchHistoryModel::keyRole).toLongLong();
    if (type != QEvent::MouseButtonRelease) {
        m_pressedIndex = hit ? QPersistentModelIndex(index) : QPersistentModelIndex();
        m_pressedButton = hit;
        return hit.has_value();
    }
    // A click is a press and a release on the same button.
    const bool clicked = hit && m_pressedButton == hit && m_pressedIndex == index;
    m_pressedIndex = QPersistentModelIndex();
    m_pressedButton.reset();
    if (!clicked || key <= 0) {
        return hit.has_value();
    }
    if (*hit == Button::load) {
        emit loadRequested(key);
    } else {
        emit copyRequested(key);
    }
    return true;
}

} // namespace velkor::panel
