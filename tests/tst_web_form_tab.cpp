// The management window's 网上填报: opening the form of a class shows its
// address, code and QR code; the review shows a submission beside the class's
// imported pupil with the fields that would change, and 接受 completes him.
#include <QtTest>

#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include "core/region/region_tables.h"
#include "core/webform/submission_queue.h"
#include "core/webform/web_submission.h"
#include "manage/management_window.h"
#include "manage/submission_review_dialog.h"
#include "manage/web_form_tab.h"
#include "student_rows.h"
#include "test_env.h"
#include "web_form_inputs.h"
#include "webform/web_form_server.h"

namespace {
const QString kTable = QStringLiteral("高一01");
const QString kCard = QStringLiteral("440606200003151242");
} // namespace

class TestWebFormTab : public QObject
{
    Q_OBJECT

private slots:
    void opensTheFormAndReviewsACompletedPupil()
    {
        TestEnv env;
        env.createClassTable(kTable);
        insertStudent(*env.db, kTable, {{QStringLiteral("姓名"), QStringLiteral("张三")}, {QStringLiteral("身份证件号"), kCard}});
        RegionTables regions;
        regions.LoadRegionTables();
        ManagementWindow window(*env.db, env.services);
        window.setClassOfThisRun(kTable, &regions, env.clock.now());
        WebFormTab *tab = window.webFormTab();
        tab->setClasses({kTable}, kTable);

        QTest::mouseClick(tab->openButton(), Qt::LeftButton);
        QVERIFY(tab->server() && tab->server()->isOpen());
        QVERIFY(tab->server()->address().contains(QStringLiteral("/f/") + tab->server()->classCode()));
        QVERIFY(!tab->server()->qrImage().isNull());
        QVERIFY(!tab->server()->fingerprint().isEmpty()); // served over TLS unless asked otherwise

        // A parent completes the imported pupil.
        const WebSubmission::Judgement judged =
            WebSubmission::judge(WebFormInputs::driversPupil(regions, QStringLiteral("张三"), kCard), kTable,
                                 env.clock.now(), regions);
        QVERIFY(judged.accepted());
        SubmissionQueue::submit(*env.db, kTable, judged.values, QStringLiteral("10.0.0.9"));

        SubmissionReviewDialog review(*env.db, env.services, kTable);
        QCOMPARE(review.submissions()->rowCount(), 1);
        QVERIFY(review.submissions()->item(0, 3)->text().contains(QStringLiteral("********")));
        QVERIFY(review.submissions()->item(0, 5)->text().startsWith(QStringLiteral("1 张三")));
        int marked = 0;
        for (int r = 0; r < review.record()->rowCount(); ++r) {
            if (review.record()->item(r, 0)->font().bold())
                ++marked;
            if (review.record()->item(r, 0)->text() == QStringLiteral("民族")) {
                QCOMPARE(review.record()->item(r, 1)->text(), QStringLiteral("蒙古族"));
                QCOMPARE(review.record()->item(r, 2)->text(), QStringLiteral("（空）"));
            }
        }
        QVERIFY(marked > 30); // everything the import left empty
        QVERIFY(review.submissions()->item(0, 5)->text().contains(QStringLiteral("%1 项不同").arg(marked)));

        QTest::mouseClick(review.acceptButton(), Qt::LeftButton);
        QVERIFY(env.messages.lastText().contains(QStringLiteral("已接受")));
        QCOMPARE(env.db->query(QStringLiteral("select 民族 from 高一01 where id = 1")).text(0, 0), QStringLiteral("蒙古族"));
        QCOMPARE(review.submissions()->item(0, 4)->text(), QStringLiteral("已接受"));
        QVERIFY(!review.acceptButton()->isEnabled());

        // Closing ends every access.
        QTest::mouseClick(tab->findChild<QPushButton *>(QStringLiteral("btnCloseWebForm")), Qt::LeftButton);
        QVERIFY(!tab->server());
        QVERIFY(tab->openButton()->isEnabled());
    }
};

QTEST_MAIN(TestWebFormTab)
#include "tst_web_form_tab.moc"
