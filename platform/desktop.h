#pragma once

#include <QString>

class QWidget;

// What the program asks of the desktop: open a file with its associated
// application, print a PDF, show a PDF preview. Tests record the requests.
class Desktop
{
public:
    virtual ~Desktop() = default;

    // Hands the file to the desktop's default application; false when no launcher started.
    virtual bool openFile(const QString &path) = 0;

    // Whether a print command is installed at all (checked before any work starts).
    virtual bool canPrint() const { return true; }

    // Sends a PDF to the default printer. Returns the system's error text, empty on success.
    virtual QString printPdf(const QString &path) = 0;

    // Whether a refusal of printPdf says that no printer is set up (rather than one failing).
    virtual bool meansNoPrinter(const QString &refusal) const
    {
        Q_UNUSED(refusal);
        return false;
    }

    // Shows a PDF modally over the owner until the user closes it.
    virtual void showPreview(QWidget *owner, const QString &pdfPath) = 0;

    // Shows a text report the program wrote (check.txt, GB18030 as other
    // school tools expect it) in the program's own window: a desktop editor
    // guessing UTF-8 would show it garbled.
    virtual void showReport(const QString &path) = 0;
};
