#include "class_web_form_backend.h"

#include <QJsonArray>

#include "core/keeping/school_settings.h"
#include "core/region/region_tables.h"
#include "core/webform/submission_queue.h"
#include "core/webform/web_form_fields.h"
#include "core/webform/web_submission.h"
#include "platform/clock.h"

namespace {

class ClassWebFormBackend final : public WebFormBackend
{
public:
    ClassWebFormBackend(Database &db, const QString &classTable, const Clock &clock)
        : m_db(db), m_classTable(classTable), m_clock(clock)
    {
        m_regions.LoadRegionTables();
        SubmissionQueue::prepare(m_db);
    }

    QJsonObject fields() override { return WebFormFields::describe(SchoolSettings::defaultRegion(m_db)); }

    std::optional<QJsonObject> regions(const QString &provinceCode) override
    {
        if (provinceCode.isEmpty())
            return QJsonObject{{QStringLiteral("provinces"), WebFormFields::provinces(m_regions)}};
        const QJsonObject province = WebFormFields::province(m_regions, provinceCode.toInt());
        return province.isEmpty() ? std::nullopt : std::optional<QJsonObject>(province);
    }

    Outcome submit(const QJsonObject &fields, const QString &address) override
    {
        const WebSubmission::Judgement judgement = WebSubmission::judge(fields, m_classTable, m_clock.now(), m_regions);
        Outcome outcome{QString(), judgement.toJson()};
        if (judgement.accepted())
            outcome.receipt = SubmissionQueue::submit(m_db, m_classTable, judgement.values, address);
        return outcome;
    }

    std::optional<QJsonObject> state(const QString &receipt) override
    {
        const std::optional<SubmissionQueue::OwnView> view = SubmissionQueue::byReceipt(m_db, m_classTable, receipt);
        if (!view)
            return std::nullopt;
        return QJsonObject{{QStringLiteral("state"), SubmissionQueue::stateText(view->state)},
                           {QStringLiteral("note"), view->note},
                           {QStringLiteral("receivedAt"), view->receivedAt}};
    }

private:
    Database &m_db;
    QString m_classTable;
    const Clock &m_clock;
    RegionTables m_regions;
};

} // namespace

std::unique_ptr<WebFormBackend> makeClassWebFormBackend(Database &db, const QString &classTable, const Clock &clock)
{
    return std::make_unique<ClassWebFormBackend>(db, classTable, clock);
}

