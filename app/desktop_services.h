#pragma once

#include "platform/desktop.h"

// The real desktop: the default application opens files, lp prints.
class DesktopServices final : public Desktop
{
public:
    bool openFile(const QString &path) override;
    QString printPdf(const QString &path) override;
    void showPreview(QWidget *owner, const QString &pdfPath) override;
};
