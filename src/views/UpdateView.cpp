#include "UpdateView.h"

#include "update/UpdateController.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace velkor {

QString UpdateView::availabilityText(const QString& version, const std::optional<QString>& build) {
    return QStringLiteral("Velkor %1 (build %2) is available.")
        .arg(version, build.value_or(QStringLiteral("?")));
}

UpdateView::UpdateView(UpdateController& updates, QWidget* parent)
    : QDialog(parent, Qt::Sheet), m_updates(updates), m_availability(new QLabel(this)),
      m_notes(new QLabel(this)), m_manualNotice(new QLabel(this)), m_message(new QLabel(this)),
      m_progress(new QProgressBar(this)), m_close(new QPushButton(QStringLiteral("Close"), this)),
      m_checkAgain(new QPushButton(QStringLiteral("Check Again"), this)),
      m_install(new QPushButton(QStringLiteral("Download, Install & Relaunch"), this)) {
    setWindowTitle(QStringLiteral("Software Update"));
    setWindowModality(Qt::WindowModal);
    setMinimumWidth(440);

    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(QStringLiteral("Software Update"), this);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    title->setFont(titleFont);
    layout->addWidget(title);
    for (QLabel* label : {m_availability, m_notes, m_manualNotice, m_message}) {
        label->setWordWrap(true);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        layout->addWidget(label);
    }
    // Release notes come from the network: shown as plain text, never as markup or links.
    m_notes->setTextFormat(Qt::PlainText);
    m_message->setTextFormat(Qt::PlainText);
    m_manualNotice->setText(QStringLiteral(
        "The feed has no valid verification metadata; automatic installation is disabled."));
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
    refresh();
    followPresentation();
}

void UpdateView::refresh() {
    const auto& update = m_updates.availableUpdate();
    m_availability->setVisible(update.has_value());
    m_notes->setVisible(update && update->releaseNotes && !update->releaseNotes->isEmpty());
    const bool automatic = update && update->supportsAutomaticInstallation();
    m_manualNotice->setVisible(update && !automatic);
    if (update) {
        m_availability->setText(availabilityText(update->version, update->build));
        m_notes->setText(update->releaseNotes.value_or(QString()));
    }
    const auto& message = m_updates.message();
    m_message->setVisible(message.has_value());
    m_message->setText(message.value_or(QString()));
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
