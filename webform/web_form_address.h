#pragma once

#include <QImage>
#include <QString>

// Where pupils' browsers find the form: the machine's first IPv4 address that
// is not the loopback (the school network's), and the QR code of a text for
// the classroom wall. Any thread.
namespace WebFormAddress {

// "192.168.1.20"; "127.0.0.1" when the machine has no other address.
QString localIpv4();

// "https://192.168.1.20:8443/f/CODE/".
QString url(bool tls, const QString &host, quint16 port, const QString &classCode);

// The text's QR code (error correction M), black on white with the quiet zone
// around it, each module `scale` pixels. A null image when it cannot be made.
QImage qrImage(const QString &text, int scale = 8);

} // namespace WebFormAddress
