#include "RightPanelView.h"

#include "AutomatchStrip.h"
#include "AutomatchTab.h"
#include "BottomBar.h"
#include "EngineAnalysisTab.h"
#include "EnginesTab.h"
#include "ExportTab.h"
#include "GameStateTab.h"
#include "NewGameTab.h"
#include "PanelHeader.h"
#include "PanelStyle.h"
#include "PanelTabBar.h"
#include "Toast.h"
#include "game/GameManager.h"
#include "views/AfterFirstPaint.h"
#include "views/ScrollWheelGuard.h"

#include <QScrollArea>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <utility>

namespace velkor {

RightPanelView::RightPanelView(GameManager& games, EngineManager& engines,
                               AutomatchManager& automatch, LocalizationManager& localization,
                               QWidget* parent, TabBuilding building)
    : QWidget(parent) {
    setObjectName(QStringLiteral("rightPanel"));
    // One style sheet dresses the whole panel; its widgets only say what they are.
    setStyleSheet(panel::panelStyleSheet());
    // The tabs are taller than the panel and people scroll them with the wheel: no setting may
    // change under the pointer on the way.
    ScrollWheelGuard::install();

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

    const auto toast = [this](const QString& message) { showToast(message); };
    m_unbuiltTabs = {
        [&games, &localization] { return new panel::GameStateTab(games, localization); },
        [this, &games, &engines, &localization, toast] {
            auto* analysis = new panel::EngineAnalysisTab(games, engines, localization);
            connect(analysis, &panel::EngineAnalysisTab::toastRequested, this, toast);
            return analysis;
        },
        [this, &automatch, &games, &engines, &localization, toast] {
            auto* series = new panel::AutomatchTab(automatch, games, engines, localization);
            connect(series, &panel::AutomatchTab::toastRequested, this, toast);
            return series;
        },
        [this, &games, &engines, &localization] {
            auto* newGame = new panel::NewGameTab(games, engines, localization);
            connect(newGame, &panel::NewGameTab::automatchRequested, this,
                    [this] { setSelectedTab(automatchTab); });
            return newGame;
        },
        [this, &games, &engines, &localization, toast] {
            // Whatever runs an engine plays through the two seats of the game.
            auto running = [&games] {
                return std::vector<UCIEngineProcess*>{
                    games.engineSeat(PieceColor::white).process(),
                    games.engineSeat(PieceColor::black).process()};
            };
            auto* engineList = new panel::EnginesTab(engines, localization, running);
            connect(engineList, &panel::EnginesTab::toastRequested, this, toast);
            return engineList;
        },
        [this, &games, &localization, toast] {
            auto* exporting = new panel::ExportTab(games, localization);
            connect(exporting, &panel::ExportTab::toastRequested, this, toast);
            return exporting;
        },
    };
    for (int tab = 0; tab < tabCount; ++tab) {
        auto* scroll = new QScrollArea(m_tabs);
        scroll->setWidgetResizable(true);
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_tabs->addWidget(scroll);
    }
    if (building == TabBuilding::allAtOnce) {
        for (int tab = 0; tab < tabCount; ++tab) {
            buildTab(tab);
        }
    } else {
        buildTab(gameTab);
        runAfterFirstPaint(*this, [this] { buildNextHiddenTab(); });
    }

    layout->addWidget(new panel::BottomBar(games, localization, this));
    m_toast = new panel::Toast(this);

    connect(m_tabBar, &panel::PanelTabBar::currentChanged, this, [this](int tab) {
        buildTab(tab);
        m_tabs->setCurrentIndex(tab);
    });
    connect(strip, &panel::AutomatchStrip::historyRequested, this,
            [this] { setSelectedTab(automatchTab); });
}

void RightPanelView::buildTab(int tab) {
    if (tab < 0 || tab >= tabCount || !m_unbuiltTabs[tab]) {
        return;
    }
    const auto make = std::exchange(m_unbuiltTabs[tab], nullptr);
    static_cast<QScrollArea*>(m_tabs->widget(tab))->setWidget(make());
}

void RightPanelView::buildNextHiddenTab() {
    for (int tab = 0; tab < tabCount; ++tab) {
        if (m_unbuiltTabs[tab]) {
            buildTab(tab);
            QTimer::singleShot(0, this, &RightPanelView::buildNextHiddenTab);
            return;
        }
    }
}

int RightPanelView::selectedTab() const {
    return m_tabs->currentIndex();
}

void RightPanelView::setSelectedTab(int tab) {
    buildTab(tab);
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
