#include "entry_form.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QShowEvent>
#include <QWheelEvent>

#include "entry/pupil_finder.h"
#include "entry/record_form_values.h"
#include "entry/teacher_lock.h"
#include "platform/app_error.h"
#include "platform/guard.h"
#include "platform/services.h"
#include "region/region_picker.h"
#include "region/picker_select_by_text.h"
#include "ui_entry_form.h"

namespace {

QDialog *makeDefaultManagementWindow(QWidget *parent)
{
    auto *dialog = new QDialog(parent);
    dialog->setObjectName(QStringLiteral("TForm3"));
    dialog->setWindowTitle(QStringLiteral("管理模块"));
    return dialog;
}

} // namespace

EntryForm::EntryForm(Services &services, QWidget *parent)
    : QWidget(parent), m_services(services), m_ui(std::make_unique<Ui::TForm1>()),
      m_managementFactory(makeDefaultManagementWindow)
{
    m_ui->setupUi(this);
    setWindowState(Qt::WindowMaximized);
    RecordFormValues::prepare(*this);
    selectFixedItems();

    const Ui::TForm1 *u = m_ui.get();
    m_dataControls = {
        u->cbStud, u->edtName, u->cbSex, u->dtBirth, u->cbProv1, u->cbCity1, u->cbArea1, u->edtJiguan,
        u->cbMinzu, u->cbNation, u->cbCardType, u->edtCardNo, u->cbQiao, u->cbPolicy, u->cbHealth, u->cbProv2,
        u->cbCity2, u->cbArea2, u->cbHukou, u->edtGrade, u->edtClass, u->cbYear, u->edtMonth,
        u->cbRuxueFangshi, u->cbJiudu, u->edtAddr, u->edtPost, u->edtFamily, u->edtContact, u->edtZip,
        u->cbDusheng, u->cbXueqian, u->cbLiushou, u->cbJincheng, u->cbGuer, u->cbLieshi, u->cbZizhu,
        u->cbYibu, u->edtName1, u->cbGuanxi1, u->edtAddr1, u->cbProv3, u->cbCity3, u->cbArea3, u->edtContact1,
        u->cbJianhu1, u->edtName2, u->cbGuanxi2, u->edtAddr2, u->cbProv4, u->cbCity4, u->cbArea4,
        u->edtContact2, u->cbJianhu2,
    };

    connect(m_ui->Button1, &QPushButton::clicked, this, &EntryForm::Button1Click);
    connect(m_ui->Button2, &QPushButton::clicked, this, &EntryForm::Button1Click);
    connect(m_ui->SpeedButton1, &QToolButton::clicked, this, &EntryForm::SpeedButton1Click);
    connect(m_ui->btnChangeClass, &QToolButton::clicked, this, &EntryForm::changeClassClick);
    connect(m_ui->chEdit, &QCheckBox::toggled, this, &EntryForm::chEditClick);
    connect(m_ui->btnRemove, &QPushButton::clicked, this, &EntryForm::removeShownClick);
    // With no record being edited, the list is made again with or without the complete pupils.
    connect(m_ui->chIncompleteOnly, &QCheckBox::toggled, this, [this] {
        if (m_ui->chEdit->isChecked() && m_ui->cbStud->currentIndex() < 0)
            chEditClick();
    });
    connect(m_ui->cbStud, &QComboBox::activated, this, &EntryForm::cbStudChange);
    // Edit mode's find line, after the list: a name, part of one or an ID number.
    m_find = new QLineEdit(m_ui->Panel1);
    m_find->setObjectName(QStringLiteral("edtFind"));
    m_find->setPlaceholderText(QStringLiteral("查找：姓名或身份证号"));
    m_find->setAccessibleName(QStringLiteral("查找学生"));
    m_find->setClearButtonEnabled(true);
    m_find->setMinimumWidth(m_find->fontMetrics().horizontalAdvance(m_find->placeholderText()) + 40);
    m_find->setEnabled(false);
    // Edit mode's controls on a row of their own under the top panel, shown
    // with the teacher button: beside the save button they would make the
    // window wider than a 1366-pixel screen.
    m_editRow = new QFrame(this);
    m_editRow->setObjectName(QStringLiteral("PanelEdit"));
    m_editRow->setFrameShape(QFrame::StyledPanel);
    auto *editRow = new QHBoxLayout(m_editRow);
    for (QWidget *control : std::initializer_list<QWidget *>{m_ui->chEdit, m_ui->chIncompleteOnly, m_ui->cbStud, m_find,
                                                             m_ui->btnRemove, m_ui->btnHistory}) {
        editRow->addWidget(control);
        control->setVisible(true);
    }
    editRow->addStretch();
    m_editRow->setVisible(false);
    m_ui->TForm1Layout->insertWidget(1, m_editRow);
    QWidget::setTabOrder(m_ui->cbStud, m_find);
    m_finder = new PupilFinder(m_find, this);
    connect(m_finder, &PupilFinder::picked, this, &EntryForm::pickFoundPupil);
    connect(m_ui->cbStud, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_ui->btnHistory->setEnabled(index >= 0); });
    connect(m_ui->btnHistory, &QPushButton::clicked, this, &EntryForm::historyClick);
    m_lock = new TeacherLock(m_services, this, [this] { return m_db; });
    connect(m_lock, &TeacherLock::idle, this, &EntryForm::lockAfterIdle);
    // Enter on a focused save button saves, as a click or Space does.
    m_ui->Button1->setAutoDefault(true);
    m_ui->Button2->setAutoDefault(true);
    connectFocusAway();
    m_focusWatch = connect(static_cast<QApplication *>(QCoreApplication::instance()), &QApplication::focusChanged,
                           this, &EntryForm::keepFocusInView);
    installWheelFilter();
    alignLabelColumns();
    setUpAssists();
    markShownAsUnchanged();
}

