#include "UpdateService.h"

#include "CurrentBundle.h"
#include "FeedFetch.h"
#include "ImageDownload.h"
#include "ImagePreflight.h"
#include "NativeUpdateError.h"
#include "VersionOrder.h"
#include "WorkerThread.h"
#include "bundle/BundleLayout.h"
#include "bundle/ChildProcess.h"
#include "bundle/FileDigest.h"
#include "bundle/InstallHandOff.h"
#include "bundle/InstallRecovery.h"
#include "bundle/MessageText.h"
#include "bundle/MountBase.h"
#include "platform/AtomicFile.h"
#include "update/UpdateFeedAddress.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QSslConfiguration>
#include <QSysInfo>
#include <QTemporaryFile>

namespace velkor {
namespace {

const char* const invalidFeedURLText = "Invalid update feed URL.";
const char* const unsuccessfulFeedText = "The update feed did not return a successful response.";

// The feed's address is fixed at build time; anything but an absolute HTTPS address with a host
// is a broken build setting.
std::optional<QUrl> parsedFeedURL(const QString& text) {
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().toLower() != u"https" || url.host().isEmpty()) {
        return std::nullopt;
    }
    return url;
}

// The feed's version and build become folder and file names; a slash or NUL in them would
// lead the download out of its folder.
void requireFileNameSafe(const QString& text) {
    if (text.contains(u'/') || text.contains(QChar(0))) {
        throwSystemError(
            QStringLiteral("The update's version or build cannot name a file: %1").arg(text));
    }
}

} // namespace

QString defaultUpdateFeedURL() {
    return QString::fromUtf8(updateFeedURL);
}

UpdateService& UpdateService::shared() {
    static UpdateService service;
    return service;
}

UpdateService::UpdateService(UpdateServiceOptions options) : m_options(std::move(options)) {
    if (m_options.systemVersion.isEmpty()) {
        m_options.systemVersion = QSysInfo::productVersion();
    }
    if (!m_options.applicationPid) {
        m_options.applicationPid = [] { return QCoreApplication::applicationPid(); };
    }
}

UpdateService::~UpdateService() = default;

QNetworkAccessManager& UpdateService::network() {
    if (!m_network) {
        m_network = std::make_unique<QNetworkAccessManager>();
    }
    return *m_network;
}

QNetworkRequest UpdateService::request(const QUrl& url) const {
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    if (m_options.trustedCertificates) {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setCaCertificates(*m_options.trustedCertificates);
        request.setSslConfiguration(tls);
    }
    return request;
}

std::strong_ordering UpdateService::compareVersions(const QString& a, const QString& b) {
    return velkor::compareVersions(a, b);
}

QCoro::Task<UpdateService::CheckResult> UpdateService::check() {
    const std::optional<QUrl> feed = parsedFeedURL(m_options.feedURL);
    if (!feed) {
        co_return Failed{QString::fromUtf8(invalidFeedURLText)};
    }
    QNetworkRequest feedRequest = request(*feed);
    feedRequest.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                             QNetworkRequest::NoLessSafeRedirectPolicy);
    // Tasks are made in statements of their own: GCC 12 mishandles temporaries that live across a
    // co_await inside the same expression.
    QCoro::Task<FeedResponse> fetching =
        fetchFeed(network(), feedRequest, maxFeedBytes, m_options.idleTimeout);
    const FeedResponse response = co_await std::move(fetching);
    if (response.transportError) {
        co_return Failed{*response.transportError};
    }
    if (response.status < 200 || response.status > 299) {
        co_return Failed{QString::fromUtf8(unsuccessfulFeedText)};
    }
    UpdateInfo info;
    try {
        info = UpdateInfo::decode(response.body);
    } catch (const DomainError& error) {
        co_return Failed{QString::fromStdString(error.message())};
    }
    const RunningApplication running = runningApplication();
    const auto versionOrder = compareVersions(info.version, running.version);
    const auto buildOrder =
        compareVersions(info.build.value_or(QStringLiteral("0")), running.build);
    if (versionOrder > 0 || (versionOrder == 0 && buildOrder > 0)) {
        co_return UpdateAvailable{std::move(info)};
    }
    co_return UpToDate{running.version};
}

bool UpdateService::isTrustedDownloadURL(const QUrl& url, const QString& feedURL) {
    const QUrl feed(feedURL, QUrl::StrictMode);
    if (!feed.isValid() || feed.host().isEmpty() || !url.isValid() || url.host().isEmpty()) {
        return false;
    }
    return url.scheme().toLower() == u"https" && url.host().toLower() == feed.host().toLower();
}

