// Saved files hold either their old or their whole new content, whatever happens while writing.
#include "platform/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace velkor::platform {
namespace {

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void putFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(content), content.size());
}

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

// Runs writeFileAtomically in a child process whose files may grow to `limitBytes` at most, as on
// a disk that fills up during the write. Gives the child's error text ("" for success).
QString writeWithSizeLimit(const QString& path, const QByteArray& bytes, rlim_t limitBytes) {
    int channel[2];
    if (::pipe(channel) != 0) {
        return QStringLiteral("<no pipe>");
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{limitBytes, limitBytes};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const auto error = writeFileAtomically(path, bytes);
        const QByteArray text = error ? error->toUtf8() : QByteArray();
        const bool sent =
            ::write(channel[1], text.constData(), size_t(text.size())) == ssize_t(text.size());
        ::_exit(sent ? 0 : 1);
    }
    ::close(channel[1]);
    QByteArray text;
    char buffer[512];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;) {
        text.append(buffer, n);
    }
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return QStringLiteral("<child failed>");
    }
    return QString::fromUtf8(text);
}

TEST(AtomicFile, ReplacesTheWholeFileKeepingItsModeAndWritesThroughLinks) {
    QTemporaryDir folder;
    const QString old = folder.filePath("old.pgn");
    putFile(old, "old game");
    QFile::setPermissions(old, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);

    EXPECT_EQ(writeFileAtomically(old, "new game"), std::nullopt);
    EXPECT_EQ(contentOf(old), "new game");
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(old).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);

    const QString link = folder.filePath("link.pgn");
    ASSERT_TRUE(QFile::link(old, link));
    EXPECT_EQ(writeFileAtomically(link, "through the link"), std::nullopt);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(contentOf(old), "through the link");

    const QString fresh = folder.filePath("fresh.fen");
    EXPECT_EQ(writeFileAtomically(fresh, QByteArray()), std::nullopt);
    EXPECT_TRUE(QFileInfo(fresh).isFile());
    EXPECT_EQ(entries(folder.path()), (QStringList{"fresh.fen", "link.pgn", "old.pgn"}));

    const auto missingFolder = writeFileAtomically(folder.filePath("gone/x.pgn"), "x");
    ASSERT_TRUE(missingFolder);
    EXPECT_TRUE(missingFolder->contains(qt_error_string(ENOENT))) << missingFolder->toStdString();
}

TEST(AtomicFile, AFullDiskLeavesTheOldFileWholeAndSaysWhy) {
    QTemporaryDir folder;
    const QString old = folder.filePath("old.pgn");
    putFile(old, "[Event \"kept\"]\n\n1. e4 *\n");
    // Small enough to sit in any write buffer, so only a checked flush can see the failure.
    const QByteArray game = QByteArray("1. d4 d5 ").repeated(400);

    const QString error = writeWithSizeLimit(old, game, 1024);
    EXPECT_TRUE(error.contains(qt_error_string(EFBIG))) << error.toStdString();
    EXPECT_TRUE(error.contains(old)) << error.toStdString();
    EXPECT_EQ(contentOf(old), "[Event \"kept\"]\n\n1. e4 *\n");

    const QString fresh = folder.filePath("new.pgn");
    EXPECT_FALSE(writeWithSizeLimit(fresh, game, 1024).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(fresh));
    EXPECT_EQ(entries(folder.path()), QStringList{"old.pgn"});

    EXPECT_EQ(writeWithSizeLimit(old, game, RLIM_INFINITY), "");
    EXPECT_EQ(contentOf(old), game);
}

TEST(AtomicFile, DevicesAreWrittenInPlaceAndOtherSpecialFilesRefused) {
    struct stat before {};
    ASSERT_EQ(::stat("/dev/full", &before), 0);
    const auto full = writeFileAtomically("/dev/full", "1. e4 *\n");
    ASSERT_TRUE(full);
    EXPECT_TRUE(full->contains(qt_error_string(ENOSPC))) << full->toStdString();
    EXPECT_EQ(writeFileAtomically("/dev/null", "1. e4 *\n"), std::nullopt);
    struct stat after {};
    ASSERT_EQ(::stat("/dev/full", &after), 0);
    EXPECT_TRUE(S_ISCHR(after.st_mode));
    EXPECT_EQ(after.st_rdev, before.st_rdev);

    QTemporaryDir folder;
    const QString pipe = folder.filePath("pipe.pgn");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
    const auto refused = writeFileAtomically(pipe, "1. e4 *\n");
    ASSERT_TRUE(refused);
    EXPECT_TRUE(refused->contains("not a regular file")) << refused->toStdString();
    struct stat pipeInfo {};
    ASSERT_EQ(::lstat(QFile::encodeName(pipe).constData(), &pipeInfo), 0);
    EXPECT_TRUE(S_ISFIFO(pipeInfo.st_mode));

    const QString sub = folder.filePath("games");
    ASSERT_TRUE(QDir().mkdir(sub));
    const auto intoFolder = writeFileAtomically(sub, "1. e4 *\n");
    ASSERT_TRUE(intoFolder);
    EXPECT_TRUE(QFileInfo(sub).isDir());
    EXPECT_EQ(entries(folder.path()), (QStringList{"games", "pipe.pgn"}));
}

} // namespace
} // namespace velkor::platform
