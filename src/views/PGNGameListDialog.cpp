#include "PGNGameListDialog.h"

#include "LocalizedText.h"
#include "localization/LocalizationManager.h"

#include <QAbstractTableModel>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

namespace velkor {

namespace {

// The list's columns, left to right.
namespace Column {
enum : int { white, black, result, date, event, moves, columnCount };
} // namespace Column

// The games as rows; texts are made when a row is drawn, so a list of many thousand games
// opens at once.
class GameListModel : public QAbstractTableModel {
public:
    GameListModel(const std::vector<PGNGameSummary>& games, LocalizationManager& localization,
                  QObject* parent)
        : QAbstractTableModel(parent), m_games(games), m_localization(localization) {}

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_games.size());
    }
    int columnCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : Column::columnCount;
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) {
            return {};
        }
        const PGNGameSummary& game = m_games[static_cast<std::size_t>(index.row())];
        switch (index.column()) {
        case Column::white:
            return QString::fromStdString(game.white);
        case Column::black:
            return QString::fromStdString(game.black);
        case Column::result:
            return QString::fromStdString(game.result);
        case Column::date:
            return QString::fromStdString(game.date);
        case Column::event:
            return QString::fromStdString(game.event);
        case Column::moves:
            // Full moves, a move begun by White counting as one.
            return static_cast<qulonglong>((game.plies + 1) / 2);
        default:
            return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
            return {};
        }
        static constexpr const char* keys[Column::columnCount] = {"white_player",   "black_player",
                                                                  "pgn_col_result", "pgn_col_date",
                                                                  "pgn_col_event",  "moves_count"};
        if (section < 0 || section >= Column::columnCount) {
            return {};
        }
        return m_localization.text(QLatin1String(keys[section]));
    }

    void languageChanged() { emit headerDataChanged(Qt::Horizontal, 0, Column::columnCount - 1); }

private:
    const std::vector<PGNGameSummary>& m_games;
    LocalizationManager& m_localization;
};

} // namespace

PGNGameListDialog::PGNGameListDialog(std::vector<PGNGameSummary> games,
                                     LocalizationManager& localization, QWidget* parent)
    : QDialog(parent), m_games(std::move(games)), m_localization(localization) {
    setObjectName(QStringLiteral("pgnGameList"));
    bindLocalizedText(this, localization, QStringLiteral("pgn_choose_game"),
                      [this](const QString& title) { setWindowTitle(title); });
    resize(760, 520);

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("pgnGameFilter"));
    m_filter->setClearButtonEnabled(true);
    bindLocalizedText(m_filter, localization, QStringLiteral("pgn_filter"),
                      [this](const QString& text) { m_filter->setPlaceholderText(text); });
    top->addWidget(m_filter, 1);
    top->addWidget(new LocalizedText(QStringLiteral("pgn_game_count"), localization, this));
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("pgnGameCount"));
    top->addWidget(m_count);
    layout->addLayout(top);

    auto* model = new GameListModel(m_games, localization, this);
    connect(&localization, &LocalizationManager::currentLanguageChanged, model,
            [model] { model->languageChanged(); });
    m_filtered = new QSortFilterProxyModel(this);
    m_filtered->setSourceModel(model);
    m_filtered->setFilterKeyColumn(-1);
    m_filtered->setFilterCaseSensitivity(Qt::CaseInsensitive);
    m_filtered->setSortCaseSensitivity(Qt::CaseInsensitive);

    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("pgnGameTable"));
    m_table->setModel(m_filtered);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setAlternatingRowColors(true);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    // Column widths are set, not measured: measuring would read every row of a large file.
    QHeaderView* header = m_table->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(false);
    const int columnWidths[Column::columnCount] = {170, 170, 70, 90, 170, 60};
    for (int column = 0; column < Column::columnCount; ++column) {
        m_table->setColumnWidth(column, columnWidths[column]);
    }
    header->setSectionResizeMode(Column::event, QHeaderView::Stretch);
    // File order first; a click on a header sorts by that column.
    header->setSortIndicator(-1, Qt::AscendingOrder);
    m_table->setSortingEnabled(true);
    layout->addWidget(m_table, 1);

    auto* buttons = new QDialogButtonBox(this);
    m_open = buttons->addButton(QString(), QDialogButtonBox::AcceptRole);
    m_open->setObjectName(QStringLiteral("pgnOpenGameButton"));
    bindLocalizedText(m_open, localization, QStringLiteral("btn_open_game"),
                      [this](const QString& text) { m_open->setText(text); });
    QPushButton* cancel = buttons->addButton(QString(), QDialogButtonBox::RejectRole);
    bindLocalizedText(cancel, localization, QStringLiteral("btn_cancel"),
                      [cancel](const QString& text) { cancel->setText(text); });
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &PGNGameListDialog::chooseSelected);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_table, &QTableView::doubleClicked, this, &PGNGameListDialog::chooseSelected);
    connect(m_filter, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_filtered->setFilterFixedString(text);
        if (m_filtered->rowCount() > 0 && !m_table->selectionModel()->hasSelection()) {
            m_table->selectRow(0);
        }
        refreshCount();
    });
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { m_open->setEnabled(m_table->selectionModel()->hasSelection()); });
    if (!m_games.empty()) {
        m_table->selectRow(0);
    }
    m_open->setEnabled(!m_games.empty());
    m_table->setFocus();
    refreshCount();
}

void PGNGameListDialog::selectGame(std::size_t index) {
    const QModelIndex source = m_filtered->sourceModel()->index(static_cast<int>(index), 0);
    const QModelIndex shown = m_filtered->mapFromSource(source);
    if (shown.isValid()) {
        m_table->selectRow(shown.row());
        m_table->scrollTo(shown);
    }
}

void PGNGameListDialog::chooseSelected() {
    const QModelIndexList rows = m_table->selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        return;
    }
    const QModelIndex source = m_filtered->mapToSource(rows.front());
    m_chosen = static_cast<std::size_t>(source.row());
    accept();
    emit gameChosen(*m_chosen);
}

void PGNGameListDialog::refreshCount() {
    const int shown = m_filtered->rowCount();
    const auto total = static_cast<qulonglong>(m_games.size());
    m_count->setText(static_cast<qulonglong>(shown) == total
                         ? QString::number(total)
                         : QString::number(shown) + QStringLiteral(" / ") + QString::number(total));
}

} // namespace velkor
