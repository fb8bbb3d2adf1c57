#pragma once

#include "StatusBadgeText.h"

#include <QPixmap>
#include <QWidget>
#include <array>

class QLabel;
class QToolButton;

namespace velkor {
class GameManager;
class LocalizationManager;
} // namespace velkor

namespace velkor::panel {

// The panel's top line: the application title, the language menu (flag and own name of each
// language) and the status badge.
class PanelHeader : public QWidget {
    Q_OBJECT

public:
    PanelHeader(GameManager& games, LocalizationManager& localization, QWidget* parent = nullptr);

    const StatusBadgeContent& badge() const { return m_badge; }

private:
    void refreshBadge();
    QPixmap badgePicture(StatusBadgeContent::Icon icon);
    void refreshLanguageButton();

    GameManager& m_games;
    LocalizationManager& m_localization;
    QToolButton* m_languageButton;
    QWidget* m_badgeFrame;
    QLabel* m_badgeIcon;
    QLabel* m_badgeText;
    StatusBadgeContent m_badge;
    // The badge's pictures by StatusBadgeContent::Icon, drawn on first use.
    std::array<QPixmap, 4> m_badgePictures;
};

} // namespace velkor::panel
