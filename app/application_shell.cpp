#include "application_shell.h"

#include "app/class_choice_dialog.h"
#include "app/database_connection.h"
#include "entry/entry_form.h"
#include "manage/management_window.h"
#include "platform/app_error.h"
#include "platform/guard.h"
#include "platform/services.h"

ApplicationShell::ApplicationShell(Services &services, ClassSetup::Options options)
    : m_services(services), m_setup(services, std::move(options)),
      m_form(std::make_unique<EntryForm>(services)),
      m_dialog(std::make_unique<ClassChoiceDialog>(services.messages))
{
    m_dialog->setConfirmedHandler([this](const QString &grade, const QString &classNo) { confirmed(grade, classNo); });
    // The management window works on the class setup's connection; the form
    // creates it on the first press of the teacher button and keeps it.
    m_form->setManagementWindowFactory([this](QWidget *parent) -> QDialog * {
        Database *db = m_setup.database();
        if (!db)
            throw DatabaseError(DatabaseConnection::failureMessage());
        auto *window = new ManagementWindow(*db, m_services, parent);
        window->setClassOfThisRun(m_setup.classTable(), &m_setup.regionTables(), m_setup.startupDate());
        return window;
    });
    connect(m_dialog.get(), &ClassChoiceDialog::endRequested, this, [this] { emit endRequested(0); });
    m_formTitle = m_form->windowTitle();
    // 换班级 goes back to the class dialog; confirming it opens the other class.
    connect(m_form.get(), &EntryForm::classChangeRequested, this, [this] {
        m_form->hide();
        m_dialog->show();
    });
}

ApplicationShell::~ApplicationShell() = default;

void ApplicationShell::start()
{
    m_form->hide();
    m_dialog->show();
}

void ApplicationShell::confirmed(const QString &grade, const QString &classNo)
{
    m_form->showMaximized();
    m_dialog->hide();
    m_form->setWindowTitle(m_formTitle + QStringLiteral(" - 当前录入【") + grade + classNo + QStringLiteral("班】"));
    bool connected = true;
    runGuarded(m_services.messages, [&] { connected = m_setup.OpenClass(*m_form, grade, classNo); });
    if (!connected) {
        emit endRequested(1);
        return;
    }
    // The default regions' change handlers took the focus off the name field
    // that showing the form gave it; the first pupil starts there too.
    m_form->FormShow();
}
