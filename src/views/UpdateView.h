#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace velkor {

class LocalizationManager;
class UpdateController;

// The update window, attached to the main window as a sheet while the update controller is
// presented: what is available (version, build, release notes, whether it can be installed
// automatically), the controller's message (as an error after a failure), progress while checking
// or installing, and the buttons Close, Check Again and Download, Install & Relaunch. Closing it
// in any way stops the presentation.
class UpdateView : public QDialog {
    Q_OBJECT

public:
    UpdateView(UpdateController& updates, LocalizationManager& localization, QWidget* parent);

    QLabel& availability() const { return *m_availability; }
    QLabel& releaseNotes() const { return *m_notes; }
    QLabel& manualNotice() const { return *m_manualNotice; }
    QLabel& message() const { return *m_message; }
    QProgressBar& progress() const { return *m_progress; }
    QPushButton& closeButton() const { return *m_close; }
    QPushButton& checkAgainButton() const { return *m_checkAgain; }
    QPushButton& installButton() const { return *m_install; }

    // "Velkor <version> (build <build>) is available.", "?" for a missing build, in the
    // interface language.
    static QString availabilityText(const QString& version, const std::optional<QString>& build,
                                    const LocalizationManager& localization);

protected:
    void done(int result) override;

private:
    void refresh();
    void followPresentation();

    QString messageText() const;

    UpdateController& m_updates;
    LocalizationManager& m_localization;
    QLabel* m_title;
    QLabel* m_availability;
    QLabel* m_notes;
    QLabel* m_manualNotice;
    QLabel* m_message;
    QProgressBar* m_progress;
    QPushButton* m_close;
    QPushButton* m_checkAgain;
    QPushButton* m_install;
};

} // namespace velkor
