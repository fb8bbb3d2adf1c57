#pragma once

#include "InstallFiles.h"
#include "UpdateInfo.h"

#include <QList>
#include <QMutex>
#include <QSslCertificate>
#include <QString>
#include <QUrl>
#include <chrono>
#include <compare>
#include <functional>
#include <memory>
#include <optional>
#include <qcoro/qcorotask.h>
#include <variant>

class QNetworkAccessManager;
class QNetworkRequest;

namespace velkor {

// The feed address this build was configured with (CMake cache setting VELKOR_UPDATE_HOST).
QString defaultUpdateFeedURL();

// Everything the service takes from its surroundings, so tests can point it at a loopback server
// with a certificate only they trust, at private folders and at a stand-in parent process.
struct UpdateServiceOptions {
    QString feedURL = defaultUpdateFeedURL();
    // When set, only these certificate authorities are trusted instead of the system's.
    std::optional<QList<QSslCertificate>> trustedCertificates;
    // A request that makes no progress for this long fails (connecting, headers or body).
    std::chrono::milliseconds idleTimeout{15'000};
    UpdateLocations locations = UpdateLocations::standard();
    // The running system's version, compared with an update's minimum.
    QString systemVersion;
    // The process the updater program waits for before it replaces the bundle.
    std::function<qint64()> applicationPid;
};

// A downloaded image that matches its feed entry and holds the expected signed application.
struct PreparedUpdate {
    UpdateInfo info;
    QString dmgPath;
};

// Feed check, verified download and hand-off to the updater program. Holds no user-visible
// state; the only state is the scheduled installation, guarded by a lock because the install
// operation writes it and the quit path reads it.
class UpdateService {
public:
    struct UpToDate {
        QString version;
    };
    struct UpdateAvailable {
        UpdateInfo info;
    };
    struct Failed {
        QString message;
    };
    using CheckResult = std::variant<UpToDate, UpdateAvailable, Failed>;

    // The largest feed body accepted; a feed is a few hundred bytes.
    static constexpr qint64 maxFeedBytes = 1'048'576;

    static UpdateService& shared();

    explicit UpdateService(UpdateServiceOptions options = {});
    ~UpdateService();
    UpdateService(const UpdateService&) = delete;
    UpdateService& operator=(const UpdateService&) = delete;

    // Asks the feed whether a newer version or build exists. Never throws: every failure comes
    // back as Failed with a message for people. Call on the main thread.
    QCoro::Task<CheckResult> check();

    static std::strong_ordering compareVersions(const QString& a, const QString& b);

    // Downloads the image `info` names (streamed to disk), proves its size and digest, then that
    // it holds our signed application at exactly the announced version and build. Throws
    // NativeUpdateError or a system error (velkor::DomainError); leaves no image behind on a
    // failure. Call on the main thread; the slow parts run on worker threads.
    QCoro::Task<PreparedUpdate> prepareForInstallation(UpdateInfo info);

    // Copies the updater program next to the image and writes the install plan; the updater is
    // started later by launchScheduledInstaller. Throws NativeUpdateError.
    void scheduleInstallation(const PreparedUpdate& prepared);

    // Starts the scheduled updater program (once) and forgets the schedule; does nothing when
    // nothing is scheduled. Throws when the program cannot be started.
    void launchScheduledInstaller();
    void clearScheduledInstallation();
    // The plan and updater copy of the scheduled installation, for the quit path and for tests.
    std::optional<std::pair<QString, QString>> scheduledInstallation() const;

    // Puts right what an updater that was killed half-way left beside the running application's
    // bundle (a backup without an installed bundle goes back, staging copies and backups go) and
    // in the image folder, and records in the status file what it found. Leaves everything alone
    // while an updater works there. Call at launch, before consumeInstallStatus. Never throws.
    void recoverInterruptedInstall();

    // The status the updater left after the previous update, removed once read. An unreadable
    // or malformed file is left alone and yields none.
    std::optional<UpdateInstallResult> consumeInstallStatus();

    // Only HTTPS on the feed's own host may serve the image.
    static bool isTrustedDownloadURL(const QUrl& url,
                                     const QString& feedURL = defaultUpdateFeedURL());

    // SHA-256 of a file as 64 lower-case hexadecimal digits: the bundle library's digest, the one
    // the updater checks the image with. Throws a system error when the file cannot be read.
    static QString sha256(const QString& filePath);

    const UpdateServiceOptions& options() const { return m_options; }

private:
    QNetworkAccessManager& network();
    QNetworkRequest request(const QUrl& url) const;

    UpdateServiceOptions m_options;
    std::unique_ptr<QNetworkAccessManager> m_network;
    mutable QMutex m_scheduleMutex;
    std::optional<QString> m_scheduledPlanPath;
    std::optional<QString> m_scheduledHelperPath;
};

} // namespace velkor
