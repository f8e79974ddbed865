#pragma once

#include <QStringList>

#include "platform/desktop.h"

// Desktop for tests: records what was asked; printing fails with printError when set.
class RecordingDesktop final : public Desktop
{
public:
    bool openFile(const QString &path) override
    {
        opened << path;
        return true;
    }
    QString printPdf(const QString &path) override
    {
        printed << path;
        return printError;
    }
    void showPreview(QWidget *, const QString &pdfPath) override { previewed << pdfPath; }

    QStringList opened;
    QStringList printed;
    QStringList previewed;
    QString printError;
};