EntryForm::~EntryForm()
{
    // The controls give up the focus while the form is taken apart.
    disconnect(m_focusWatch);
}

bool EntryForm::hasKeepMark(const QWidget *control)
{
    return control->property("keepOnReset").toBool();
}

void EntryForm::connectFocusAway()
{
    const Ui::TForm1 *u = m_ui.get();
    const QComboBox *lists[] = {
        u->cbSex,     u->cbMinzu,   u->cbCardType, u->cbQiao,    u->cbPolicy,  u->cbHealth, u->cbNation,
        u->cbArea1,   u->cbHukou,   u->cbArea2,    u->cbYear,    u->cbRuxueFangshi, u->cbJiudu,
        u->cbDusheng, u->cbXueqian, u->cbLiushou,  u->cbJincheng, u->cbGuer,  u->cbLieshi,
        u->cbGuanxi1, u->cbJianhu1, u->cbArea3,    u->cbGuanxi2, u->cbJianhu2, u->cbArea4,
    };
    for (const QComboBox *list : lists)
        connect(list, &QComboBox::activated, this, &EntryForm::cbSexChange);
}

void EntryForm::keepFocusInView(QWidget *, QWidget *now)
{
    // Tab brings a field into view by itself; a field the program puts the
    // focus in (the name after a save, a refused value, a loaded record) is
    // brought into view here, so typing never goes into a field out of sight.
    if (now && now != m_ui->Button3 && m_ui->ScrollBoxContents->isAncestorOf(now))
        m_ui->ScrollBox1->ensureWidgetVisible(now);
}

void EntryForm::installWheelFilter()
{
    // The wheel scrolls the form wherever the pointer is inside it. Lists and
    // the date picker would otherwise take the turn as a change of their value
    // whenever the pointer happens to rest on them. Open list popups are
    // windows of their own and keep their wheel.
    m_ui->ScrollBox1->viewport()->installEventFilter(this);
    m_ui->ScrollBox1->verticalScrollBar()->installEventFilter(this);
    m_ui->ScrollBoxContents->installEventFilter(this);
    for (QWidget *w : m_ui->ScrollBoxContents->findChildren<QWidget *>())
        if (w->window() == this)
            w->installEventFilter(this);
}

