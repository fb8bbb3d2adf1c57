#include "UpdateView.h"

#include "localization/LocalizationManager.h"
#include "update/UpdateController.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace velkor {

QString UpdateView::availabilityText(const QString& version, const std::optional<QString>& build,
                                     const LocalizationManager& localization) {
    return localization.text(QStringLiteral("update_available"))
        .arg(version, build.value_or(QStringLiteral("?")));
}

UpdateView::UpdateView(UpdateController& updates, LocalizationManager& localization,
                       QWidget* parent)
    : QDialog(parent, Qt::Sheet), m_updates(updates), m_localization(localization),
      m_title(new QLabel(this)), m_availability(new QLabel(this)), m_notes(new QLabel(this)),
      m_manualNotice(new QLabel(this)), m_message(new QLabel(this)),
      m_progress(new QProgressBar(this)), m_close(new QPushButton(this)),
      m_checkAgain(new QPushButton(this)), m_install(new QPushButton(this)) {
    setWindowModality(Qt::WindowModal);
    setMinimumWidth(440);

    auto* layout = new QVBoxLayout(this);
    QFont titleFont = m_title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    m_title->setFont(titleFont);
    layout->addWidget(m_title);
    for (QLabel* label : {m_availability, m_notes, m_manualNotice, m_message}) {
        label->setWordWrap(true);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        layout->addWidget(label);
    }
    // Release notes come from the network: shown as plain text, never as markup or links.
    m_notes->setTextFormat(Qt::PlainText);
    m_message->setTextFormat(Qt::PlainText);
    m_progress->setRange(0, 0);
    m_progress->setTextVisible(false);
    layout->addWidget(m_progress);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_close);
    buttons->addStretch();
    buttons->addWidget(m_checkAgain);
    buttons->addWidget(m_install);
    layout->addLayout(buttons);
    m_install->setDefault(true);

    connect(m_close, &QPushButton::clicked, this, [this] { m_updates.setPresented(false); });
    connect(m_checkAgain, &QPushButton::clicked, this,
            [this] { m_updates.checkForUpdates(false); });
    connect(m_install, &QPushButton::clicked, this, [this] { m_updates.install(); });

    connect(&updates, &UpdateController::availableUpdateChanged, this, &UpdateView::refresh);
    connect(&updates, &UpdateController::messageChanged, this, &UpdateView::refresh);
    connect(&updates, &UpdateController::isCheckingChanged, this, &UpdateView::refresh);
    connect(&updates, &UpdateController::isInstallingChanged, this, &UpdateView::refresh);
    connect(&updates, &UpdateController::failedChanged, this, &UpdateView::refresh);
    connect(&updates, &UpdateController::isPresentedChanged, this, &UpdateView::followPresentation);
    connect(&localization, &LocalizationManager::currentLanguageChanged, this,
            &UpdateView::refresh);
    refresh();
    followPresentation();
}

QString UpdateView::messageText() const {
    using Kind = UpdateController::MessageKind;
    const QString& detail = m_updates.messageDetail();
    const auto text = [this](const char* key) { return m_localization.text(QLatin1String(key)); };
    switch (m_updates.messageKind()) {
    case Kind::checking:
        return text("update_checking");
    case Kind::upToDate:
        return text("update_up_to_date").arg(detail);
    case Kind::checkFailed:
        return text("update_check_failed") + QLatin1Char(' ') + detail;
    case Kind::downloading:
        return text("update_downloading").arg(detail);
    case Kind::verified:
        return text("update_verified");
    case Kind::updaterNotStarted:
        return text("update_updater_not_started") + QLatin1Char(' ') + detail;
    case Kind::installFailed:
    case Kind::previousInstall:
        break;
    }
    // The error's and the updater's own words.
    return detail;
}

void UpdateView::refresh() {
    const auto& update = m_updates.availableUpdate();
    m_availability->setVisible(update.has_value());
    m_notes->setVisible(update && update->releaseNotes && !update->releaseNotes->isEmpty());
    const bool automatic = update && update->supportsAutomaticInstallation();
    m_manualNotice->setVisible(update && !automatic);
    const auto text = [this](const char* key) { return m_localization.text(QLatin1String(key)); };
    setWindowTitle(text("update_title"));
    m_title->setText(text("update_title"));
    m_manualNotice->setText(text("update_manual_only"));
    m_close->setText(text("btn_close"));
    m_checkAgain->setText(text("update_check_again"));
    m_install->setText(text("update_install"));
    if (update) {
        m_availability->setText(availabilityText(update->version, update->build, m_localization));
        m_notes->setText(update->releaseNotes.value_or(QString()));
    }
    const auto& message = m_updates.message();
    m_message->setVisible(message.has_value());
    m_message->setText(message ? messageText() : QString());
    m_message->setStyleSheet(m_updates.failed() ? QStringLiteral("color: #c62828;") : QString());
    m_progress->setVisible(m_updates.isChecking() || m_updates.isInstalling());
    m_install->setVisible(automatic);
    m_install->setEnabled(!m_updates.isInstalling());
}

void UpdateView::followPresentation() {
    if (m_updates.isPresented()) {
        if (!isVisible()) {
            open();
        }
    } else if (isVisible()) {
        QDialog::done(QDialog::Rejected);
    }
}

void UpdateView::done(int result) {
    // Escape or the window's close button end the presentation like the Close button.
    QDialog::done(result);
    m_updates.setPresented(false);
}

} // namespace velkor
