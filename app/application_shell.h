#pragma once

#include <memory>

#include <QObject>

#include "app/class_setup.h"

class ClassChoiceDialog;
class EntryForm;
struct Services;

// The start-up order of the windows: the entry form is created hidden, the
// grade and class dialog is shown; confirming it shows the captioned entry
// form, hides the dialog and runs the class setup.
class ApplicationShell final : public QObject
{
    Q_OBJECT

public:
    ApplicationShell(Services &services, ClassSetup::Options options);
    ~ApplicationShell() override;

    void start();

    ClassChoiceDialog &dialog() { return *m_dialog; }
    EntryForm &form() { return *m_form; }
    ClassSetup &setup() { return m_setup; }

signals:
    // The program ends: cancelled dialog (0) or no database connection (1).
    void endRequested(int exitCode);

private:
    void confirmed(const QString &grade, const QString &classNo);

    Services &m_services;
    QString m_formTitle; // the form's caption before a class is named in it
    ClassSetup m_setup;
    std::unique_ptr<EntryForm> m_form;
    std::unique_ptr<ClassChoiceDialog> m_dialog;
};
