#include "EngineTest.h"

#include "EngineChildProcess.h"
#include "UciLineSplitter.h"
#include "UciText.h"
#include "chess/TextUtil.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <algorithm>

namespace velkor::uci {

namespace {

std::optional<QString> toText(const std::optional<std::string>& text) {
    if (!text) {
        return std::nullopt;
    }
    return QString::fromStdString(*text);
}

} // namespace

void EngineReplyScanner::consumeLine(std::string_view line) {
    constexpr std::string_view namePrefix = "id name ";
    constexpr std::string_view authorPrefix = "id author ";
    if (auto option = parseOptionLine(line)) {
        if (findOption(m_options, option->name) == nullptr) {
            m_options.push_back(std::move(*option));
        }
    }
    if (line.starts_with(namePrefix)) {
        m_engineName = std::string(line.substr(namePrefix.size()));
    } else if (line.starts_with(authorPrefix)) {
        m_author = std::string(line.substr(authorPrefix.size()));
    } else if (text::lowercased(line).starts_with("option name uci_limitstrength ")) {
        m_sawLimitStrength = true;
    } else if (line == "uciok") {
        m_sawUciOk = true;
    }
}

EngineTestResult EngineReplyScanner::result(std::chrono::milliseconds timeout) const {
    EngineTestResult result;
    if (!m_sawUciOk) {
        const auto seconds = std::chrono::duration<double>(timeout).count();
        result.error = QStringLiteral("Engine did not reply with 'uciok' within %1 seconds")
                           .arg(QString::number(seconds));
        return result;
    }
    result.success = true;
    result.engineName = toText(m_engineName);
    result.author = toText(m_author);
    result.supportsLimitStrength = m_sawLimitStrength;
    result.options = m_options;
    return result;
}

EngineTestResult runEngineTest(const QString& path, std::chrono::milliseconds timeout,
                               std::chrono::milliseconds killGrace) {
    ignoreBrokenPipeSignal();
    QProcess process;
    prepareEngineProcess(process, path);
    process.start();
    if (!process.waitForStarted()) {
        EngineTestResult failure;
        failure.error = process.errorString();
        return failure;
    }
    process.write("uci\nquit\n");

    UciLineSplitter splitter;
    EngineReplyScanner scanner;
    QElapsedTimer elapsed;
    elapsed.start();
    while (!scanner.sawUciOk() && elapsed.elapsed() < timeout.count()) {
        const auto slice = std::min<qint64>(50, timeout.count() - elapsed.elapsed());
        if (process.state() == QProcess::Running) {
            process.waitForReadyRead(static_cast<int>(slice));
        } else {
            // An engine that exited is not polled in a busy loop; its test still fails only
            // when the time is up.
            QThread::msleep(static_cast<unsigned long>(slice));
        }
        const QByteArray data = process.readAll();
        splitter.feed(std::string_view(data.constData(), static_cast<std::size_t>(data.size())),
                      [&scanner](std::string_view line) { scanner.consumeLine(line); });
    }
    endChildProcess(process, killGrace);
    return scanner.result(timeout);
}

} // namespace velkor::uci
