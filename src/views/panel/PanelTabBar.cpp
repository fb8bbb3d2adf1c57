#include "PanelTabBar.h"

#include "PanelStyle.h"
#include "PanelWidgets.h"
#include "views/LocalizedText.h"

#include <QButtonGroup>
#include <QFontMetrics>
#include <QGridLayout>
#include <QPushButton>
#include <algorithm>

namespace velkor::panel {

namespace {

constexpr int maxColumns = 3;
constexpr int spacing = 3;
// The style sheet's horizontal padding and border on both sides, and a little air.
constexpr int buttonChrome = 2 * (2 + 1) + 6;

} // namespace

PanelTabBar::PanelTabBar(const std::vector<QString>& keys, LocalizationManager& localization,
                         QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("panelTabBar"));
    m_layout = new QGridLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(spacing);
    m_buttons = new QButtonGroup(this);
    m_buttons->setExclusive(true);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        auto* button = new QPushButton(this);
        const int index = static_cast<int>(i);
        button->setObjectName(QStringLiteral("tabButton_%1").arg(index));
        button->setCheckable(true);
        button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        setRole(*button, Role::tab);
        bindLocalizedText(button, localization, keys[i], [this, button](const QString& text) {
            button->setText(buttonText(text));
            button->setToolTip(text);
            arrange();
        });
        m_buttons->addButton(button, index);
        m_tabs.push_back(button);
    }
    m_buttons->button(0)->setChecked(true);
    connect(m_buttons, &QButtonGroup::idClicked, this, &PanelTabBar::currentChanged);
    arrange();
}

int PanelTabBar::currentIndex() const {
    return m_buttons->checkedId();
}

void PanelTabBar::setCurrentIndex(int index) {
    if (QAbstractButton* button = m_buttons->button(index)) {
        button->setChecked(true);
    }
}

void PanelTabBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    arrange();
}

int PanelTabBar::neededButtonWidth() const {
    int needed = 0;
    for (const QPushButton* button : m_tabs) {
        QFont bold = button->font();
        bold.setBold(true);
        const QString title = button->toolTip();
        needed = std::max({needed, QFontMetrics(button->font()).horizontalAdvance(title),
                           QFontMetrics(bold).horizontalAdvance(title)});
    }
    return needed + buttonChrome;
}

void PanelTabBar::arrange() {
    if (m_tabs.empty() || !m_layout) {
        return;
    }
    const int needed = neededButtonWidth();
    int columns = maxColumns;
    while (columns > 1 && (width() - (columns - 1) * spacing) / columns < needed) {
        --columns;
    }
    // Before the first layout the width is not known yet: start with full rows.
    if (width() <= 0) {
        columns = maxColumns;
    }
    if (columns == m_columns && m_placed == m_tabs.size()) {
        return;
    }
    m_columns = columns;
    m_placed = m_tabs.size();
    for (QPushButton* button : m_tabs) {
        m_layout->removeWidget(button);
    }
    for (std::size_t i = 0; i < m_tabs.size(); ++i) {
        const int index = static_cast<int>(i);
        m_layout->addWidget(m_tabs[i], index / columns, index % columns);
    }
    for (int column = 0; column < maxColumns; ++column) {
        m_layout->setColumnStretch(column, column < columns ? 1 : 0);
    }
}

} // namespace velkor::panel
