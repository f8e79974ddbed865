#include "presented_operations.h"

#include <QTemporaryDir>

#include "core/keeping/history.h"
#include "platform/app_error.h"
#include "platform/desktop.h"
#include "platform/messages.h"
#include "platform/services.h"

QString presentWorkbookExport(Services &services, const ReplaceConsent &consent, bool openWritten,
                              const std::function<WorkbookExport(bool replace)> &run,
                              const std::function<void()> &beforeMessage)
{
    WorkbookExport outcome = run(false);
    if (outcome.outcome == WorkbookExport::Outcome::NeedsConsent) {
        if (!consent || !consent(outcome.path))
            return {}; // the user keeps the file there
        outcome = run(true);
    }
    if (outcome.outcome == WorkbookExport::Outcome::NothingChosen) {
        if (!outcome.message.isEmpty())
            services.messages.showMessage(outcome.message);
        return {};
    }
    if (outcome.written() && openWritten)
        services.desktop.openFile(outcome.path);
    if (beforeMessage)
        beforeMessage();
    services.messages.showMessage(outcome.message);
    return outcome.written() ? outcome.path : QString();
}

PresentedTablesExport::PresentedTablesExport(Database &db, Services &services)
    : m_services(services), m_export(db, services)
{
}

QString PresentedTablesExport::run(const QStringList &tables, ExportTablesToSheets::Structure structure,
                                   const QString &into, const Progress &progress)
{
    return presentWorkbookExport(m_services, m_consent, into.isEmpty(), [&](bool replace) {
        m_export.setReplaceExisting(replace);
        return m_export.run(tables, structure, into, progress);
    });
}

PresentedTemplatePrinting::PresentedTemplatePrinting(Database &db, Services &services,
                                                     const SpreadsheetRenderer &renderer)
    : m_db(db), m_services(services), m_printing(db, services, renderer)
{
}

void PresentedTemplatePrinting::bringToFront() const
{
    if (m_bringToFront)
        m_bringToFront();
}

void PresentedTemplatePrinting::preview(QWidget *owner, const QString &table, const QStringList &items,
                                        int focusedIndex)
{
    const TemplatePrinting::Preview shown = m_printing.preview(table, items, focusedIndex);
    // The preview's temporary folder goes when `shown` does, after the preview closed.
    if (!shown.pdf.isEmpty()) {
        // What is shown on screen can be printed from there: it counts as a read-out.
        HistoryEntry line;
        line.kind = QStringLiteral("打印");
        line.classTable = table;
        line.detail = QStringLiteral("预览 1 名学生：%1").arg(items.value(focusedIndex, items.value(0)));
        History::recordReadOut(m_db, line);
        m_services.desktop.showPreview(owner, shown.pdf);
    }
}

void PresentedTemplatePrinting::printEach(const QString &table, const QStringList &selectedItems,
                                          const Progress &progress)
{
    TemplatePrinting::PrintRun run;
    try {
        run = m_printing.printEach(table, selectedItems, progress);
    } catch (const AppError &) {
        // The spreadsheet program may have come to the front meanwhile.
        bringToFront();
        throw;
    }
    if (run.printed > 0) {
        HistoryEntry line;
        line.kind = QStringLiteral("打印");
        line.classTable = table;
        line.detail = QStringLiteral("打印 %1 名学生").arg(run.printed);
        History::recordReadOut(m_db, line);
    }
    if (run.message.isEmpty())
        return;
    if (run.chosen)
        bringToFront();
    m_services.messages.showMessage(run.message);
}

QString PresentedTemplatePrinting::exportStudents(const QString &table, const QStringList &selectedItems,
                                                  const QString &into, const Progress &progress)
{
    return presentWorkbookExport(
        m_services, m_consent, into.isEmpty(),
        [&](bool replace) {
            m_printing.setReplaceExisting(replace);
            return m_printing.exportStudents(table, selectedItems, into, progress);
        },
        [this] { bringToFront(); });
}
