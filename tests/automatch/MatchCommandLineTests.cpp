// velkor-match as a program: what it prints for a match, how it refuses bad arguments, and that
// an interrupted run saves and resumes to the end.
#include "automatch/MatchCommandLine.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <csignal>
#include <fstream>
#include <gtest/gtest.h>

namespace velkor::automatch {
namespace {

class MatchProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const auto& [name, arguments] :
             {std::pair{"a", "--score 300"}, std::pair{"b", "--score -300"}}) {
            const QString file = m_dir.filePath(QString(name) + ".sh");
            std::ofstream(file.toStdString())
                << "#!/bin/sh\nexec '" << VELKOR_INSTANT_ENGINE << "' " << arguments << " \"$@\"\n";
            QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                            QFileDevice::ExeOwner);
        }
    }

    QStringList match(int rounds) const {
        return {"-engine",
                "cmd=./a.sh",
                "name=A",
                "-engine",
                "cmd=./b.sh",
                "name=B",
                "-each",
                "tc=10+0.1",
                "option.Hash=16",
                "-rounds",
                QString::number(rounds),
                "-games",
                "2",
                "-repeat",
                "-concurrency",
                "2",
                "-resign",
                "movecount=1",
                "score=200",
                "-pgnout",
                "file=games.pgn",
                "-ratinginterval",
                "2"};
    }

    struct Run {
        int exitCode = -1;
        QString out;
        QString err;
    };

    Run run(const QStringList& arguments) const {
        QProcess process;
        process.setWorkingDirectory(m_dir.path());
        process.start(VELKOR_MATCH_PROGRAM, arguments);
        process.waitForFinished(60'000);
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    QTemporaryDir m_dir;
};

TEST_F(MatchProgramTest, PlaysAMatchAndPrintsTheLinesEngineTestingToolsRead) {
    // One game at a time, so the counts grow by pairs and pass the rating interval twice.
    const Run result = run(match(2) + QStringList{"-concurrency", "1"});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.err.isEmpty());
    const QString& out = result.out;
    EXPECT_TRUE(out.startsWith("Started game 1 of 4 (A vs B)\n"));
    EXPECT_TRUE(out.contains("Started game 2 of 4 (B vs A)\n"));
    EXPECT_TRUE(out.contains("Finished game 2 (B vs A): 0-1 {White wins by adjudication}") ||
                out.contains("Finished game 2 (B vs A): 0-1 {Black wins by adjudication}"));
    EXPECT_TRUE(out.contains("Results of A vs B (10+0.1, NULL, 16MB):\n"));
    // One summary at two games and the last at four.
    EXPECT_EQ(out.count("Results of"), 2);
    EXPECT_TRUE(out.contains("Games: 4, Wins: 4, Losses: 0, Draws: 0, Points: 4.0 (100.00 %)"));
    EXPECT_TRUE(out.contains("Ptnml(0-2): [0, 0, 0, 0, 2]"));
    QFile pgn(m_dir.filePath("games.pgn"));
    ASSERT_TRUE(pgn.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(pgn.readAll()).count("[Round "), 4);
    EXPECT_TRUE(QFile::exists(m_dir.filePath("config.json")));

    const Run printed = run(QStringList{"--print-fastchess"} + match(2));
    EXPECT_EQ(printed.exitCode, 0);
    EXPECT_TRUE(printed.out.startsWith("fastchess -engine cmd=")) << printed.out.toStdString();
    EXPECT_TRUE(printed.out.contains("tc=10+0.1 option.Hash=16"));
    EXPECT_TRUE(printed.out.contains("-games 2 -repeat"));
    EXPECT_TRUE(printed.out.contains("-resign movecount=1 score=200"));
}

TEST_F(MatchProgramTest, BadArgumentsGiveOneLineAndStartNothing) {
    for (const QStringList& arguments : {match(2) + QStringList{"-concurrency", "0"},
                                         QStringList{"-engine", "cmd=./missing", "name=X", "tc=1",
                                                     "-engine", "cmd=./b.sh", "name=B", "tc=1"},
                                         match(2) + QStringList{"-openings", "file=nowhere.epd"},
                                         QStringList{"-config", "file=games.pgn"}}) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        QFile::remove(m_dir.filePath("games.pgn"));
        std::ofstream(m_dir.filePath("games.pgn").toStdString()) << "not a saved run";
        const Run result = run(arguments);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_TRUE(result.out.isEmpty());
        EXPECT_EQ(result.err.count('\n'), 1) << result.err.toStdString();
        EXPECT_TRUE(result.err.startsWith("velkor-match: "));
    }
    // An opening file that cannot be used is refused before any game starts.
    std::ofstream(m_dir.filePath("bad.epd").toStdString()) << "this is no position\n";
    const Run result = run(match(2) + QStringList{"-openings", "file=bad.epd"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.out.isEmpty());
    EXPECT_TRUE(result.err.contains("bad.epd"));
}

TEST_F(MatchProgramTest, AnInterruptSavesTheRunAndItResumesToTheSameEnd) {
    QProcess process;
    process.setWorkingDirectory(m_dir.path());
    process.start(VELKOR_MATCH_PROGRAM, match(100) + QStringList{"-config", "outname=run.json"});
    QString out;
    while (!out.contains("Finished game 5 ") && process.waitForReadyRead(20'000)) {
        out += QString::fromUtf8(process.readAllStandardOutput());
    }
    ASSERT_TRUE(out.contains("Finished game 5 "));
    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(20'000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    out += QString::fromUtf8(process.readAllStandardOutput());
    ASSERT_FALSE(out.contains("Games: 200,"));

    const Run resumed = run({"-config", "file=run.json"});
    EXPECT_EQ(resumed.exitCode, 0) << resumed.err.toStdString();
    // No game the first run finished is played again; the ones it abandoned are.
    const QRegularExpression finished("Finished game (\\d+) ");
    for (auto it = finished.globalMatch(out); it.hasNext();) {
        const QString number = it.next().captured(1);
        EXPECT_FALSE(resumed.out.contains("Started game " + number + " of"))
            << number.toStdString();
    }
    EXPECT_TRUE(resumed.out.contains("Games: 200, Wins: 200, Losses: 0, Draws: 0"));
    QFile pgn(m_dir.filePath("games.pgn"));
    ASSERT_TRUE(pgn.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(pgn.readAll()).count("[Round "), 200);
}

} // namespace
} // namespace velkor::automatch
