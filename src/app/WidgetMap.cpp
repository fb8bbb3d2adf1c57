#include "WidgetMap.h"

#include "game/GameManager.h"
#include "platform/AtomicFile.h"
#include "views/BoardView.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QApplication>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTimer>
#include <QWidget>

namespace velkor {

namespace {

constexpr int refreshMilliseconds = 200;

QJsonObject rectObject(const QRect& rect) {
    return {{QStringLiteral("x"), rect.x()},
            {QStringLiteral("y"), rect.y()},
            {QStringLiteral("w"), rect.width()},
            {QStringLiteral("h"), rect.height()}};
}

QRect globalRect(const QWidget& widget, const QRect& local) {
    return {widget.mapToGlobal(local.topLeft()), local.size()};
}

// What the widget shows or holds, as a person would read it off the screen.
void addContent(const QWidget& widget, QJsonObject& entry) {
    if (const auto* button = qobject_cast<const QAbstractButton*>(&widget)) {
        entry.insert(QStringLiteral("text"), button->text());
        if (button->isCheckable()) {
            entry.insert(QStringLiteral("checked"), button->isChecked());
        }
    } else if (const auto* label = qobject_cast<const QLabel*>(&widget)) {
        entry.insert(QStringLiteral("text"), label->text());
    } else if (const auto* combo = qobject_cast<const QComboBox*>(&widget)) {
        entry.insert(QStringLiteral("text"), combo->currentText());
        QJsonArray items;
        for (int i = 0; i < combo->count(); ++i) {
            items.append(combo->itemText(i));
        }
        entry.insert(QStringLiteral("items"), items);
    } else if (const auto* spin = qobject_cast<const QSpinBox*>(&widget)) {
        entry.insert(QStringLiteral("value"), spin->value());
    } else if (const auto* slider = qobject_cast<const QAbstractSlider*>(&widget)) {
        entry.insert(QStringLiteral("value"), slider->value());
    } else if (const auto* line = qobject_cast<const QLineEdit*>(&widget)) {
        entry.insert(QStringLiteral("text"), line->text());
    } else if (const auto* edit = qobject_cast<const QPlainTextEdit*>(&widget)) {
        entry.insert(QStringLiteral("text"), edit->toPlainText());
    }
}

// Menu entries are actions, not widgets: each is listed with the place a click opens or runs it.
QJsonArray menuEntries(const QWidget& widget) {
    QJsonArray entries;
    const auto* bar = qobject_cast<const QMenuBar*>(&widget);
    const auto* menu = qobject_cast<const QMenu*>(&widget);
    for (QAction* action : widget.actions()) {
        if (!action->isVisible() || action->isSeparator()) {
            continue;
        }
        const QRect local =
            bar != nullptr ? bar->actionGeometry(action) : menu->actionGeometry(action);
        entries.append(
            QJsonObject{{QStringLiteral("text"), action->text().remove(QLatin1Char('&'))},
                        {QStringLiteral("enabled"), action->isEnabled()},
                        {QStringLiteral("rect"), rectObject(globalRect(widget, local))}});
    }
    return entries;
}

bool isMenu(const QWidget& widget) {
    return qobject_cast<const QMenuBar*>(&widget) != nullptr ||
           qobject_cast<const QMenu*>(&widget) != nullptr;
}

QJsonObject describe(const QWidget& widget, const GameManager& game) {
    QJsonObject entry{
        {QStringLiteral("name"), widget.objectName()},
        {QStringLiteral("class"), QString::fromLatin1(widget.metaObject()->className())},
        {QStringLiteral("window"), widget.window()->objectName()},
        {QStringLiteral("enabled"), widget.isEnabled()},
        {QStringLiteral("rect"), rectObject(globalRect(widget, widget.rect()))},
        // Scroll areas hide parts of their content: this is the part a click can reach.
        {QStringLiteral("visibleRect"),
         rectObject(globalRect(widget, widget.visibleRegion().boundingRect()))},
    };
    addContent(widget, entry);
    if (isMenu(widget)) {
        entry.insert(QStringLiteral("actions"), menuEntries(widget));
        if (widget.objectName().isEmpty()) {
            entry.insert(QStringLiteral("name"), qobject_cast<const QMenuBar*>(&widget) != nullptr
                                                     ? QStringLiteral("menuBar")
                                                     : QStringLiteral("menu"));
        }
    }
    if (const auto* board = qobject_cast<const BoardView*>(&widget)) {
        entry.insert(QStringLiteral("boardRect"),
                     rectObject(globalRect(widget, board->boardRect().toAlignedRect())));
        entry.insert(QStringLiteral("flipped"), game.isFlipped());
        entry.insert(QStringLiteral("fen"), QString::fromStdString(game.board().fen()));
        entry.insert(QStringLiteral("plies"), static_cast<qint64>(game.board().history().size()));
        entry.insert(QStringLiteral("gameOver"), game.isGameOver());
    }
    return entry;
}

// Rows a list draws itself (no widget per row) are listed like widgets, named by the role the
// view's "widgetMapRole" property gives, when they are in sight.
void addItemRows(const QAbstractItemView& view, QJsonArray& widgets) {
    const QVariant role = view.property("widgetMapRole");
    const QAbstractItemModel* model = view.model();
    if (!role.isValid() || model == nullptr) {
        return;
    }
    // What of the list is not hidden by the scroll area around it.
    const QRect visible = view.viewport()->visibleRegion().boundingRect();
    for (int row = 0; row < model->rowCount(); ++row) {
        const QModelIndex index = model->index(row, 0);
        const QRect rect = view.visualRect(index);
        if (!rect.intersects(view.viewport()->rect())) {
            continue;
        }
        widgets.append(
            QJsonObject{{QStringLiteral("name"), model->data(index, role.toInt()).toString()},
                        {QStringLiteral("class"), QStringLiteral("ItemRow")},
                        {QStringLiteral("window"), view.window()->objectName()},
                        {QStringLiteral("enabled"), view.isEnabled()},
                        {QStringLiteral("rect"), rectObject(globalRect(*view.viewport(), rect))},
                        {QStringLiteral("visibleRect"),
                         rectObject(globalRect(*view.viewport(), rect.intersected(visible)))},
                        {QStringLiteral("text"), model->data(index, Qt::DisplayRole).toString()}});
    }
}

QByteArray snapshot(const GameManager& game) {
    QJsonArray widgets;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (const QWidget* window : windows) {
        if (!window->isVisible()) {
            continue;
        }
        QList<const QWidget*> candidates{window};
        for (const QWidget* child : window->findChildren<QWidget*>()) {
            candidates.append(child);
        }
        for (const QWidget* widget : candidates) {
            if ((!widget->objectName().isEmpty() || isMenu(*widget)) && widget->isVisible()) {
                widgets.append(describe(*widget, game));
                if (const auto* view = qobject_cast<const QAbstractItemView*>(widget)) {
                    addItemRows(*view, widgets);
                }
            }
        }
    }
    return QJsonDocument(widgets).toJson(QJsonDocument::Indented);
}

} // namespace

void startWidgetMapIfAsked(const GameManager& game, QObject& owner) {
    const QString path = qEnvironmentVariable("VELKOR_WIDGET_MAP");
    if (path.isEmpty()) {
        return;
    }
    auto* timer = new QTimer(&owner);
    // Readers never see half a file: each snapshot replaces the last one in one rename.
    QObject::connect(timer, &QTimer::timeout, &owner, [&game, path, last = QByteArray()]() mutable {
        QByteArray current = snapshot(game);
        if (current == last) {
            return;
        }
        if (!platform::writeFileAtomically(path, current)) {
            last = std::move(current);
        }
    });
    timer->start(refreshMilliseconds);
}

} // namespace velkor
