#include "RightPanelView.h"

#include "AutomatchStrip.h"
#include "AutomatchTab.h"
#include "BottomBar.h"
#include "EngineAnalysisTab.h"
#include "EngineEloRanges.h"
#include "EnginesTab.h"
#include "ExportTab.h"
#include "GameStateTab.h"
#include "NewGameTab.h"
#include "PanelHeader.h"
#include "PanelTabBar.h"
#include "Toast.h"

#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace velkor {

RightPanelView::RightPanelView(GameManager& games, EngineManager& engines,
                               AutomatchManager& automatch, LocalizationManager& localization,
                               QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("rightPanel"));
    m_ranges = new panel::EngineEloRanges(games, this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(8);
    m_header = new panel::PanelHeader(games, localization, this);
    layout->addWidget(m_header);
    auto* strip = new panel::AutomatchStrip(automatch, localization, this);
    layout->addWidget(strip);

    m_tabBar =
        new panel::PanelTabBar({QStringLiteral("tab_game"), QStringLiteral("tab_engine"),
                                QStringLiteral("tab_automatch"), QStringLiteral("tab_new_game"),
                                QStringLiteral("tab_engines"), QStringLiteral("tab_export")},
                               localization, this);
    layout->addWidget(m_tabBar);
    m_tabs = new QStackedWidget(this);
    m_tabs->setObjectName(QStringLiteral("panelTabs"));
    layout->addWidget(m_tabs, 1);

    addTab(new panel::GameStateTab(games, localization));
    auto* analysis = new panel::EngineAnalysisTab(games, engines, localization, *m_ranges);
    addTab(analysis);
    auto* series = new panel::AutomatchTab(automatch, games, engines, localization, *m_ranges);
    addTab(series);
    auto* newGame = new panel::NewGameTab(games, engines, localization, *m_ranges);
    addTab(newGame);
    auto* engineList = new panel::EnginesTab(engines, localization, *m_ranges);
    addTab(engineList);
    auto* exporting = new panel::ExportTab(games, localization);
    addTab(exporting);

    layout->addWidget(new panel::BottomBar(games, localization, this));
    m_toast = new panel::Toast(this);

    connect(m_tabBar, &panel::PanelTabBar::currentChanged, m_tabs,
            &QStackedWidget::setCurrentIndex);
    connect(strip, &panel::AutomatchStrip::historyRequested, this,
            [this] { setSelectedTab(automatchTab); });
    connect(newGame, &panel::NewGameTab::automatchRequested, this,
            [this] { setSelectedTab(automatchTab); });
    const auto toast = [this](const QString& message) { showToast(message); };
    connect(analysis, &panel::EngineAnalysisTab::toastRequested, this, toast);
    connect(series, &panel::AutomatchTab::toastRequested, this, toast);
    connect(engineList, &panel::EnginesTab::toastRequested, this, toast);
    connect(exporting, &panel::ExportTab::toastRequested, this, toast);
}

void RightPanelView::addTab(QWidget* content) {
    auto* scroll = new QScrollArea(m_tabs);
    scroll->setWidget(content);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_tabs->addWidget(scroll);
}

int RightPanelView::selectedTab() const {
    return m_tabs->currentIndex();
}

void RightPanelView::setSelectedTab(int tab) {
    m_tabBar->setCurrentIndex(tab);
    m_tabs->setCurrentIndex(tab);
}

void RightPanelView::showToast(const QString& message) {
    m_toast->showMessage(message);
}

QString RightPanelView::toastMessage() const {
    return m_toast->currentMessage();
}

} // namespace velkor
