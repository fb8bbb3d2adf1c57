#include "UpdateController.h"

#include "WorkerThread.h"
#include "bundle/MessageText.h"
#include "platform/Published.h"
#include "platform/Settings.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <exception>

namespace velkor {
namespace {

template <typename... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};

} // namespace

UpdateController& UpdateController::shared() {
    static UpdateController controller(UpdateService::shared());
    return controller;
}

UpdateController::UpdateController(UpdateService& service, Hooks hooks, QObject* parent)
    : QObject(parent), m_service(service), m_hooks(std::move(hooks)) {
    if (!m_hooks.requestTermination) {
        m_hooks.requestTermination = [] {
            QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                                      Qt::QueuedConnection);
        };
    }
    if (!m_hooks.schedule) {
        m_hooks.schedule = [this](std::chrono::milliseconds delay, std::function<void()> work) {
            QTimer::singleShot(delay, this, std::move(work));
        };
    }
}

void UpdateController::setPresented(bool presented) {
    platform::publish(this, m_isPresented, presented, &UpdateController::isPresentedChanged);
}

void UpdateController::setAvailableUpdate(const std::optional<UpdateInfo>& update) {
    platform::publish(this, m_availableUpdate, update, &UpdateController::availableUpdateChanged);
}

void UpdateController::setMessage(const std::optional<QString>& message) {
    // Messages carry names from images, plans and the status file: written out so that no name
    // can add a line of its own to the window.
    std::optional<QString> shown = message;
    if (shown) {
        shown = QString::fromStdString(bundle::escapeControlCharacters(shown->toStdString()));
    }
    platform::publish(this, m_message, shown, &UpdateController::messageChanged);
}

void UpdateController::setChecking(bool checking) {
    platform::publish(this, m_isChecking, checking, &UpdateController::isCheckingChanged);
}

void UpdateController::setInstalling(bool installing) {
    platform::publish(this, m_isInstalling, installing, &UpdateController::isInstallingChanged);
}

void UpdateController::setMessage(MessageKind kind, const QString& detail, const QString& message) {
    // The kind and detail first, so whoever hears of the new message reads the matching ones.
    m_messageKind = kind;
    m_messageDetail = detail;
    setMessage(std::optional(message));
}

void UpdateController::setFailed(bool failed) {
    platform::publish(this, m_failed, failed, &UpdateController::failedChanged);
}

void UpdateController::checkForUpdates(bool silent) {
    if (m_isChecking) {
        return;
    }
    setChecking(true);
    setFailed(false);
    setMessage(MessageKind::checking, {}, QStringLiteral("Checking for updates…"));
    if (!silent) {
        setPresented(true);
    }
    runCheck();
}

QCoro::Task<> UpdateController::runCheck() {
    const QPointer<UpdateController> self(this);
    QCoro::Task<UpdateService::CheckResult> checking = m_service.check();
    const UpdateService::CheckResult result = co_await std::move(checking);
    if (!self) {
        co_return;
    }
    std::visit(
        Overloaded{
            [this](const UpdateService::UpToDate& upToDate) {
                setAvailableUpdate(std::nullopt);
                setMessage(
                    MessageKind::upToDate, upToDate.version,
                    QStringLiteral("Velkor is up to date (version %1).").arg(upToDate.version));
            },
            [this](const UpdateService::UpdateAvailable& available) {
                setAvailableUpdate(available.info);
                setMessage(std::nullopt);
                setPresented(true);
            },
            [this](const UpdateService::Failed& failure) {
                setAvailableUpdate(std::nullopt);
                setMessage(MessageKind::checkFailed, failure.message,
                           QStringLiteral("Update check failed: ") + failure.message);
                setFailed(true);
            },
        },
        result);
    setChecking(false);
}

void UpdateController::install() {
    if (!m_availableUpdate || m_isInstalling) {
        return;
    }
    setInstalling(true);
    setFailed(false);
    setMessage(
        MessageKind::downloading, m_availableUpdate->version,
        QStringLiteral("Downloading and verifying Velkor %1…").arg(m_availableUpdate->version));
    runInstall(*m_availableUpdate);
}

QCoro::Task<> UpdateController::runInstall(UpdateInfo info) {
    const QPointer<UpdateController> self(this);
    std::optional<QString> failure;
    try {
        QCoro::Task<PreparedUpdate> preparing = m_service.prepareForInstallation(std::move(info));
        const PreparedUpdate prepared = co_await std::move(preparing);
        // Scheduling verifies the installed bundle's signature, which reads all of its files.
        UpdateService& service = m_service;
        QCoro::Task<> scheduling =
            runOnWorkerThread([&service, &prepared] { service.scheduleInstallation(prepared); });
        co_await std::move(scheduling);
    } catch (const std::exception& error) {
        failure = QString::fromUtf8(error.what());
    }
    if (!self) {
        co_return;
    }
    if (failure) {
        setMessage(MessageKind::installFailed, *failure, *failure);
        setFailed(true);
        setInstalling(false);
        co_return;
    }
    setMessage(MessageKind::verified, {},
               QStringLiteral("Update verified. Velkor will now install and relaunch."));
    setInstalling(false);
    setPresented(false);
    m_hooks.requestTermination();
}

void UpdateController::handleLaunch() {
    m_service.recoverInterruptedInstall();
    if (const std::optional<UpdateInstallResult> status = m_service.consumeInstallStatus()) {
        setMessage(MessageKind::previousInstall, status->message, status->message);
        setFailed(!status->succeeded);
        setPresented(true);
    }
    const QString key = QString::fromUtf8(checkAtLaunchKey);
    const bool checkAtLaunch =
        !platform::Settings::contains(key) || platform::Settings::value(key).toBool();
    if (checkAtLaunch) {
        m_hooks.schedule(launchCheckDelay, [self = QPointer<UpdateController>(this)] {
            if (self) {
                self->checkForUpdates(true);
            }
        });
    }
}

UpdateController::TerminateReply UpdateController::launchScheduledInstallerIfNeeded() {
    try {
        m_service.launchScheduledInstaller();
        return TerminateReply::terminateNow;
    } catch (const std::exception& error) {
        m_service.clearScheduledInstallation();
        const QString reason = QString::fromUtf8(error.what());
        setMessage(MessageKind::updaterNotStarted, reason,
                   QStringLiteral("Could not start the updater: ") + reason);
        setFailed(true);
        setPresented(true);
        return TerminateReply::terminateCancel;
    }
}

} // namespace velkor
