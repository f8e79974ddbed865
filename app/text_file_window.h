#pragma once

#include <QDialog>

class QPlainTextEdit;

// Shows a GB18030 text file (check.txt) read-only, for a desktop without a
// text viewer. Titled with the file's name and its full path. User-interface thread.
class TextFileWindow final : public QDialog
{
    Q_OBJECT

public:
    explicit TextFileWindow(const QString &path, QWidget *parent = nullptr);

private:
    QPlainTextEdit *m_text;
};
