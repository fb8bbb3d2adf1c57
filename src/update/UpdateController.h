#pragma once

#include "UpdateInfo.h"
#include "UpdateService.h"

#include <QObject>
#include <QString>
#include <chrono>
#include <functional>
#include <optional>
#include <qcoro/qcorotask.h>

namespace velkor {

// The state the update window shows and the operations behind its buttons. Lives on the main
// thread; views read the getters, follow the ...Changed signals and call the operations.
class UpdateController : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isPresented READ isPresented WRITE setPresented NOTIFY isPresentedChanged)
    Q_PROPERTY(bool isChecking READ isChecking NOTIFY isCheckingChanged)
    Q_PROPERTY(bool isInstalling READ isInstalling NOTIFY isInstallingChanged)
    Q_PROPERTY(bool failed READ failed NOTIFY failedChanged)

public:
    // Runs `work` after `delay` on the main thread; tests replace it to run delayed work by hand.
    using Scheduler =
        std::function<void(std::chrono::milliseconds delay, std::function<void()> work)>;

    // What the application does when asked to quit.
    enum class TerminateReply { terminateNow, terminateCancel };

    struct Hooks {
        // Asks the application to quit (the quit path then starts the updater). Defaults to
        // QCoreApplication::quit from the event loop.
        std::function<void()> requestTermination;
        // Defaults to a single-shot QTimer.
        Scheduler schedule;
    };

    // The settings switch that turns off the check shortly after launch (absent means on).
    static constexpr const char* checkAtLaunchKey = "brontil_trash_update_check_at_launch";
    static constexpr std::chrono::milliseconds launchCheckDelay{4000};

    static UpdateController& shared();

    explicit UpdateController(UpdateService& service, Hooks hooks = {}, QObject* parent = nullptr);

    bool isPresented() const { return m_isPresented; }
    void setPresented(bool presented);
    // The offered update; absent when there is none.
    const std::optional<UpdateInfo>& availableUpdate() const { return m_availableUpdate; }
    // The line under the window's title: progress, result or error; absent when there is none.
    const std::optional<QString>& message() const { return m_message; }

    // The same line as what it says and its figure or error text, for the window to word in the
    // interface language; changes together with message().
    enum class MessageKind {
        checking,
        upToDate,    // detail: the installed version
        checkFailed, // detail: the error
        downloading, // detail: the version being installed
        installFailed,
        verified,
        previousInstall, // detail: the updater's report of the last installation
        updaterNotStarted,
    };
    MessageKind messageKind() const { return m_messageKind; }
    const QString& messageDetail() const { return m_messageDetail; }
    bool isChecking() const { return m_isChecking; }
    bool isInstalling() const { return m_isInstalling; }
    bool failed() const { return m_failed; }

    // Asks the feed for a newer version. A silent check only opens the window when it finds one.
    // Does nothing while a check is running.
    void checkForUpdates(bool silent);

    // Downloads, verifies and schedules the offered update, then asks the application to quit.
    // Does nothing without an offered update or while installing.
    void install();

    // Called once when launching has finished: shows the previous update's outcome and schedules
    // the silent check 4 seconds later unless the settings switch turns it off.
    void handleLaunch();

    // Called when the application is asked to quit: starts the scheduled updater, or, when it
    // cannot be started, shows why and keeps the application open.
    TerminateReply launchScheduledInstallerIfNeeded();

signals:
    void isPresentedChanged(bool isPresented);
    void availableUpdateChanged(const std::optional<velkor::UpdateInfo>& availableUpdate);
    void messageChanged(const std::optional<QString>& message);
    void isCheckingChanged(bool isChecking);
    void isInstallingChanged(bool isInstalling);
    void failedChanged(bool failed);

private:
    void setAvailableUpdate(const std::optional<UpdateInfo>& update);
    void setMessage(const std::optional<QString>& message);
    void setMessage(MessageKind kind, const QString& detail, const QString& message);
    void setChecking(bool checking);
    void setInstalling(bool installing);
    void setFailed(bool failed);

    QCoro::Task<> runCheck();
    QCoro::Task<> runInstall(UpdateInfo info);

    UpdateService& m_service;
    Hooks m_hooks;
    bool m_isPresented = false;
    std::optional<UpdateInfo> m_availableUpdate;
    std::optional<QString> m_message;
    MessageKind m_messageKind = MessageKind::checking;
    QString m_messageDetail;
    bool m_isChecking = false;
    bool m_isInstalling = false;
    bool m_failed = false;
};

} // namespace velkor
