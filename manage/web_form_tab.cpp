#include "web_form_tab.h"

#include <QComboBox>
#include <QFileInfo>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/webform/submission_queue.h"
#include "manage/submission_review_dialog.h"
#include "platform/app_error.h"
#include "platform/desktop.h"
#include "platform/guard.h"
#include "platform/messages.h"
#include "platform/services.h"
#include "webform/class_web_form_backend.h"
#include "webform/web_form_server.h"

WebFormTab::WebFormTab(Database &db, Services &services, QWidget *parent)
    : QWidget(parent), m_db(db), m_services(services), m_classes(new QComboBox(this)),
      m_open(new QPushButton(QStringLiteral("开始网上填报"), this)),
      m_close(new QPushButton(QStringLiteral("结束网上填报"), this)), m_qr(new QLabel(this)),
      m_details(new QLabel(this)), m_count(new QLabel(this)),
      m_print(new QPushButton(QStringLiteral("打印二维码…"), this)),
      m_review(new QPushButton(QStringLiteral("审核…"), this))
{
    m_classes->setObjectName(QStringLiteral("cbWebFormClass"));
    m_classes->setAccessibleName(QStringLiteral("网上填报的班级"));
    m_open->setObjectName(QStringLiteral("btnOpenWebForm"));
    m_open->setAccessibleName(m_open->text());
    m_close->setObjectName(QStringLiteral("btnCloseWebForm"));
    m_close->setAccessibleName(m_close->text());
    m_print->setObjectName(QStringLiteral("btnPrintWebFormCode"));
    m_print->setAccessibleName(QStringLiteral("打印网上填报的二维码"));
    m_review->setObjectName(QStringLiteral("btnReviewSubmissions"));
    m_review->setAccessibleName(QStringLiteral("审核网上填报"));
    m_qr->setFixedSize(168, 168);
    m_qr->setAlignment(Qt::AlignCenter);
    m_details->setWordWrap(true);
    m_details->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_details->setAlignment(Qt::AlignTop | Qt::AlignLeft);

    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("班级："), this));
    top->addWidget(m_classes, 1);
    top->addWidget(m_open);
    top->addWidget(m_close);
    auto *body = new QHBoxLayout;
    body->addWidget(m_qr, 0, Qt::AlignTop);
    auto *right = new QVBoxLayout;
    right->addWidget(m_details, 1);
    right->addWidget(m_count);
    body->addLayout(right, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_print);
    buttons->addStretch();
    buttons->addWidget(m_review);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(body, 1);
    layout->addLayout(buttons);

    connect(m_open, &QPushButton::clicked, this, &WebFormTab::openForm);
    connect(m_close, &QPushButton::clicked, this, &WebFormTab::closeForm);
    connect(m_print, &QPushButton::clicked, this, &WebFormTab::printCode);
    connect(m_review, &QPushButton::clicked, this, &WebFormTab::review);
    connect(m_classes, &QComboBox::currentTextChanged, this, &WebFormTab::showState);
    showState();
}

WebFormTab::~WebFormTab()
{
    if (m_server)
        m_server->close();
}

void WebFormTab::setClasses(const QStringList &tables, const QString &classOfThisRun)
{
    const QSignalBlocker blocker(m_classes);
    const QString shown = m_classes->currentText();
    m_classes->clear();
    m_classes->addItems(tables);
    const QString pick = m_server ? m_table : (shown.isEmpty() ? classOfThisRun : shown);
    m_classes->setCurrentIndex(std::max(0, int(tables.indexOf(pick))));
    showState();
}

void WebFormTab::openForm()
{
    const QString table = m_classes->currentText();
    if (table.isEmpty()) {
        m_services.messages.showMessage(QStringLiteral("请先选择要网上填报的班级。"));
        return;
    }
    closeForm();
    runGuarded(m_services.messages, [&] {
        auto backend = makeClassWebFormBackend(m_db, table, m_services.clock);
        if (!backend)
            throw AppError(QStringLiteral("这个版本的程序不能开启网上填报。"));
        WebFormServer::Options options;
        options.programDir = m_services.programDir;
        options.configIni = m_services.configFile();
        auto server = std::make_unique<WebFormServer>(*backend, options);
        server->open();
        connect(server.get(), &WebFormServer::submissionCountChanged, this, &WebFormTab::showState);
        connect(server.get(), &WebFormServer::closed, this, &WebFormTab::showState);
        m_backend = std::move(backend);
        m_server = std::move(server);
        m_table = table;
    });
    showState();
}

