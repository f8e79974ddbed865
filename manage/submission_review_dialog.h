#pragma once

#include <QDialog>
#include <QList>

#include "core/webform/submission_queue.h"

class Database;
class QLabel;
class QPushButton;
class QTableWidget;
struct Services;

// The teacher's review of what parents and pupils sent through the web form
// for one class: the submissions with their state, and for the one chosen each
// field beside the class's existing record when the ID number matches one
// (the fields acceptance would change marked). 接受 writes the chosen ones into
// the class table as the entry form saves; 退回… returns them with a note the
// submitter reads through the receipt. ID numbers in the list show masked; the
// record itself shows whole. Used from the user-interface thread only.
class SubmissionReviewDialog final : public QDialog
{
    Q_OBJECT

public:
    SubmissionReviewDialog(Database &db, Services &services, const QString &classTable, QWidget *parent = nullptr);

    QTableWidget *submissions() const { return m_list; }
    QTableWidget *record() const { return m_record; }
    QPushButton *acceptButton() const { return m_accept; }
    QPushButton *returnButton() const { return m_return; }

    // Reads the queue again and shows it.
    void showSubmissions();

signals:
    // Something was written into the class table.
    void classChanged();

private:
    void showChosen();
    QList<qint64> chosenWaiting() const;
    void acceptChosen();
    void returnChosen();
    void report(const QList<SubmissionQueue::Outcome> &outcomes);

    Database &m_db;
    Services &m_services;
    QString m_classTable;
    QList<SubmissionQueue::ForReview> m_items;
    QTableWidget *m_list;
    QLabel *m_match;
    QTableWidget *m_record;
    QPushButton *m_accept;
    QPushButton *m_return;
};
