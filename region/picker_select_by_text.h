#pragma once

class QComboBox;
class QString;

// Selects the first item whose text equals the given text, letters compared
// without regard to case; with no such item the list ends with no selection
// and empty text. The list's change handler is not run (signals are blocked).
void SelectItemByText(QComboBox *list, const QString &text);