void WebFormTab::closeForm()
{
    if (m_server)
        m_server->close();
    m_server.reset();
    m_backend.reset();
    showState();
}

void WebFormTab::showState()
{
    const bool open = m_server && m_server->isOpen();
    m_open->setEnabled(!open);
    m_close->setEnabled(open);
    m_classes->setEnabled(!open);
    m_print->setEnabled(open);
    const QString table = open ? m_table : m_classes->currentText();
    m_review->setEnabled(!table.isEmpty());
    if (!open) {
        m_qr->setPixmap(QPixmap());
        m_qr->setText(QStringLiteral("（未开启）"));
        m_details->setText(QStringLiteral(
            "开启后这里显示地址、班级码和二维码：家长和学生用手机或电脑的浏览器打开地址（或扫描二维码），填写本人的学籍信息。\n"
            "提交的记录先进入待审核，老师在“审核…”中逐条查看，接受后才写入班级表。\n"
            "关闭网上填报、关闭程序或到了午夜，地址即失效。"));
    } else {
        const QImage qr = m_server->qrImage();
        m_qr->setPixmap(QPixmap::fromImage(qr).scaled(m_qr->size(), Qt::KeepAspectRatio, Qt::FastTransformation));
        QString text = QStringLiteral("班级：%1\n地址：%2\n班级码：%3").arg(m_table, m_server->address(), m_server->classCode());
        if (!m_server->fingerprint().isEmpty())
            text += QStringLiteral("\n证书指纹（浏览器提示证书不受信任时，核对与此一致后再继续）：\n%1").arg(m_server->fingerprint());
        m_details->setText(text);
    }
    int waiting = 0;
    if (!table.isEmpty())
        runGuarded(m_services.messages, [&] { waiting = SubmissionQueue::count(m_db, table); });
    m_count->setText(open ? QStringLiteral("本次已收到 %1 份，待审核 %2 份").arg(m_server->submissionCount()).arg(waiting)
                          : QStringLiteral("待审核 %1 份").arg(waiting));
}

void WebFormTab::review()
{
    const QString table = m_server ? m_table : m_classes->currentText();
    if (table.isEmpty())
        return;
    SubmissionReviewDialog dialog(m_db, m_services, table, this);
    connect(&dialog, &SubmissionReviewDialog::classChanged, this, &WebFormTab::classChanged);
    dialog.exec();
    showState();
}

void WebFormTab::printCode()
{
    if (!m_server || !m_server->isOpen())
        return;
    runGuarded(m_services.messages, [&] {
        // A page for the classroom wall: the class, the QR code, the address.
        m_printFolder = std::make_unique<QTemporaryDir>();
        if (!m_printFolder->isValid())
            throw FileError(QStringLiteral("无法建立临时文件夹来生成二维码页。\n") + m_printFolder->errorString());
        const QString pdf = m_printFolder->filePath(QStringLiteral("网上填报二维码.pdf"));
        {
            QPdfWriter writer(pdf);
            writer.setPageSize(QPageSize(QPageSize::A4));
            writer.setResolution(300);
            QPainter painter(&writer);
            const int width = writer.width();
            QFont title(QStringLiteral("Noto Sans CJK SC"));
            title.setPointSize(26);
            painter.setFont(title);
            painter.drawText(QRect(0, 150, width, 200), Qt::AlignCenter, QStringLiteral("%1 学籍信息网上填报").arg(m_table));
            const int side = width * 2 / 3;
            painter.drawImage(QRect((width - side) / 2, 420, side, side), m_server->qrImage());
            QFont body = title;
            body.setPointSize(14);
            painter.setFont(body);
            QString text = QStringLiteral("用手机扫描二维码，或在浏览器中输入：\n%1\n班级码：%2\n今天有效，由班主任审核后录入。")
                               .arg(m_server->address(), m_server->classCode());
            if (!m_server->fingerprint().isEmpty())
                text += QStringLiteral("\n证书指纹：%1").arg(m_server->fingerprint());
            painter.drawText(QRect(150, 480 + side, width - 300, 1200), Qt::AlignHCenter | Qt::TextWordWrap, text);
        }
        if (!QFileInfo(pdf).isFile())
            throw FileError(QStringLiteral("二维码页没有生成：") + pdf);
        m_services.desktop.showPreview(this, pdf);
    });
}
