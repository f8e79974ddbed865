#pragma once

#include <QDialog>

class QButtonGroup;
class QLineEdit;
class QPushButton;

// Asks why pupils are taken out of their class: 转学, 重复录入, 休学, or 其他
// with a text of the user's. OK stays off until a reason is complete.
// Used on the user-interface thread only.
class RemoveReasonDialog final : public QDialog
{
    Q_OBJECT

public:
    // who: the pupils as the question names them ("12 李娜", "3 名学生").
    RemoveReasonDialog(const QString &who, QWidget *parent = nullptr);

    // The reason as stored (KeptRecords::storedReason), empty while incomplete.
    QString reason() const;

    // Shows the dialog; the reason chosen, or empty when the user cancelled.
    static QString ask(QWidget *parent, const QString &who);

private:
    void update();

    QButtonGroup *m_reasons;
    QLineEdit *m_note;
    QPushButton *m_ok;
};
