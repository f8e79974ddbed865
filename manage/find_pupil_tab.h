#pragma once

#include <QList>
#include <QWidget>

#include "core/keeping/pupil_search.h"

class Database;
class QLineEdit;
class QPushButton;
class QTableWidget;
struct Services;

// The management window's tab "查找学生": a pupil found in every class table by
// name, part of a name or ID number, and opened. A pupil of the class the
// entry form has open is opened there in edit mode (the window closes and
// leaves the property "pupilToOpen" with the id); one of another class is shown
// read-only. Used from the user-interface thread only.
class FindPupilTab final : public QWidget
{
    Q_OBJECT

public:
    FindPupilTab(Database &db, Services &services, QWidget *parent = nullptr);

    // The class the entry form has open (its pupils open there for editing).
    void setClassOfThisRun(const QString &table) { m_classOfThisRun = table; }

    QLineEdit *findLine() const { return m_line; }
    QTableWidget *results() const { return m_results; }
    QPushButton *openButton() const { return m_open; }

signals:
    // A pupil of the open class to edit in the entry form.
    void editRequested(qint64 id);

private:
    void search();
    void openChosen();
    void showReadOnly(const PupilSearch::Pupil &pupil);

    Database &m_db;
    Services &m_services;
    QString m_classOfThisRun;
    QLineEdit *m_line;
    QPushButton *m_find;
    QTableWidget *m_results;
    QPushButton *m_open;
    QList<PupilSearch::Pupil> m_found;
};
