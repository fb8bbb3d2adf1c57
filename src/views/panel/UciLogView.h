#pragma once

#include <QPointer>
#include <QStringList>
#include <QWidget>

class QPlainTextEdit;

namespace velkor {
class GameManager;
class UCIEngineProcess;
class LocalizationManager;
} // namespace velkor

namespace velkor::panel {

class CoalescedRefresh;

// The UCI dialogue of the engine thinking now (or last), line by line as sent ("> ") and
// received ("< "), lines with "bestmove", "score" or "depth" in bold, and a button that copies
// the whole log. New lines are appended at a steady rate instead of redrawing the log per line.
class UciLogView : public QWidget {
    Q_OBJECT

public:
    UciLogView(GameManager& games, LocalizationManager& localization, QWidget* parent = nullptr);

    // Whether a line is set in bold.
    static bool isEmphasised(const QString& line);

signals:
    void copied();

private:
    void followThinkingEngine();
    void show(UCIEngineProcess* process);
    void appendNewLines();
    void rebuild(const QStringList& lines);
    void append(const QStringList& lines, qsizetype from);

    GameManager& m_games;
    QPlainTextEdit* m_text;
    CoalescedRefresh* m_refresh;
    QPointer<UCIEngineProcess> m_process;
    // How many lines of the process's log are on show, and the last of them (the log drops its
    // oldest lines when it grows long, so the count alone does not tell whether it only grew).
    qsizetype m_shownCount = 0;
    QString m_lastShownLine;
};

} // namespace velkor::panel