QString UpdateService::sha256(const QString& filePath) {
    try {
        return QString::fromStdString(bundle::sha256OfFile(filePath.toStdString()));
    } catch (const DomainError& error) {
        // A file we cannot read is the system's failure, reported as every other one here.
        throwSystemError(QString::fromStdString(error.message()));
    }
}

QCoro::Task<PreparedUpdate> UpdateService::prepareForInstallation(UpdateInfo info) {
    if (!info.supportsAutomaticInstallation()) {
        throw NativeUpdateError::missingVerificationMetadata();
    }
    const std::int64_t expectedSize = *info.size;
    const QString expectedDigest = info.sha256->toLower();
    if (!isTrustedDownloadURL(info.downloadURL, m_options.feedURL)) {
        throw NativeUpdateError::invalidDownloadURL();
    }
    if (info.minimumMacOS && compareVersions(m_options.systemVersion, *info.minimumMacOS) < 0) {
        throw NativeUpdateError::incompatibleSystem(*info.minimumMacOS);
    }
    const QString bundlePath = currentBundlePath();
    if (bundle::isInsideMountBase(bundlePath.toStdString())) {
        throw NativeUpdateError::appRunningFromDiskImage();
    }

    const QString build = info.build.value_or(QStringLiteral("0"));
    requireFileNameSafe(info.version);
    requireFileNameSafe(build);
    const QString directory = m_options.locations.downloadDirectory(info.version, build);
    if (!QDir().mkpath(directory)) {
        throwSystemError(QStringLiteral("Could not create the folder %1.").arg(directory));
    }

    // The partial download lives beside its destination, so accepting it is a rename, and it is
    // removed by its owner on every failure.
    QTemporaryFile partial(directory + QStringLiteral("/.download-XXXXXX"));
    if (!partial.open()) {
        throwSystemError(QStringLiteral("Could not create a file in %1: %2")
                             .arg(directory, partial.errorString()));
    }
    const QString feedURL = m_options.feedURL;
    QCoro::Task<ImageDownloadOutcome> downloading = downloadToFile(
        network(), request(info.downloadURL), partial, expectedSize,
        [feedURL](const QUrl& target) { return isTrustedDownloadURL(target, feedURL); },
        m_options.idleTimeout);
    const ImageDownloadOutcome outcome = co_await std::move(downloading);
    switch (outcome.kind) {
    case ImageDownloadOutcome::Kind::refusedResponse:
        throw NativeUpdateError::unexpectedResponse();
    case ImageDownloadOutcome::Kind::exceededLimit:
        throw NativeUpdateError::sizeMismatch(expectedSize, outcome.received);
    case ImageDownloadOutcome::Kind::failed:
        throwSystemError(outcome.error);
    case ImageDownloadOutcome::Kind::completed:
        break;
    }
    if (!isTrustedDownloadURL(outcome.finalURL, feedURL)) {
        throw NativeUpdateError::unexpectedResponse();
    }
    partial.close();
    const qint64 actualSize = QFileInfo(partial.fileName()).size();
    if (actualSize != expectedSize) {
        throw NativeUpdateError::sizeMismatch(expectedSize, actualSize);
    }
    QString digest;
    const QString partialPath = partial.fileName();
    QCoro::Task<> hashing =
        runOnWorkerThread([&digest, partialPath] { digest = sha256(partialPath); });
    co_await std::move(hashing);
    if (digest != expectedDigest) {
        throw NativeUpdateError::checksumMismatch();
    }

    const QString dmgPath = directory + u'/' + UpdateLocations::imageFileName(info.version, build);
    QFile::remove(dmgPath);
    if (!partial.rename(dmgPath)) {
        throwSystemError(QStringLiteral("Could not move the update to %1: %2")
                             .arg(dmgPath, partial.errorString()));
    }
    partial.setAutoRemove(false);

    try {
        QCoro::Task<> checking = runOnWorkerThread(
            [&info, dmgPath, bundlePath] { preflightDiskImage(dmgPath, info, bundlePath); });
        co_await std::move(checking);
    } catch (...) {
        QFile::remove(dmgPath);
        throw;
    }
    co_return PreparedUpdate{std::move(info), dmgPath};
}

