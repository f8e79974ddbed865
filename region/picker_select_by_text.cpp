#include "picker_select_by_text.h"

#include <QComboBox>
#include <QSignalBlocker>

void SelectItemByText(QComboBox *list, const QString &text)
{
    const QSignalBlocker blocker(list);
    for (int i = 0; i < list->count(); ++i) {
        if (list->itemText(i).compare(text, Qt::CaseInsensitive) == 0) {
            list->setCurrentIndex(i);
            return;
        }
    }
    list->setCurrentIndex(-1);
    if (list->isEditable())
        list->setEditText(QString());
}
