#pragma once

#include <functional>

#include <QString>
#include <QStringList>

#include "core/operations/export_tables.h"
#include "core/operations/template_printing.h"
#include "platform/output_target.h"
#include "platform/progress.h"

class Database;
class SpreadsheetRenderer;
struct Services;
class QWidget;

// Presents a workbook export as the management window does: on NeedsConsent
// the consent is asked (an empty one counts as no) and `run` is called again
// with the answer; a file the program named itself (openWritten) is handed to
// the desktop; then `beforeMessage`, if any, and the closing text in a plain
// message. Returns the file written, empty when none was.
QString presentWorkbookExport(Services &services, const ReplaceConsent &consent, bool openWritten,
                              const std::function<WorkbookExport(bool replace)> &run,
                              const std::function<void()> &beforeMessage = {});

// "导出" of the management tab: ExportTablesToSheets, presented.
// Used from the user-interface thread.
class PresentedTablesExport
{
public:
    PresentedTablesExport(Database &db, Services &services);

    // Asked before a file already at `into` is replaced; without one it stays.
    void setReplaceConsent(ReplaceConsent consent) { m_consent = std::move(consent); }

    // The export into `into`, or into a dated file that is then opened.
    QString run(const QStringList &tables, ExportTablesToSheets::Structure structure, const QString &into = QString(),
                const Progress &progress = {});

private:
    Services &m_services;
    ExportTablesToSheets m_export;
    ReplaceConsent m_consent;
};

// The print tab's operations (TemplatePrinting), presented: the preview shown
// modally, the closing texts in plain messages, the calling window brought to
// the front before a closing message or a printing failure.
// Used from the user-interface thread.
class PresentedTemplatePrinting
{
public:
    PresentedTemplatePrinting(Database &db, Services &services, const SpreadsheetRenderer &renderer);

    void setBringToFront(std::function<void()> bringToFront) { m_bringToFront = std::move(bringToFront); }
    void setReplaceConsent(ReplaceConsent consent) { m_consent = std::move(consent); }

    void preview(QWidget *owner, const QString &table, const QStringList &items, int focusedIndex);
    void printEach(const QString &table, const QStringList &selectedItems, const Progress &progress = {});
    QString exportStudents(const QString &table, const QStringList &selectedItems, const QString &into = QString(),
                           const Progress &progress = {});

private:
    void bringToFront() const;

    Database &m_db; // the printing's history line
    Services &m_services;
    TemplatePrinting m_printing;
    std::function<void()> m_bringToFront;
    ReplaceConsent m_consent;
};
