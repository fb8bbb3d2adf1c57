#pragma once

#include "automatch/HistoryStore.h"

#include <QAbstractListModel>
#include <QStyledItemDelegate>
#include <vector>

namespace velkor {
class AutomatchManager;
class LocalizationManager;
} // namespace velkor

namespace velkor::panel {

// The recorded games of the last series, newest first, read from the history store a page at a
// time as the list is scrolled: a long history costs neither start-up time nor memory until it
// is looked at. A newly recorded game goes on top.
class AutomatchHistoryModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role {
        // The store's key of the record (qint64).
        keyRole = Qt::UserRole + 1,
        gameNumberRole,
        // "White – Black".
        playersRole,
        // "1 - 0", "0 - 1" or "½ - ½".
        resultBadgeRole,
        reasonRole,
        // "historyRow_<game number>", the name tools that drive the window know the row by.
        rowNameRole,
    };

    // Rows read per page.
    static constexpr int pageSize = 50;

    explicit AutomatchHistoryModel(AutomatchManager& automatch, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    void reload();
    void prepend(const automatch::HistoryRow& row);

    AutomatchManager& m_automatch;
    std::vector<automatch::HistoryRow> m_rows;
    bool m_hasMore = true;
};

// Draws one history row (number and players, the result, the reason, and the buttons "View on
// Board" and PGN copy) and turns clicks on its buttons into requests: one delegate for every
// row instead of a set of widgets per game.
class AutomatchHistoryDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    enum class Button { load, copyPgn };

    explicit AutomatchHistoryDelegate(LocalizationManager& localization, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

    // Where a button lies in a row drawn into `row` with `font`.
    static QRect buttonRect(const QRect& row, const QFont& font, Button button);
    // The height of every row.
    static int rowHeight(const QFont& font);

signals:
    void loadRequested(qint64 key);
    void copyRequested(qint64 key);

private:
    LocalizationManager& m_localization;
    // The button under a pressed mouse button, drawn sunken until release.
    QPersistentModelIndex m_pressedIndex;
    std::optional<Button> m_pressedButton;
};

} // namespace velkor::panel
