#pragma once

#include <optional>

#include <QJsonObject>
#include <QString>

// What the web form's server asks of the program for one class: the fields the
// page shows, the region lists of its pickers, the judging and queueing of a
// submission, and a submitter's own submission by its receipt. The server
// knows nothing of records or databases; the real backend uses the core's
// rules and queue, tests a fake. Called on the server's (the event loop's) thread.
class WebFormBackend
{
public:
    virtual ~WebFormBackend() = default;

    // The page's description: fields, item lists, limits, what is required.
    virtual QJsonObject fields() = 0;

    // The region data of the cascading pickers: with an empty key the
    // provinces, otherwise the province of that code with its cities and
    // counties. Nothing for a key that names no province.
    virtual std::optional<QJsonObject> regions(const QString &provinceCode) = 0;

    struct Outcome
    {
        // Set when the submission went into the queue; empty when it was refused.
        QString receipt;
        // What the page shows: the verdicts beside the fields (and the receipt).
        QJsonObject reply;
    };
    // Judges one submission (field name -> typed text) sent from that address
    // and queues it when nothing refuses it. Throws AppError when the queue
    // cannot take it (the database refuses).
    virtual Outcome submit(const QJsonObject &fields, const QString &address) = 0;

    // The submitter's own view of a submission: its state (待审核 / 已接受 /
    // 已退回), the teacher's note and, while it waits, what was sent. Nothing
    // for a receipt of no submission of this class.
    virtual std::optional<QJsonObject> state(const QString &receipt) = 0;
};
