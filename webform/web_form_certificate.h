#pragma once

#include <QSslCertificate>
#include <QSslKey>
#include <QString>

// The certificate the web form serves TLS with: the school's own, named in
// config.ini ([WebForm] Certificate= and Key=, PEM files, relative to the
// program folder), or else a self-signed one (EC P-256) made at first use and
// kept in the program folder's "webform" folder, readable by its owner alone,
// and reused after. Any thread, one at a time per folder.
struct WebFormCertificate
{
    QSslCertificate certificate;
    QSslKey key;

    // The SHA-256 fingerprint as pupils' browsers show it: "AB:CD:…".
    QString fingerprint() const;

    // Throws FileError (what to do, then the system's or OpenSSL's text) when
    // the named files cannot be read or a new pair cannot be made and kept.
    static WebFormCertificate load(const QString &programDir, const QString &configIni);

    // The folder and files of the self-signed pair.
    static QString selfSignedFolder(const QString &programDir);
};
