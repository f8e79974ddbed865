// What the entry form does to spare the teacher's hands and eyes: Enter moves
// on to the next field, arrow keys on the invisible holder (where the focus
// rests after a choice) change nothing, a date typed after a click into
// 3.出生日期 is taken, open lists show twelve rows with a scroll bar, a wheel
// notch scrolls about three text lines, and a typed resident ID number fills
// 3.出生日期 and 2.性别 while they are still unset.
#include "entry_form.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScopedValueRollback>
#include <QScrollBar>

#include "core/record/id_number_facts.h"
#include "core/record/record_rules.h"
#include "region/picker_select_by_text.h"
#include "ui_entry_form.h"

namespace {

constexpr int kVisibleListRows = 12;
constexpr int kTextLinesPerStep = 3;

bool isEnterKey(const QKeyEvent *key)
{
    return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
        && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

bool isArrowKey(const QKeyEvent *key)
{
    switch (key->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
        return true;
    default:
        return false;
    }
}

// A full year moves on to the month by itself; the "-" typed after it in
// "2008-11-02" would then skip the month. A separator typed while the section
// it leads into is still untouched (wholly selected) is therefore dropped.
bool isSurplusDateSeparator(QDateEdit *date, const QKeyEvent *key)
{
    const QString typed = key->text();
    if (typed.size() != 1 || QStringLiteral("-/.").indexOf(typed.front()) < 0 || date->currentSectionIndex() == 0)
        return false;
    const QLineEdit *text = date->findChild<QLineEdit *>();
    return text && text->hasSelectedText() && text->selectedText() == date->sectionText(date->currentSection());
}

// "20081102", "2008-11-02", "2008/1/2" or "2008.1.2" as a date; invalid for
// anything else (a date still being typed).
QDate typedDate(const QString &typed)
{
    static const QRegularExpression digitsOnly(QStringLiteral("^(\\d{4})(\\d{2})(\\d{2})$"));
    static const QRegularExpression separated(QStringLiteral("^(\\d{4})[-/.](\\d{1,2})[-/.](\\d{1,2})$"));
    for (const QRegularExpression *pattern : {&digitsOnly, &separated}) {
        const QRegularExpressionMatch match = pattern->match(typed);
        if (match.hasMatch())
            return QDate(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
    }
    return {};
}

QDateTimeEdit::Section sectionAtClick(const QDateEdit *date, QLineEdit *text, QPoint at)
{
    const QFontMetrics metrics = text->fontMetrics();
    const int textEnd = text->contentsRect().left() + text->textMargins().left() + metrics.horizontalAdvance(text->text());
    if (at.x() > textEnd + metrics.averageCharWidth())
        return QDateTimeEdit::YearSection;
    const int cursor = text->cursorPositionAt(at);
    int start = 0;
    for (int i = 0; i < date->sectionCount(); ++i) {
        const QDateTimeEdit::Section section = date->sectionAt(i);
        start += int(date->sectionText(section).size());
        if (cursor <= start)
            return section;
        ++start; // the separator
    }
    return QDateTimeEdit::YearSection;
}

} // namespace

void EntryForm::setUpAssists()
{
    // A long list shows a scroll bar, so the teacher sees that more items
    // follow (35 provinces, 56 nationalities, over 200 countries).
    for (QWidget *control : std::as_const(m_dataControls)) {
        auto *list = qobject_cast<QComboBox *>(control);
        if (!list || list == m_ui->cbStud)
            continue;
        auto *view = new QListView(list);
        view->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        list->setView(view);
        list->setMaxVisibleItems(kVisibleListRows);
    }
    m_ui->ScrollBox1->verticalScrollBar()->setSingleStep(kTextLinesPerStep
                                                          * m_ui->ScrollBoxContents->fontMetrics().lineSpacing());
    connect(m_ui->edtCardNo, &QLineEdit::textEdited, this, &EntryForm::edtCardNoEdited);
}

bool EntryForm::assistEvent(QObject *watched, QEvent *event)
{
    QDateEdit *birth = m_ui->dtBirth;
    switch (event->type()) {
    case QEvent::FocusIn:
        if (watched == birth)
            m_typedDate.clear();
        return false;
    case QEvent::MouseButtonPress: {
        // A click leaves the cursor where it landed, mostly past the end of
        // the text, and digits typed there fit no section. Select the section
        // under the click instead, the year when the click is beside the
        // text, as Tab does, so "20081102" or "2008-11-02" is taken. A click
        // on the calendar button is the picker's own.
        auto *text = birth->findChild<QLineEdit *>();
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (watched != text || mouse->button() != Qt::LeftButton)
            return false;
        if (!birth->hasFocus())
            birth->setFocus(Qt::MouseFocusReason);
        m_typedDate.clear();
        birth->setSelectedSection(sectionAtClick(birth, text, mouse->position().toPoint()));
        return true;
    }
    case QEvent::KeyPress:
        if (stepClosedList(watched, event))
            return true;
        return assistKey(qobject_cast<QWidget *>(watched), static_cast<QKeyEvent *>(event));
    case QEvent::InputMethod: // a Chinese input method commits "湖南" as one event
        return stepClosedList(watched, event);
    default:
        return false;
    }
}

namespace {

// The keys a closed list steps through its items with: the arrows, PageUp,
// PageDown, Home, End and typed text (not Space, which opens it).
bool stepsThroughItems(const QKeyEvent &key)
{
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    switch (key.key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        return true;
    default:
        return !key.text().isEmpty() && key.text().front().isPrint() && key.text() != QLatin1String(" ");
    }
}

} // namespace

bool EntryForm::stepClosedList(QObject *watched, QEvent *event)
{
    auto *list = qobject_cast<QComboBox *>(watched);
    if (!list || list->isEditable() || list == m_ui->cbStud || !m_dataControls.contains(list) || list->view()->isVisible())
        return false;
    if (event->type() == QEvent::KeyPress && !stepsThroughItems(*static_cast<QKeyEvent *>(event)))
        return false;
    // The list takes the key as its own (and tells its choice, so that a
    // province still fills its cities); only the focus stays in it.
    const QScopedValueRollback<bool> stepping(m_steppingList, true);
    static_cast<QObject *>(list)->event(event);
    return true;
}

bool EntryForm::assistKey(QWidget *watched, const QKeyEvent *key)
{
    if (!watched)
        return false;
    if (watched == m_ui->Button3) {
        // The holder keeps the focus after a choice: arrows must not walk on
        // into the next field and change it behind the teacher's back.
        if (isArrowKey(key))
            return true;
        if (isEnterKey(key)) {
            focusNextPrevChild(true);
            return true;
        }
        return false;
    }
    if (watched == m_ui->dtBirth && takeTypedDate(key))
        return true;
    if (!isEnterKey(key) || !m_dataControls.contains(watched) || watched == m_ui->cbStud)
        return false;
    // An editable list takes Enter on newly typed text as its choice (and
    // hands the focus on itself); with its item's text unchanged it moves on.
    if (const auto *list = qobject_cast<QComboBox *>(watched); list && list->isEditable()) {
        const int item = list->currentIndex();
        if (item < 0 || list->currentText() != list->itemText(item))
            return false;
    }
    // Enter moves on as Tab does, but from the date to the next field rather
    // than to the date's next section.
    focusNextPrevChild(true);
    return true;
}

bool EntryForm::takeTypedDate(const QKeyEvent *key)
{
    // The keys typed into the date since it was entered or clicked: once they
    // make a whole date, that date is taken, whichever section the cursor
    // was in (a click on the day's digits, then "20081102").
    const QString typed = key->text();
    const bool dateKey = typed.size() == 1
        && ((typed.front() >= QLatin1Char('0') && typed.front() <= QLatin1Char('9'))
            || QStringLiteral("-/.").contains(typed.front()));
    if (!dateKey || m_typedDate.size() >= 10) {
        m_typedDate.clear();
        return false;
    }
    m_typedDate += typed;
    const QDate whole = typedDate(m_typedDate);
    if (whole.isValid()) {
        m_ui->dtBirth->setDate(whole);
        return true;
    }
    return isSurplusDateSeparator(m_ui->dtBirth, key);
}

void EntryForm::edtCardNoEdited(const QString &text)
{
    // Only a resident ID card (or no card type chosen yet) carries these facts.
    if (!RecordRules::isResidentIdCard(m_ui->cbCardType->currentText()))
        return;
    const std::optional<IdNumberFacts::Facts> facts =
        IdNumberFacts::of(RecordRules::normalizedTyped(RecordColumns::CardNo, text));
    if (!facts)
        return;
    // What the teacher has set already stays.
    if (m_ui->dtBirth->date() == m_startupDate.date())
        m_ui->dtBirth->setDate(facts->birth);
    if (m_ui->cbSex->currentText().isEmpty())
        SelectItemByText(m_ui->cbSex, facts->sexItem);
}