void EntryForm::alignLabelColumns()
{
    // The seven groups have grids of their own; giving their caption columns
    // one common width lines the fields up from group to group.
    const QList<QGroupBox *> groups = {m_ui->GroupBox1, m_ui->GroupBox2, m_ui->GroupBox3, m_ui->GroupBox4,
                                       m_ui->GroupBox5, m_ui->GroupBox6, m_ui->GroupBox7};
    QList<QGridLayout *> grids;
    for (QGroupBox *group : groups)
        if (auto *grid = qobject_cast<QGridLayout *>(group->layout()))
            grids << grid;
    for (int column = 0; column < 6; column += 2) {
        int width = 0;
        for (QGridLayout *grid : std::as_const(grids))
            for (int row = 0; row < grid->rowCount(); ++row)
                if (QLayoutItem *item = grid->itemAtPosition(row, column))
                    if (auto *label = qobject_cast<QLabel *>(item->widget()))
                        width = std::max(width, label->sizeHint().width());
        for (QGridLayout *grid : std::as_const(grids))
            grid->setColumnMinimumWidth(column, width);
    }
}

void EntryForm::setRegionTables(const RegionTables *tables)
{
    for (RegionPicker *&picker : m_pickers) {
        delete picker;
        picker = nullptr;
    }
    m_regionTables = tables;
    if (!tables)
        return;
    const Ui::TForm1 *u = m_ui.get();
    const auto focusAway = [this] { cbSexChange(); };
    m_pickers[0] = new RegionPicker(u->cbProv1, u->cbCity1, u->cbArea1, *tables, focusAway, this);
    m_pickers[1] = new RegionPicker(u->cbProv2, u->cbCity2, u->cbArea2, *tables, focusAway, this);
    m_pickers[2] = new RegionPicker(u->cbProv3, u->cbCity3, u->cbArea3, *tables, focusAway, this);
    m_pickers[3] = new RegionPicker(u->cbProv4, u->cbCity4, u->cbArea4, *tables, focusAway, this);
}

RegionPicker *EntryForm::regionPicker(int number) const
{
    return number >= 1 && number <= 4 ? m_pickers[number - 1] : nullptr;
}

void EntryForm::setStartupDate(const QDateTime &startupDate)
{
    m_startupDate = startupDate;
}

void EntryForm::showClass(const QString &grade, const QString &classNo)
{
    m_ui->edtGrade->setText(grade);
    m_ui->edtClass->setText(classNo);
    m_ui->lblHint1->clear();
    m_ui->lblHint2->clear();
}

void EntryForm::setEntryYears(int newestYear)
{
    QComboBox *year = m_ui->cbYear;
    const QSignalBlocker blocker(year);
    year->clear();
    for (int y = newestYear; y >= OldestEntryYear; --y)
        year->addItem(QString::number(y));
    year->setCurrentIndex(-1);
    year->clearEditText();
}

void EntryForm::preselectEntryYear(int year)
{
    if (year > 0)
        SelectItemByText(m_ui->cbYear, QString::number(year));
}

void EntryForm::fillProvincePickers()
{
    for (RegionPicker *picker : m_pickers)
        if (picker)
            picker->fillProvinces();
}

void EntryForm::selectDefaultRegions()
{
    // Read at every reset: the school may have set its default at another workstation.
    if (m_db) {
        try {
            m_schoolRegion = SchoolSettings::defaultRegion(*m_db);
        } catch (const DatabaseError &) {
            // The start of a new record is no place to fail: the default read last stays.
        }
    }
    for (RegionPicker *picker : m_pickers)
        if (picker)
            picker->selectDefault(m_schoolRegion);
    // The last step of a reset and of the class setup: what shows now is unchanged.
    markShownAsUnchanged();
}

void EntryForm::ResetEntryForm()
{
    m_ui->dtBirth->setDate(m_startupDate.date());
    m_ui->edtZip->clear();
    RecordFormValues::restoreLengthLimit(m_ui->edtZip);

    for (QWidget *control : std::as_const(m_dataControls)) {
        if (auto *list = qobject_cast<QComboBox *>(control)) {
            if (hasKeepMark(list))
                continue;
            // Emptying a list is no choice of the user: no change handler runs.
            const QSignalBlocker blocker(list);
            list->setCurrentIndex(-1);
            if (list->isEditable())
                list->clearEditText();
        } else if (auto *box = qobject_cast<QLineEdit *>(control)) {
            if (!box->isReadOnly() && !hasKeepMark(box)) {
                box->clear();
                // A loaded record may have widened the box to show a long stored value.
                RecordFormValues::restoreLengthLimit(box);
            }
        }
    }
    // The fixed fields the user cannot change show a loaded record's own
    // values; back to their fixed ones, or the next new pupil would be stored
    // with them (or, when they matched no item, could not be saved at all).
    m_ui->edtMonth->setText(QStringLiteral("09"));
    selectFixedItems();

    m_shownRecordIndex = -1;
    selectDefaultRegions();
}

