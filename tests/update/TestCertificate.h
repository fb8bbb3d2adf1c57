#pragma once

#include <QSslCertificate>
#include <QSslKey>
#include <QString>

namespace velkor::testing {

// A throw-away key and self-signed certificate for 127.0.0.1 and localhost, made by the openssl
// command for this test process only; nothing but the client configured with it trusts it.
struct TestCertificate {
    QSslCertificate certificate;
    QSslKey key;

    // Empty certificate when openssl is missing or fails (the caller fails the test with `error`).
    static TestCertificate make(const QString& folder, QString* error);
};

} // namespace velkor::testing
