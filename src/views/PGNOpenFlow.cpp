#include "PGNOpenFlow.h"

#include "PGNExporter.h"
#include "PGNGameListDialog.h"
#include "base/DomainError.h"
#include "game/GameManager.h"
#include "localization/LocalizationManager.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>
#include <QStringList>
#include <QThread>
#include <QTimer>
#include <atomic>

namespace velkor {

// What the worker reads and lists, shared with the main thread. The worker writes the results
// before it finishes; the main thread reads them only after.
struct PGNOpenFlow::Job {
    QString path;
    qint64 totalBytes = 0;
    std::atomic<qint64> bytesDone{0};
    std::atomic<bool> cancelled{false};
    PGNExporter::OpenedBytes file;
    std::optional<std::vector<PGNGameSummary>> games;
};

namespace {

constexpr int progressSteps = 1000;

} // namespace

PGNOpenFlow::PGNOpenFlow(QWidget& window, GameManager& game, LocalizationManager& localization,
                         std::function<void(const QString& note)> notify, QObject* parent)
    : QObject(parent), m_window(window), m_game(game), m_localization(localization),
      m_notify(std::move(notify)) {}

PGNOpenFlow::~PGNOpenFlow() {
    stopReading();
}

void PGNOpenFlow::stopReading() {
    if (m_job) {
        m_job->cancelled = true;
    }
    if (m_thread) {
        disconnect(m_thread, nullptr, this, nullptr);
        m_thread->wait();
    }
    m_job.reset();
    if (m_progress) {
        m_progress->deleteLater();
    }
}

void PGNOpenFlow::open(const QString& path) {
    stopReading();
    if (m_gameList) {
        m_gameList->close();
    }
    m_sinceOpen.start();
    auto job = std::make_shared<Job>();
    job->path = path;
    job->totalBytes = QFileInfo(path).size();
    m_job = job;

    QThread* thread = QThread::create([job] {
        job->file = PGNExporter::readUtf8(job->path);
        if (!job->file.text || job->cancelled) {
            return;
        }
        job->games = PGNParser::indexGames(*job->file.text, [&job = *job](std::size_t done) {
            job.bytesDone = static_cast<qint64>(done);
            return !job.cancelled.load();
        });
    });
    m_thread = thread;
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    connect(thread, &QThread::finished, this, [this, job] {
        if (m_job == job) {
            readingDone(job);
        }
    });

    // The progress window appears only when the reading takes a noticeable time.
    auto* progress = new QProgressDialog(&m_window);
    progress->setObjectName(QStringLiteral("pgnReadingProgress"));
    progress->setWindowModality(Qt::WindowModal);
    progress->setLabelText(m_localization.text(QStringLiteral("pgn_reading_games")));
    progress->setCancelButtonText(m_localization.text(QStringLiteral("btn_cancel")));
    progress->setRange(0, progressSteps);
    progress->setMinimumDuration(400);
    progress->setAutoReset(false);
    progress->setAutoClose(false);
    progress->setValue(0);
    m_progress = progress;
    connect(progress, &QProgressDialog::canceled, this, [this, job] { job->cancelled = true; });
    auto* poll = new QTimer(progress);
    poll->setInterval(100);
    connect(poll, &QTimer::timeout, progress, [progress, job] {
        if (job->totalBytes > 0) {
            progress->setValue(static_cast<int>(job->bytesDone * progressSteps / job->totalBytes));
        }
    });
    poll->start();
    thread->start();
}

void PGNOpenFlow::readingDone(const std::shared_ptr<Job>& job) {
    m_thread = nullptr;
    if (m_progress) {
        m_progress->deleteLater();
    }
    if (job->cancelled) {
        m_job.reset();
        emit finished();
        return;
    }
    if (!job->file.text) {
        fail(job->file.tooLarge ? m_localization.text(QStringLiteral("pgn_file_too_large"))
                                : job->file.error);
        return;
    }
    if (!job->games || job->games->empty()) {
        fail(m_localization.text(QStringLiteral("pgn_no_games")));
        return;
    }
    if (job->games->size() == 1) {
        m_lastListingMs = m_sinceOpen.elapsed();
        const PGNGameSummary only = job->games->front();
        loadGame(job, only.offset, only.length);
        return;
    }
    auto* list = new PGNGameListDialog(std::move(*job->games), m_localization, &m_window);
    job->games.reset();
    list->setAttribute(Qt::WA_DeleteOnClose);
    m_gameList = list;
    connect(list, &PGNGameListDialog::gameChosen, this, [this, job, list](std::size_t index) {
        const PGNGameSummary& chosen = list->games().at(index);
        loadGame(job, chosen.offset, chosen.length);
    });
    connect(list, &QDialog::rejected, this, [this, job] {
        if (m_job == job) {
            m_job.reset();
        }
        emit finished();
    });
    list->open();
    m_lastListingMs = m_sinceOpen.elapsed();
}

void PGNOpenFlow::loadGame(const std::shared_ptr<Job>& job, std::size_t offset,
                           std::size_t length) {
    const std::string_view gameText = std::string_view(*job->file.text).substr(offset, length);
    const bool readAsLatin1 = job->file.readAsLatin1;
    try {
        const PGNLoadNotes notes = m_game.loadPGN(
            QString::fromUtf8(gameText.data(), static_cast<qsizetype>(gameText.size())));
        QStringList said;
        if (readAsLatin1) {
            said.append(m_localization.text(QStringLiteral("pgn_read_as_latin1")));
        }
        if (notes.variationsSetAside > 0) {
            said.append(m_localization.text(QStringLiteral("pgn_variations_set_aside")));
        }
        if (!said.isEmpty() && m_notify) {
            m_notify(said.join(QLatin1Char(' ')));
        }
    } catch (const DomainError& error) {
        if (m_job == job) {
            m_job.reset();
        }
        fail(QString::fromStdString(error.message()));
        return;
    }
    if (m_job == job) {
        m_job.reset();
    }
    emit finished();
}

void PGNOpenFlow::fail(const QString& message) {
    m_job.reset();
    // Shown without waiting for it, so the flow is done and a test or a person can go on.
    auto* alert = new QMessageBox(QMessageBox::Warning,
                                  m_localization.text(QStringLiteral("dialog_open_pgn")), message,
                                  QMessageBox::Ok, &m_window);
    alert->setObjectName(QStringLiteral("pgnOpenError"));
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->open();
    emit finished();
}

} // namespace velkor
