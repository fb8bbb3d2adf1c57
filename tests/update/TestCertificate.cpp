#include "TestCertificate.h"

#include <QFile>
#include <QProcess>

namespace velkor::testing {

TestCertificate TestCertificate::make(const QString& folder, QString* error) {
    const QString keyPath = folder + "/loopback-key.pem";
    const QString certificatePath = folder + "/loopback-cert.pem";
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start("openssl",
                  {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                   "-nodes", "-days", "2", "-subj", "/CN=localhost", "-addext",
                   "subjectAltName=DNS:localhost,IP:127.0.0.1", "-keyout", keyPath, "-out",
                   certificatePath});
    if (!openssl.waitForFinished(30'000) || openssl.exitCode() != 0) {
        *error = "openssl failed: " + QString::fromUtf8(openssl.readAll());
        return TestCertificate{QSslCertificate(), QSslKey()};
    }
    QFile keyFile(keyPath);
    QFile certificateFile(certificatePath);
    if (!keyFile.open(QIODevice::ReadOnly) || !certificateFile.open(QIODevice::ReadOnly)) {
        *error = "cannot read the certificate files";
        return TestCertificate{QSslCertificate(), QSslKey()};
    }
    TestCertificate result{QSslCertificate(certificateFile.readAll(), QSsl::Pem),
                           QSslKey(keyFile.readAll(), QSsl::Ec, QSsl::Pem)};
    if (result.certificate.isNull() || result.key.isNull()) {
        *error = "openssl wrote an unreadable certificate or key";
        return TestCertificate{QSslCertificate(), QSslKey()};
    }
    return result;
}

} // namespace velkor::testing
