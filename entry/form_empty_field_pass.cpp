#include "form_empty_field_pass.h"

#include <QComboBox>
#include <QLineEdit>

#include "core/record/entry_rules.h"

namespace EmptyFieldPass {

namespace {

const char kHighlighted[] = "emptyFieldHighlighted";

// A style sheet rather than the palette: styles draw lists from their own
// button colours and leave a palette's base colour unseen (Fusion's fixed
// lists, the native Windows styles), while a style sheet background shows in
// every style. Only the background is given, so each list keeps its style's
// frame and arrow (Fusion shades the colour like a button face).
void setHighlighted(QWidget *control, bool highlighted)
{
    if (control->property(kHighlighted).toBool() == highlighted)
        return;
    control->setProperty(kHighlighted, highlighted);
    if (!highlighted) {
        control->setStyleSheet(QString());
        return;
    }
    const QString sheet = QStringLiteral("%1 { background-color: %2; }");
    control->setStyleSheet(sheet.arg(QString::fromLatin1(control->metaObject()->className()), highlightColour().name()));
}

} // namespace

QColor highlightColour()
{
    return QColor(166, 202, 240);
}

int run(const QList<QWidget *> &controls, const QWidget *skip)
{
    int empty = 0;
    for (QWidget *control : controls) {
        if (control == skip)
            continue;
        bool isEmpty = false;
        if (const auto *list = qobject_cast<const QComboBox *>(control))
            isEmpty = list->currentText().isEmpty();
        else if (const auto *box = qobject_cast<const QLineEdit *>(control))
            isEmpty = EntryRules::trimControls(box->text()).isEmpty();
        else
            continue;
        empty += isEmpty;
        setHighlighted(control, isEmpty);
    }
    return empty;
}

bool isHighlighted(const QWidget *control)
{
    return control->property(kHighlighted).toBool();
}

} // namespace EmptyFieldPass
