#pragma once

#include <QComboBox>
#include <QSignalSpy>

#include "app/application_shell.h"
#include "app/class_choice_dialog.h"
#include "test_env.h"

// The program's start-up on a working folder of its own, as main() starts it;
// choose() picks a grade and class in the dialog and confirms.
struct ShellRun
{
    ShellRun(TestEnv &env, const QString &workDir, QStringList args = {QStringLiteral("-access")})
        : shell(env.services, {QStringLiteral("tavro"), std::move(args), workDir}),
          ends(&shell, &ApplicationShell::endRequested)
    {
        shell.start();
    }
    void choose(int gradeIndex, int classIndex)
    {
        shell.dialog().findChild<QComboBox *>(QStringLiteral("ComboBox1"))->setCurrentIndex(gradeIndex);
        shell.dialog().findChild<QComboBox *>(QStringLiteral("ComboBox2"))->setCurrentIndex(classIndex);
        shell.dialog().Button1Click();
    }
    ApplicationShell shell;
    QSignalSpy ends;
};
