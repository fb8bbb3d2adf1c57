#pragma once

#include "PGNGameListDialog.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QProgressDialog;
class QThread;
class QWidget;

namespace velkor {

class GameManager;
class LocalizationManager;

// Opens a PGN file into the game. The file is read, decoded and its games listed on a worker
// thread, with a progress window (and a way to cancel) when that takes a moment, so a large
// collection never freezes the window. A file with one game opens at once; with several, a list
// of them is offered and the chosen one opens. What could not be read is shown in an alert and
// the game on the board stays; what was adjusted on the way (a file read as Latin-1, variations
// set aside) is told once through `notify`.
class PGNOpenFlow : public QObject {
    Q_OBJECT

public:
    PGNOpenFlow(QWidget& window, GameManager& game, LocalizationManager& localization,
                std::function<void(const QString& note)> notify, QObject* parent = nullptr);
    // Cancels the reading and waits for the worker to stop.
    ~PGNOpenFlow() override;
    PGNOpenFlow(const PGNOpenFlow&) = delete;
    PGNOpenFlow& operator=(const PGNOpenFlow&) = delete;

    // Starts on the file at `path`; a file still being read is given up first.
    void open(const QString& path);
    // The list of games while it is shown.
    PGNGameListDialog* gameList() const { return m_gameList; }
    // Milliseconds from open() to the list of games (or the loaded game) on screen, for the
    // last file that got that far.
    std::optional<qint64> lastListingMs() const { return m_lastListingMs; }

signals:
    // The file was dealt with: a game loaded, an error shown, or the reading cancelled.
    void finished();

private:
    struct Job;
    void readingDone(const std::shared_ptr<Job>& job);
    void loadGame(const std::shared_ptr<Job>& job, std::size_t offset, std::size_t length);
    void fail(const QString& message);
    void stopReading();

    QWidget& m_window;
    GameManager& m_game;
    LocalizationManager& m_localization;
    std::function<void(const QString&)> m_notify;
    std::shared_ptr<Job> m_job;
    QPointer<QThread> m_thread;
    QPointer<QProgressDialog> m_progress;
    QPointer<PGNGameListDialog> m_gameList;
    QElapsedTimer m_sinceOpen;
    std::optional<qint64> m_lastListingMs;
};

} // namespace velkor