void UpdateService::scheduleInstallation(const PreparedUpdate& prepared) {
    const QFileInfo current(currentBundlePath());
    const QString canonical = current.canonicalFilePath();
    const QString target =
        canonical.isEmpty() ? QDir::cleanPath(current.absoluteFilePath()) : canonical;
    const QString team = runningSigningTeam(target);
    const QString helper = target + u'/' + QString::fromUtf8(bundle::updaterPath);
    const QFileInfo helperInfo(helper);
    if (!helperInfo.isFile() || !helperInfo.isExecutable()) {
        throw NativeUpdateError::missingInstallerHelper();
    }

    const QString directory = QFileInfo(prepared.dmgPath).absolutePath();
    const QString helperCopy = directory + u'/' + QString::fromUtf8(updaterFileName);
    QFile::remove(helperCopy);
    QFile source(helper);
    if (!source.copy(helperCopy)) {
        throw NativeUpdateError::installerPreparationFailed(source.errorString());
    }
    QFile copied(helperCopy);
    if (!copied.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                               QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                               QFile::ExeOther)) {
        throw NativeUpdateError::installerPreparationFailed(copied.errorString());
    }

    const RunningApplication running = runningApplication(target);
    bundle::InstallPlan plan;
    plan.dmgPath = prepared.dmgPath.toStdString();
    plan.targetAppPath = target.toStdString();
    plan.expectedBundleIdentifier = running.bundleIdentifier.isEmpty()
                                        ? std::string(bundle::defaultBundleIdentifier)
                                        : running.bundleIdentifier.toStdString();
    plan.expectedTeamIdentifier = team.toStdString();
    plan.expectedVersion = prepared.info.version.toStdString();
    plan.expectedBuild = prepared.info.build.value_or(QStringLiteral("0")).toStdString();
    plan.expectedSHA256 = prepared.info.sha256.value_or(QString()).toLower().toStdString();
    plan.statusPath = m_options.locations.statusFilePath().toStdString();

    const QString planPath = directory + u'/' + QString::fromUtf8(planFileName);
    if (const auto error = platform::writeFileAtomically(
            planPath, QByteArray::fromStdString(bundle::encodeInstallPlan(plan)))) {
        throw NativeUpdateError::installerPreparationFailed(*error);
    }

    const QMutexLocker lock(&m_scheduleMutex);
    m_scheduledPlanPath = planPath;
    m_scheduledHelperPath = helperCopy;
}

void UpdateService::launchScheduledInstaller() {
    std::optional<QString> plan;
    std::optional<QString> helper;
    {
        const QMutexLocker lock(&m_scheduleMutex);
        plan = std::exchange(m_scheduledPlanPath, std::nullopt);
        helper = std::exchange(m_scheduledHelperPath, std::nullopt);
    }
    if (!plan || !helper) {
        return;
    }
    bundle::startDetached(helper->toStdString(), {"--plan", plan->toStdString(), "--parent-pid",
                                                  std::to_string(m_options.applicationPid())});
}

void UpdateService::clearScheduledInstallation() {
    const QMutexLocker lock(&m_scheduleMutex);
    m_scheduledPlanPath.reset();
    m_scheduledHelperPath.reset();
}

std::optional<std::pair<QString, QString>> UpdateService::scheduledInstallation() const {
    const QMutexLocker lock(&m_scheduleMutex);
    if (!m_scheduledPlanPath || !m_scheduledHelperPath) {
        return std::nullopt;
    }
    return std::pair(*m_scheduledPlanPath, *m_scheduledHelperPath);
}

void UpdateService::recoverInterruptedInstall() {
    try {
        bundle::recoverAtStart(currentBundlePath().toStdString(),
                               m_options.locations.statusFilePath().toStdString());
    } catch (const DomainError& error) {
        qWarning("Could not record the recovery of an interrupted update: %s",
                 bundle::escapeControlCharacters(error.message()).c_str());
    }
}

std::optional<UpdateInstallResult> UpdateService::consumeInstallStatus() {
    const QString path = m_options.locations.statusFilePath();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray text = file.read(static_cast<qint64>(bundle::maxInstallStatusBytes));
    file.close();
    const std::optional<bundle::InstallStatus> status = bundle::readInstallStatus(
        std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
    if (!status) {
        return std::nullopt;
    }
    QFile::remove(path);
    return UpdateInstallResult{status->succeeded, QString::fromStdString(status->message),
                               QString::fromStdString(status->version)};
}

} // namespace velkor
