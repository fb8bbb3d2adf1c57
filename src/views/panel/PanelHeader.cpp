#include "PanelHeader.h"

#include "PanelIcons.h"
#include "PanelStyle.h"
#include "PanelWidgets.h"
#include "game/GameManager.h"
#include "localization/LocalizationManager.h"
#include "views/LocalizedText.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace velkor::panel {

namespace {

QString displayNameOf(Language language) {
    return QString::fromUtf8(displayName(language).data(),
                             static_cast<qsizetype>(displayName(language).size()));
}

} // namespace

PanelHeader::PanelHeader(GameManager& games, LocalizationManager& localization, QWidget* parent)
    : QWidget(parent), m_games(games), m_localization(localization) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);

    auto* titleLine = new QHBoxLayout;
    auto* title = new LocalizedText(QStringLiteral("app_title"), localization, this);
    title->setObjectName(QStringLiteral("panelTitle"));
    embolden(*title, 1.4);
    titleLine->addWidget(title, 1);

    m_languageButton = new QToolButton(this);
    m_languageButton->setObjectName(QStringLiteral("languageButton"));
    m_languageButton->setPopupMode(QToolButton::InstantPopup);
    m_languageButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    auto* menu = new QMenu(m_languageButton);
    menu->setObjectName(QStringLiteral("languageMenu"));
    for (const Language language : allLanguages) {
        QAction* action = menu->addAction(flagIcon(language), displayNameOf(language));
        action->setObjectName(
            QStringLiteral("language_") +
            QString::fromLatin1(id(language).data(), static_cast<qsizetype>(id(language).size())));
        action->setCheckable(true);
        connect(action, &QAction::triggered, this,
                [this, language] { m_localization.setCurrentLanguage(language); });
    }
    m_languageButton->setMenu(menu);
    bindLocalizedText(m_languageButton, localization, QStringLiteral("language"),
                      [this](const QString& text) { m_languageButton->setToolTip(text); });
    titleLine->addWidget(m_languageButton);
    layout->addLayout(titleLine);

    m_badgeFrame = new QWidget(this);
    m_badgeFrame->setObjectName(QStringLiteral("statusBadge"));
    m_badgeFrame->setAttribute(Qt::WA_StyledBackground);
    auto* badge = new QHBoxLayout(m_badgeFrame);
    badge->setContentsMargins(10, 5, 10, 5);
    m_badgeIcon = new QLabel(m_badgeFrame);
    m_badgeText = new QLabel(m_badgeFrame);
    m_badgeText->setObjectName(QStringLiteral("statusBadgeText"));
    m_badgeText->setWordWrap(true);
    embolden(*m_badgeText);
    badge->addWidget(m_badgeIcon);
    badge->addWidget(m_badgeText, 1);
    layout->addWidget(m_badgeFrame);

    connect(&games, &GameManager::boardChanged, this, &PanelHeader::refreshBadge);
    connect(&games, &GameManager::isGameOverChanged, this, &PanelHeader::refreshBadge);
    connect(&games, &GameManager::gameEndReasonChanged, this, &PanelHeader::refreshBadge);
    connect(&games, &GameManager::isPausedChanged, this, &PanelHeader::refreshBadge);
    connect(&localization, &LocalizationManager::currentLanguageChanged, this, [this] {
        refreshBadge();
        refreshLanguageButton();
    });
    refreshBadge();
    refreshLanguageButton();
}

void PanelHeader::refreshLanguageButton() {
    const Language current = m_localization.currentLanguage();
    m_languageButton->setIcon(flagIcon(current));
    m_languageButton->setText(displayNameOf(current));
    const auto actions = m_languageButton->menu()->actions();
    for (qsizetype i = 0; i < actions.size(); ++i) {
        actions[i]->setChecked(allLanguages[static_cast<std::size_t>(i)] == current);
    }
}

void PanelHeader::refreshBadge() {
    const StatusBadgeContent content = statusBadgeContent(m_games, m_localization);
    if (content == m_badge && !m_badgeText->text().isEmpty()) {
        return;
    }
    m_badge = content;
    m_badgeText->setText(content.text);
    Tone tone = Tone::accent;
    switch (content.icon) {
    case StatusBadgeContent::Icon::checkeredFlag:
        tone = Tone::finished;
        break;
    case StatusBadgeContent::Icon::warning:
        tone = Tone::alarm;
        break;
    case StatusBadgeContent::Icon::pause:
        tone = Tone::caution;
        break;
    case StatusBadgeContent::Icon::none:
        break;
    }
    const QPixmap picture = badgePicture(content.icon);
    m_badgeIcon->setPixmap(picture);
    m_badgeIcon->setVisible(!picture.isNull());
    setTone(*m_badgeFrame, tone);
}

QPixmap PanelHeader::badgePicture(StatusBadgeContent::Icon icon) {
    // Each picture is drawn once: a fresh icon at every change of the badge would leave its
    // pixmaps in Qt's pixmap cache, which then grows with every game of a long series.
    QPixmap& picture = m_badgePictures[static_cast<std::size_t>(icon)];
    if (picture.isNull()) {
        switch (icon) {
        case StatusBadgeContent::Icon::checkeredFlag:
            picture = checkeredFlagIcon().pixmap(16, 16);
            break;
        case StatusBadgeContent::Icon::warning:
            picture = style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(16, 16);
            break;
        case StatusBadgeContent::Icon::pause:
            picture = style()->standardIcon(QStyle::SP_MediaPause).pixmap(16, 16);
            break;
        case StatusBadgeContent::Icon::none:
            break;
        }
    }
    return picture;
}

} // namespace velkor::panel
