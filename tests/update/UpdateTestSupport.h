#pragma once

#include "LoopbackHttpsServer.h"
#include "TestCertificate.h"
#include "update/UpdateService.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace velkor::testing {

// A loopback HTTPS server with a throw-away certificate and the service options that trust only
// that certificate, the feed at its fixed path and private download and status folders.
class LoopbackUpdateServer {
public:
    LoopbackUpdateServer() {
        // Images are attached, and abandoned ones removed at launch, in a mount base of our own:
        // never in the one other programs and test runs share.
        const QString runtime = m_folder.path() + "/runtime";
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime.toUtf8());
        QString error;
        m_certificate = TestCertificate::make(m_folder.path(), &error);
        EXPECT_FALSE(m_certificate.certificate.isNull()) << error.toStdString();
        m_server = std::make_unique<LoopbackHttpsServer>(m_certificate);
        EXPECT_TRUE(m_server->isListening());
    }

    LoopbackHttpsServer& server() { return *m_server; }
    QString feedPath() const { return "/updates/Velkor/appcast.json"; }

    UpdateServiceOptions options() const {
        UpdateServiceOptions options;
        options.feedURL = m_server->url(feedPath());
        options.trustedCertificates = QList<QSslCertificate>{m_certificate.certificate};
        options.locations = {m_folder.path() + "/caches", m_folder.path() + "/support"};
        return options;
    }

    QString folder() const { return m_folder.path(); }

private:
    QTemporaryDir m_folder;
    TestCertificate m_certificate;
    std::unique_ptr<LoopbackHttpsServer> m_server;
};

} // namespace velkor::testing
