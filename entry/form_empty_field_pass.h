#pragma once

#include <QColor>
#include <QList>

class QWidget;

// The first step of checking a record before it is saved: every edit box and
// drop-down list of the form must hold something. Empty ones are shown in the
// highlight colour, filled ones in the standard colour of the platform; the
// colours stay until the next check. Used on the user-interface thread only.
namespace EmptyFieldPass {

// RGB(166, 202, 240), a light blue.
QColor highlightColour();

// Visits the controls in order: a drop-down list (other than `skip`) is empty
// when its text is, an edit box (read-only ones included) when its text
// without leading and trailing blanks and control characters is. Other kinds
// of control are passed over. Returns the number of empty controls.
int run(const QList<QWidget *> &controls, const QWidget *skip);

// Whether the last run highlighted this control.
bool isHighlighted(const QWidget *control);

} // namespace EmptyFieldPass
