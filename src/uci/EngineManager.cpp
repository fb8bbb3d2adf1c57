#include "EngineManager.h"

#include "UCIEngineProcess.h"
#include "platform/Published.h"
#include "platform/Settings.h"
#include "platform/StoreAlerts.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QPointer>
#include <QThread>
#include <algorithm>
#include <memory>
#include <qcoro/qcorothread.h>

namespace velkor {

namespace {

bool mentionsPallox(const EngineConfiguration& engine) {
    return engine.name.contains(QStringLiteral("pallox"), Qt::CaseInsensitive) ||
           engine.executablePath.contains(QStringLiteral("pallox"), Qt::CaseInsensitive);
}

bool isExecutableFile(const QString& path) {
    const QFileInfo file(path);
    return file.isFile() && file.isExecutable();
}

// Each blank-separated word with its first letter upper-case and the rest lower-case.
QString capitalized(const QString& text) {
    QString result = text;
    bool wordStart = true;
    for (QChar& c : result) {
        c = wordStart ? c.toUpper() : c.toLower();
        wordStart = c.isSpace();
    }
    return result;
}

// The display name of a scanned executable.
QString scannedEngineName(const QString& path) {
    const QString fileName = QFileInfo(path).fileName();
    if (fileName.toLower() == QStringLiteral("pallox-uci")) {
        return QStringLiteral("Pallox");
    }
    return capitalized(fileName);
}

} // namespace

EngineManager& EngineManager::shared() {
    static EngineManager manager;
    return manager;
}

EngineManager::EngineManager(EngineManagerEnvironment environment, QObject* parent)
    : QObject(parent), m_environment(std::move(environment)) {
    loadEngines();
    discoverPallox();
    if (m_availableEngines.isEmpty()) {
        scanDefaultPaths();
        return;
    }
    setAvailableEngines(prioritized(m_availableEngines));
    saveEngines();
    setupDefaultSelections();
}

void EngineManager::setAvailableEngines(const QList<EngineConfiguration>& engines) {
    platform::publish(this, m_availableEngines, engines, &EngineManager::availableEnginesChanged);
}

void EngineManager::setSelectedWhiteEngine(const std::optional<EngineConfiguration>& engine) {
    platform::publish(this, m_selectedWhiteEngine, engine,
                      &EngineManager::selectedWhiteEngineChanged);
}

void EngineManager::setSelectedBlackEngine(const std::optional<EngineConfiguration>& engine) {
    platform::publish(this, m_selectedBlackEngine, engine,
                      &EngineManager::selectedBlackEngineChanged);
}

void EngineManager::removeEngine(const EngineConfiguration& engine) {
    QList<EngineConfiguration> engines = m_availableEngines;
    engines.removeIf([&engine](const EngineConfiguration& entry) { return entry.id == engine.id; });
    setAvailableEngines(engines);
    saveEngines();
    setupDefaultSelections();
}

void EngineManager::updateEngineConfig(const QUuid& id, bool limitElo, std::int64_t elo) {
    changeEngine(id, [limitElo, elo](EngineConfiguration& engine) {
        engine.limitElo = limitElo;
        engine.elo = elo;
    });
}

void EngineManager::updateEngineOptionValues(const QUuid& id,
                                             const QMap<QString, QString>& optionValues) {
    changeEngine(
        id, [&optionValues](EngineConfiguration& engine) { engine.optionValues = optionValues; });
}

void EngineManager::changeEngine(const QUuid& id,
                                 const std::function<void(EngineConfiguration&)>& change) {
    QList<EngineConfiguration> engines = m_availableEngines;
    const auto entry =
        std::find_if(engines.begin(), engines.end(),
                     [&id](const EngineConfiguration& engine) { return engine.id == id; });
    if (entry == engines.end()) {
        return;
    }
    change(*entry);
    setAvailableEngines(engines);
    // A selection is a copy of the record: it follows the change, or the next game would start
    // the engine as it was.
    const auto updateSelection = [&](const std::optional<EngineConfiguration>& selection,
                                     auto setter) {
        if (selection && selection->id == id) {
            EngineConfiguration updated = *selection;
            change(updated);
            (this->*setter)(updated);
        }
    };
    updateSelection(m_selectedWhiteEngine, &EngineManager::setSelectedWhiteEngine);
    updateSelection(m_selectedBlackEngine, &EngineManager::setSelectedBlackEngine);
    saveEngines();
}

void EngineManager::record(bool limitStrengthSupport, const QString& forPath) {
    QList<EngineConfiguration> engines = m_availableEngines;
    bool changed = false;
    for (auto& engine : engines) {
        if (engine.executablePath == forPath &&
            engine.supportsLimitStrength != limitStrengthSupport) {
            engine.supportsLimitStrength = limitStrengthSupport;
            changed = true;
        }
    }
    const auto updateSelection = [&](const std::optional<EngineConfiguration>& selection,
                                     auto setter) {
        if (selection && selection->executablePath == forPath) {
            EngineConfiguration updated = *selection;
            updated.supportsLimitStrength = limitStrengthSupport;
            (this->*setter)(updated);
        }
    };
    updateSelection(m_selectedWhiteEngine, &EngineManager::setSelectedWhiteEngine);
    updateSelection(m_selectedBlackEngine, &EngineManager::setSelectedBlackEngine);
    if (changed) {
        setAvailableEngines(engines);
        saveEngines();
    }
}

void EngineManager::learnFrom(const UCIEngineProcess& engine) {
    const QString& path = engine.config().executablePath;
    bool learnt = false;
    if (const std::optional<bool> canLimit = engine.canLimitStrength()) {
        const auto seen = m_limitSupportSeen.constFind(path);
        learnt = seen == m_limitSupportSeen.constEnd() || *seen != *canLimit;
        m_limitSupportSeen.insert(path, *canLimit);
        record(*canLimit, path);
    }
    if (const std::optional<uci::SpinRange>& range = engine.eloRange()) {
        const auto seen = m_eloRangesSeen.constFind(path);
        if (seen == m_eloRangesSeen.constEnd() || *seen != *range) {
            m_eloRangesSeen.insert(path, *range);
            learnt = true;
        }
    }
    if (learnt) {
        emit strengthSupportChanged();
    }
}

EngineStrengthSupport EngineManager::strengthSupport(const EngineConfiguration& engine) const {
    EngineStrengthSupport support;
    const auto seen = m_limitSupportSeen.constFind(engine.executablePath);
    support.canLimitStrength =
        seen != m_limitSupportSeen.constEnd() ? *seen : engine.supportsLimitStrength.value_or(true);
    const auto range = m_eloRangesSeen.constFind(engine.executablePath);
    if (range != m_eloRangesSeen.constEnd()) {
        support.eloRange = *range;
    }
    return support;
}

void EngineManager::discoverPallox() {
    const bool listed =
        std::any_of(m_availableEngines.begin(), m_availableEngines.end(), mentionsPallox);
    if (!listed) {
        if (const auto path = firstExecutablePalloxCandidate()) {
            QList<EngineConfiguration> engines = m_availableEngines;
            engines.append(EngineConfiguration::makeNew(QStringLiteral("Pallox"), *path,
                                                        QStringLiteral("The Pallox authors")));
            setAvailableEngines(engines);
        }
    }
    setAvailableEngines(prioritized(m_availableEngines));
}

void EngineManager::scanDefaultPaths() {
    QStringList paths;
    if (const auto pallox = firstExecutablePalloxCandidate()) {
        paths.append(*pallox);
    }
    paths.append(m_environment.searchPaths.commonPaths);

    QList<EngineConfiguration> engines = m_availableEngines;
    for (const QString& path : paths) {
        const bool listed =
            std::any_of(engines.begin(), engines.end(), [&path](const EngineConfiguration& engine) {
                return engine.executablePath == path;
            });
        if (listed || !isExecutableFile(path)) {
            continue;
        }
        engines.append(
            EngineConfiguration::makeNew(scannedEngineName(path), path, autoDetectedAuthor));
    }
    setAvailableEngines(prioritized(engines));
    saveEngines();
    setupDefaultSelections();
}

QCoro::Task<EngineManager::EngineTestResult> EngineManager::testEngine(QString executablePath) {
    const auto timeout = m_environment.engineTestTimeout;
    const auto killGrace = m_environment.killGrace;
    auto result = std::make_shared<EngineTestResult>();
    std::unique_ptr<QThread> thread(QThread::create([result, executablePath, timeout, killGrace] {
        *result = uci::runEngineTest(executablePath, timeout, killGrace);
    }));
    thread->setObjectName(QStringLiteral("engine test"));
    thread->start();
    co_await qCoro(thread.get()).waitForFinished();
    co_return *result;
}

QCoro::Task<EngineManager::AddEngineResult>
EngineManager::addEngine(QString path, std::optional<QString> customName) {
    const QFileInfo file(path);
    if (!file.exists()) {
        co_return AddEngineResult{std::nullopt,
                                  QStringLiteral("File does not exist at specified path."),
                                  AddEngineResult::Problem::fileMissing,
                                  {}};
    }
    if (!file.isExecutable()) {
        co_return AddEngineResult{std::nullopt,
                                  QStringLiteral("File is not executable."),
                                  AddEngineResult::Problem::notExecutable,
                                  {}};
    }
    const QPointer<EngineManager> self(this);
    const EngineTestResult test = co_await testEngine(path);
    if (!test.success) {
        co_return AddEngineResult{
            std::nullopt,
            QStringLiteral("Engine failed UCI test: ") + test.error.value_or(QString()),
            AddEngineResult::Problem::failedTest, test.error.value_or(QString())};
    }

    QString name;
    if (customName && !customName->trimmed().isEmpty()) {
        name = customName->trimmed();
    } else if (test.engineName) {
        name = *test.engineName;
    } else {
        name = file.fileName();
    }
    EngineConfiguration engine =
        EngineConfiguration::makeNew(name, path, test.author.value_or(QString()));
    engine.supportsLimitStrength = test.supportsLimitStrength;
    if (self) {
        engine = self->insertTestedEngine(std::move(engine));
    }
    co_return AddEngineResult{engine, std::nullopt, AddEngineResult::Problem::none, {}};
}

QList<EngineConfiguration> EngineManager::prioritized(const QList<EngineConfiguration>& engines) {
    QList<EngineConfiguration> result = engines;
    std::stable_partition(result.begin(), result.end(), mentionsPallox);
    return result;
}

void EngineManager::loadEngines() {
    const QVariant stored = platform::Settings::value(userDefaultsKey);
    if (!stored.isValid()) {
        return;
    }
    const QByteArray data = stored.toByteArray();
    auto decoded = EngineConfiguration::decodeRecords(data);
    // An empty value holds nothing to lose; any other value that is no list is kept whole.
    const bool empty = stored.canConvert<QByteArray>() && data.trimmed().isEmpty();
    const bool damaged = decoded.isArray ? !decoded.unreadable.isEmpty() : !empty;
    if (damaged) {
        keepUnreadableRecords(
            decoded.isArray
                ? QVariant(QJsonDocument(decoded.unreadable).toJson(QJsonDocument::Compact))
                : stored);
    }
    for (auto& engine : decoded.engines) {
        if (!engine.multiPV) {
            engine.multiPV = 3;
        }
    }
    setAvailableEngines(decoded.engines);
}

void EngineManager::keepUnreadableRecords(const QVariant& unreadable) {
    const QString where = QDir::toNativeSeparators(platform::Settings::fileName());
    if (const auto key = platform::Settings::setAside(userDefaultsKey, unreadable)) {
        platform::StoreAlerts::shared().raise(
            {QStringLiteral("store_engines_set_aside"), *key + QStringLiteral("\n") + where});
        return;
    }
    // With no copy kept, the stored list is the only one there is: this session's changes must
    // not replace it.
    m_mayWriteStore = false;
    platform::StoreAlerts::shared().raise({QStringLiteral("store_engines_left_untouched"), where});
}

void EngineManager::saveEngines() {
    if (!m_mayWriteStore) {
        return;
    }
    platform::Settings::setValue(userDefaultsKey,
                                 EngineConfiguration::encodeList(m_availableEngines));
}

void EngineManager::setupDefaultSelections() {
    const auto isListed = [this](const std::optional<EngineConfiguration>& selection) {
        return selection && std::any_of(m_availableEngines.begin(), m_availableEngines.end(),
                                        [&selection](const EngineConfiguration& engine) {
                                            return engine.id == selection->id;
                                        });
    };
    std::optional<EngineConfiguration> first;
    if (!m_availableEngines.isEmpty()) {
        first = m_availableEngines.first();
    }
    if (!isListed(m_selectedWhiteEngine)) {
        setSelectedWhiteEngine(first);
    }
    if (!isListed(m_selectedBlackEngine)) {
        setSelectedBlackEngine(first);
    }
}

EngineConfiguration EngineManager::insertTestedEngine(EngineConfiguration engine) {
    QList<EngineConfiguration> engines = m_availableEngines;
    const auto samePath =
        std::find_if(engines.begin(), engines.end(), [&engine](const EngineConfiguration& entry) {
            return entry.executablePath == engine.executablePath;
        });
    if (samePath != engines.end()) {
        // The person's choices for this executable outlive adding it again.
        engine.optionValues = samePath->optionValues;
        *samePath = engine;
    } else {
        engines.append(engine);
    }
    setAvailableEngines(prioritized(engines));
    saveEngines();
    setupDefaultSelections();
    return engine;
}

std::optional<QString> EngineManager::firstExecutablePalloxCandidate() const {
    for (const QString& path : m_environment.searchPaths.palloxCandidates) {
        if (isExecutableFile(path)) {
            return path;
        }
    }
    return std::nullopt;
}

} // namespace velkor
