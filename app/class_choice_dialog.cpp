#include "class_choice_dialog.h"

#include "core/record/entry_year.h"
#include "ui_class_choice_dialog.h"

ClassChoiceDialog::ClassChoiceDialog(Messages &messages, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TForm2>()), m_messages(messages)
{
    m_ui->setupUi(this);
    setFixedSize(size());
    // The designed place on the desktop; the layout file's position is not
    // applied to a top-level window by itself.
    move(526, 95);
    m_ui->ComboBox1->addItems(EntryYear::gradeLabels());
    for (int n = 1; n <= 30; ++n)
        m_ui->ComboBox2->addItem(QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')));
    m_ui->ComboBox1->setCurrentIndex(-1);
    m_ui->ComboBox2->setCurrentIndex(-1);
    connect(m_ui->Button1, &QPushButton::clicked, this, &ClassChoiceDialog::Button1Click);
    connect(m_ui->Button2, &QPushButton::clicked, this, &ClassChoiceDialog::Button2Click);
}

ClassChoiceDialog::~ClassChoiceDialog() = default;

QString ClassChoiceDialog::grade() const
{
    return m_ui->ComboBox1->currentText();
}

QString ClassChoiceDialog::classNo() const
{
    return m_ui->ComboBox2->currentText();
}

void ClassChoiceDialog::setConfirmedHandler(std::function<void(const QString &, const QString &)> handler)
{
    m_confirmed = std::move(handler);
}

void ClassChoiceDialog::Button1Click()
{
    if (grade().isEmpty() || classNo().isEmpty()) {
        m_messages.showMessage(QStringLiteral("请选择年级或班级。"));
        return;
    }
    const QString text = QStringLiteral("你选择要录入的是 \"%1 年级 %2 班\"，如果没有错误请按确定按钮。").arg(grade(), classNo());
    if (m_messages.askBox(this, windowTitle(), text, Messages::Icon::Information, Messages::Buttons::OkCancel)
        != Messages::Answer::Ok)
        return;
    if (m_confirmed)
        m_confirmed(grade(), classNo());
}

void ClassChoiceDialog::Button2Click()
{
    hide();
    emit endRequested();
}

// Esc and the window's close box come here.
void ClassChoiceDialog::reject()
{
    Button2Click();
}