void EntryForm::selectFixedItems()
{
    // 是否需要申请资助 and 是否享受一补 are not the pupil's to choose: 否.
    SelectItemByText(m_ui->cbZizhu, QStringLiteral("0-否"));
    SelectItemByText(m_ui->cbYibu, QStringLiteral("0-否"));
}

void EntryForm::cbSexChange()
{
    // Picked from the open list the choice is made and the focus moves on;
    // stepped through with the keyboard it stays for the next key or Tab.
    if (m_steppingList)
        return;
    QPushButton *anchor = m_ui->Button3;
    // Let Tab continue from the field the focus is leaving, not from wherever
    // the invisible button sits in the form.
    for (QWidget *w = focusWidget(); w && w != this; w = w->parentWidget()) {
        if (m_dataControls.contains(w)) {
            QWidget::setTabOrder(w, anchor);
            break;
        }
    }
    anchor->setFocus(Qt::OtherFocusReason);
}

void EntryForm::ScrollBox1MouseWheel(int wheelDelta)
{
    m_ui->ScrollBox1->verticalScrollBar()->triggerAction(wheelDelta < 0 ? QAbstractSlider::SliderSingleStepAdd
                                                                         : QAbstractSlider::SliderSingleStepSub);
}

bool EntryForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Wheel)
        return assistEvent(watched, event) || QWidget::eventFilter(watched, event);

    const auto *wheel = static_cast<QWheelEvent *>(event);
    const QPoint delta = wheel->angleDelta();
    if (delta.y() == 0 && delta.x() != 0) {
        // A sideways wheel moves the form sideways (when it is wider than the window).
        m_ui->ScrollBox1->horizontalScrollBar()->triggerAction(delta.x() < 0 ? QAbstractSlider::SliderSingleStepAdd
                                                                              : QAbstractSlider::SliderSingleStepSub);
        return true;
    }
    // Begin and end markers of a touchpad gesture carry no turn of the wheel.
    if (delta.isNull() && wheel->pixelDelta().isNull() && wheel->phase() != Qt::NoScrollPhase)
        return true;
    ScrollBox1MouseWheel(delta.y());
    return true;
}

void EntryForm::setManagementWindowFactory(std::function<QDialog *(QWidget *parent)> factory)
{
    m_managementFactory = std::move(factory);
}

void EntryForm::changeClassClick()
{
    if (!settleUnsavedChanges())
        return;
    m_ui->chEdit->setChecked(false); // the list of pupils is this class's
    // The management window works on this class's connection: it goes with it.
    if (m_managementWindow)
        m_managementWindow->deleteLater();
    m_managementWindow = nullptr;
    emit classChangeRequested();
}

void EntryForm::openForEditing(qint64 id)
{
    if (m_ui->chIncompleteOnly->isChecked() && m_ui->cbStud->findData(id) < 0) {
        const QSignalBlocker blocker(m_ui->chIncompleteOnly);
        m_ui->chIncompleteOnly->setChecked(false);
        if (m_ui->chEdit->isChecked())
            chEditClick();
    }
    if (!m_ui->chEdit->isChecked())
        m_ui->chEdit->setChecked(true); // fills the list (after the unsaved-changes question)
    if (m_ui->chEdit->isChecked())
        pickFoundPupil(id);
}

void EntryForm::FormShow()
{
    m_ui->ScrollBox1->verticalScrollBar()->setValue(0);
    if (m_ui->edtName->isEnabled() && m_ui->edtName->focusPolicy() != Qt::NoFocus)
        m_ui->edtName->setFocus(Qt::OtherFocusReason);
}

void EntryForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // A window restored from the task bar is no new showing of the form.
    if (!event->spontaneous())
        FormShow();
}

void EntryForm::closeEvent(QCloseEvent *event)
{
    if (!settleUnsavedChanges()) {
        event->ignore();
        return;
    }
    event->accept();
    QApplication::quit();
}
