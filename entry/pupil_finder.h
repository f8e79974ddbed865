#pragma once

#include <QList>
#include <QObject>

#include "core/keeping/pupil_search.h"

class QCompleter;
class QLineEdit;
class QStandardItemModel;

// The find line beside edit mode's pupil list: as a name, part of one or an
// ID number is typed, the pupils it finds drop down under it; choosing one, or
// Enter for the first, asks for that pupil. The line never changes the list
// itself, so the record shown always stays the one the list has chosen.
// Used on the GUI thread only.
class PupilFinder final : public QObject
{
    Q_OBJECT

public:
    explicit PupilFinder(QLineEdit *line, QObject *parent = nullptr);

    // The pupils that can be found (the ones the list shows).
    void setPupils(QList<PupilSearch::Pupil> pupils);
    // The ids found for the line's text, in list order.
    QList<qint64> foundIds() const;

signals:
    void picked(qint64 id);

private:
    void search(const QString &text);
    void pick(qint64 id);

    QLineEdit *m_line;
    QStandardItemModel *m_found;
    QCompleter *m_completer;
    QList<PupilSearch::Pupil> m_pupils;
};
