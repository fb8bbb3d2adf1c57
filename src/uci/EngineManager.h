#pragma once

#include "EngineChildProcess.h"
#include "EngineConfiguration.h"
#include "EngineSearchPaths.h"
#include "EngineTest.h"
#include "UciProtocol.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>
#include <QVariant>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <qcoro/qcorotask.h>

namespace velkor {

class UCIEngineProcess;

// What an engine can do about its strength, as far as the registry knows.
struct EngineStrengthSupport {
    // Whether it can be weakened (UCI_LimitStrength); true while that is unknown.
    bool canLimitStrength = true;
    // The UCI_Elo range it announced in a handshake of this session; none before one.
    std::optional<uci::SpinRange> eloRange;

    bool operator==(const EngineStrengthSupport&) const = default;
};

// What tests may replace in the registry: where engines are looked for, how long an engine test
// waits for "uciok", and how long a tested engine may take to end before it is killed.
struct EngineManagerEnvironment {
    EngineSearchPaths searchPaths = EngineSearchPaths::standard();
    std::chrono::milliseconds engineTestTimeout{3000};
    std::chrono::milliseconds killGrace = uci::defaultKillGrace;
};

// The registry of installed engines: the list in priority order (Pallox first), persisted as JSON
// under "Brontil_InstalledEngines" after every change, and the engines chosen for White and
// Black (not persisted). It also finds engines on disk and tests executables before adding them.
// Lives on the main thread.
//
// The stored list is read record by record: a damaged record costs only itself. Whatever could
// not be read is copied aside in the store (Settings::setAside) before the list is written again,
// and the person is told once (StoreAlerts); when no copy can be kept, the stored list is left
// untouched for the whole session.
class EngineManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<velkor::EngineConfiguration> availableEngines READ availableEngines WRITE
                   setAvailableEngines NOTIFY availableEnginesChanged)
    Q_PROPERTY(
        std::optional<velkor::EngineConfiguration> selectedWhiteEngine READ selectedWhiteEngine
            WRITE setSelectedWhiteEngine NOTIFY selectedWhiteEngineChanged)
    Q_PROPERTY(
        std::optional<velkor::EngineConfiguration> selectedBlackEngine READ selectedBlackEngine
            WRITE setSelectedBlackEngine NOTIFY selectedBlackEngineChanged)

public:
    using EngineTestResult = velkor::EngineTestResult;

    // The author stored for an engine found by a scan, which tells none; the interface words it
    // in its own language.
    static inline const QString autoDetectedAuthor = QStringLiteral("Auto-detected");

    // What addEngine gives back: the new record, or the message saying why there is none.
    struct AddEngineResult {
        std::optional<EngineConfiguration> engine;
        std::optional<QString> message;
        // What went wrong, for the interface to word in its own language; `detail` is the
        // engine test's own error.
        enum class Problem { none, fileMissing, notExecutable, failedTest };
        Problem problem = Problem::none;
        QString detail;
    };

    static inline const QString userDefaultsKey = QStringLiteral("Brontil_InstalledEngines");

    // The application's registry, made (and started up) on first use.
    static EngineManager& shared();

    // Starts up: loads the stored list, looks for the Pallox engine, and with an empty list scans
    // the common paths; the result is re-ordered, saved and selected from.
    explicit EngineManager(EngineManagerEnvironment environment = {}, QObject* parent = nullptr);

    const QList<EngineConfiguration>& availableEngines() const { return m_availableEngines; }
    const std::optional<EngineConfiguration>& selectedWhiteEngine() const {
        return m_selectedWhiteEngine;
    }
    const std::optional<EngineConfiguration>& selectedBlackEngine() const {
        return m_selectedBlackEngine;
    }
    // The list as given, neither re-ordered nor saved.
    void setAvailableEngines(const QList<EngineConfiguration>& engines);
    // A written selection is used as it is.
    void setSelectedWhiteEngine(const std::optional<EngineConfiguration>& engine);
    void setSelectedBlackEngine(const std::optional<EngineConfiguration>& engine);

    // Removes every entry with the engine's id, saves, and moves selections that lost their
    // engine to the first one.
    void removeEngine(const EngineConfiguration& engine);

    // Sets the strength of the entry with `id` and of selections with that id, then saves. The
    // Elo is stored as given. An unknown id changes nothing.
    void updateEngineConfig(const QUuid& id, bool limitElo, std::int64_t elo);

    // Stores the option values of the entry with `id` and of selections with that id, then
    // saves. An unknown id changes nothing.
    void updateEngineOptionValues(const QUuid& id, const QMap<QString, QString>& optionValues);

    // What an engine's handshake showed about UCI_LimitStrength, for every entry and selection
    // with exactly this path; saves only when an entry changed.
    void record(bool limitStrengthSupport, const QString& forPath);
    // Everything a started engine's handshake told about its strength: the support above, and
    // the UCI_Elo range it announced, kept by path for this session (the range is not stored:
    // an engine file replaced between sessions may announce another).
    void learnFrom(const UCIEngineProcess& engine);
    // What `engine` can do about its strength: what a handshake of this session showed for its
    // path, else what its record says. Every Elo control asks here, so that a slider says what
    // an engine will really play at, also before its next game.
    EngineStrengthSupport strengthSupport(const EngineConfiguration& engine) const;

    // Adds the first executable Pallox candidate unless a listed engine already mentions
    // "pallox"; always re-orders, never saves (start-up saves right after).
    void discoverPallox();

    // Adds every executable of the Pallox candidate and the common paths that is not listed yet,
    // then re-orders, saves and selects.
    void scanDefaultPaths();

    // Runs the executable off the main thread and waits for its "uciok" (3 seconds by default).
    QCoro::Task<EngineTestResult> testEngine(QString executablePath);

    // Checks and tests the executable, then lists it (replacing an entry with the same path,
    // whose option values it keeps), saves and selects. Messages: "File does not exist at specified
    // path.", "File is not executable.", "Engine failed UCI test: <reason>".
    QCoro::Task<AddEngineResult> addEngine(QString path, std::optional<QString> customName);

    // Engines whose name or path contains "pallox" (any case) first; otherwise the order is kept.
    static QList<EngineConfiguration> prioritized(const QList<EngineConfiguration>& engines);

signals:
    void availableEnginesChanged(const QList<velkor::EngineConfiguration>& engines);
    void selectedWhiteEngineChanged(const std::optional<velkor::EngineConfiguration>& engine);
    void selectedBlackEngineChanged(const std::optional<velkor::EngineConfiguration>& engine);
    // A handshake told something new about an engine's strength (see strengthSupport).
    void strengthSupportChanged();

private:
    // Applies `change` to the installed engine `id` and to the selections that copy it, and
    // saves; nothing happens for an unknown id.
    void changeEngine(const QUuid& id, const std::function<void(EngineConfiguration&)>& change);
    void loadEngines();
    void keepUnreadableRecords(const QVariant& unreadable);
    void saveEngines();
    void setupDefaultSelections();
    // Lists the engine and gives back the record as listed.
    EngineConfiguration insertTestedEngine(EngineConfiguration engine);
    std::optional<QString> firstExecutablePalloxCandidate() const;

    EngineManagerEnvironment m_environment;
    QList<EngineConfiguration> m_availableEngines;
    std::optional<EngineConfiguration> m_selectedWhiteEngine;
    std::optional<EngineConfiguration> m_selectedBlackEngine;
    bool m_mayWriteStore = true;
    // What the handshakes of this session showed, by executable path.
    QHash<QString, bool> m_limitSupportSeen;
    QHash<QString, uci::SpinRange> m_eloRangesSeen;
};

} // namespace velkor
