#include "PanelTabBar.h"

#include "PanelWidgets.h"
#include "views/LocalizedText.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QPushButton>

namespace velkor::panel {

PanelTabBar::PanelTabBar(const std::vector<QString>& keys, LocalizationManager& localization,
                         QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("panelTabBar"));
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(3);
    m_buttons = new QButtonGroup(this);
    m_buttons->setExclusive(true);
    constexpr int columns = 3;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        auto* button = new QPushButton(this);
        const int index = static_cast<int>(i);
        button->setObjectName(QStringLiteral("tabButton_%1").arg(index));
        button->setCheckable(true);
        button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        button->setStyleSheet(QStringLiteral(
            "QPushButton { padding: 4px 2px; border: 1px solid palette(mid); border-radius: 4px; }"
            " QPushButton:checked { background: palette(highlight);"
            " color: palette(highlighted-text); font-weight: bold; }"));
        bindLocalizedText(button, localization, keys[i], [button](const QString& text) {
            button->setText(buttonText(text));
            button->setToolTip(text);
        });
        m_buttons->addButton(button, index);
        layout->addWidget(button, index / columns, index % columns);
    }
    m_buttons->button(0)->setChecked(true);
    connect(m_buttons, &QButtonGroup::idClicked, this, &PanelTabBar::currentChanged);
}

int PanelTabBar::currentIndex() const {
    return m_buttons->checkedId();
}

void PanelTabBar::setCurrentIndex(int index) {
    if (QAbstractButton* button = m_buttons->button(index)) {
        button->setChecked(true);
    }
}

} // namespace velkor::panel
