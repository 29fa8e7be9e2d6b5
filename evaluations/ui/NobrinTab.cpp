#include "NobrinTab.h"

#include "EvaluationEditor.h"
#include "EvaluationEditorCommands.h"
#include "LogError.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <utility>

namespace {

// The handheld's screen, in twips of the tab's client area.
constexpr int PageLeft = 10;
constexpr int PageTop = 25;
constexpr int PageWidth = 4875;
constexpr int PageHeight = 5800;
constexpr int MenuBarLeft = 70;
constexpr int MenuBarWidth = 4750;
constexpr int MenuBarHeight = 375;
constexpr int MenuBarBottomGap = 70;
constexpr int ButtonTop = 45;
constexpr int ButtonWidth = 900;
constexpr int ButtonHeight = 285;
constexpr int NewLeft = 60;
constexpr int FileLeft = 1020;
constexpr int ViewLeft = 1980;
constexpr int MenuEntryHeight = 230;
constexpr int QuestionLeft = 60;
constexpr int QuestionTop = 220;
constexpr int QuestionPitch = 1390;
constexpr int QuestionWidth = 4380;
constexpr int QuestionHeight = 1360;
// The handheld's small type: the field rows are 22 pixels apart.
constexpr int FontPixels = 11;
constexpr int AnswerLength = 50;

// Losing the focus to a message box, another window or a list's own drop-down is not
// leaving the control. A drop-down that opens moves the focus into its popup without always
// saying so (on X11 the focus goes over with another reason), so where the focus went counts.
bool leavesControl(const QEvent* event) {
    if (event->type() != QEvent::FocusOut)
        return false;
    const Qt::FocusReason reason = static_cast<const QFocusEvent*>(event)->reason();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
        return false;
    const QWidget* now = QApplication::focusWidget();
    return !QApplication::activePopupWidget() && !(now && now->window()->windowType() == Qt::Popup);
}

template <typename T> T* indexed(T* control, const char* name, int index) {
    control->setObjectName(QString::fromLatin1(name));
    control->setProperty("index", index);
    return control;
}

bool sameEntries(const QComboBox* list, const QList<EvaluationForm::Value>& entries) {
    if (list->count() != entries.size())
        return false;
    for (int i = 0; i < list->count(); ++i) {
        if (list->itemText(i) != entries.at(i).text || list->itemData(i).toLongLong() != entries.at(i).key)
            return false;
    }
    return true;
}

bool sameTexts(const QComboBox* list, const QStringList& texts) {
    if (list->count() != texts.size())
        return false;
    for (int i = 0; i < list->count(); ++i) {
        if (list->itemText(i) != texts.at(i))
            return false;
    }
    return true;
}

// A long value shows its beginning, as typed text would.
void setTextIfChanged(QLineEdit* box, const QString& text) {
    if (box->text() == text)
        return;
    box->setText(text);
    box->setCursorPosition(0);
}

} // namespace

NobrinTab::NobrinTab(EvaluationEditor& editor, EvaluationEditorCommands& commands, QWidget* parent)
    : QWidget(parent), m_editor(editor), m_commands(commands) {
    setObjectName(QStringLiteral("NobrinPage"));
    QFont small = font();
    small.setPixelSize(FontPixels);
    setFont(small);
    buildEntryPage();
    buildQuestionPage();
    buildMenuBar();
    connect(&m_editor, &EvaluationEditor::screenChanged, this, &NobrinTab::refresh);
    connect(&m_editor, &EvaluationEditor::focusRequested, this, &NobrinTab::focusControl);
    refresh();
}

void NobrinTab::buildEntryPage() {
    auto* page = indexed(new QGroupBox(QStringLiteral("Entry"), this), "fraEvaluation", 1);
    m_pages[1] = page;
    m_lblFileName = new QLabel(QStringLiteral("File Name:"), page);
    m_lblFileName->setObjectName(QStringLiteral("lblFileName"));
    m_txtFileName = new QLineEdit(page);
    m_txtFileName->setObjectName(QStringLiteral("txtFileName"));
    m_txtFileName->setMaxLength(255);
    connect(m_txtFileName, &QLineEdit::textEdited, this, [this](const QString& text) {
        guarded(QStringLiteral("txtFileName_Change"), [this, &text] { m_editor.editFileName(text); });
    });
    for (int slot = 1; slot <= EvaluationEditor::FieldSlots; ++slot) {
        m_lblField[slot] = indexed(new QLabel(page), "lblField", slot);
        m_txtField[slot] = indexed(new QLineEdit(page), "txtField", slot);
        m_cmbField[slot] = indexed(new QComboBox(page), "cmbField", slot);
        m_txtField[slot]->installEventFilter(this);
        m_cmbField[slot]->installEventFilter(this);
        connect(m_txtField[slot], &QLineEdit::textEdited, this, [this, slot](const QString& text) {
            guarded(QStringLiteral("txtField_Change"), [this, slot, &text] { m_editor.editField(slot, text); });
        });
        connect(m_cmbField[slot], &QComboBox::activated, this, [this, slot](int entry) {
            guarded(QStringLiteral("cmbField_Click"), [this, slot, entry] { m_editor.chooseFieldEntry(slot, entry); });
        });
    }
}

void NobrinTab::buildQuestionPage() {
    auto* page = indexed(new QGroupBox(QStringLiteral("Evaluation"), this), "fraEvaluation", 2);
    m_pages[2] = page;
    for (int frame = 1; frame <= EvaluationEditor::QuestionFrames; ++frame) {
        auto* box = indexed(new QGroupBox(QStringLiteral("Question %1").arg(frame), page), "fraQuestion", frame);
        m_fraQuestion[frame] = box;
        m_cmbFra[frame] = indexed(new QComboBox(box), "cmbFra", frame);
        m_cmbFra[frame]->setEditable(true);
        m_cmbFra[frame]->setInsertPolicy(QComboBox::NoInsert);
        m_cmbFra[frame]->lineEdit()->setMaxLength(AnswerLength);
        m_chkTBC[frame] = indexed(new QCheckBox(QStringLiteral("TBC:"), box), "chkTBC", frame);
        m_chkTBC[frame]->setLayoutDirection(Qt::RightToLeft);
        m_lstFra[frame] = indexed(new QListWidget(box), "lstFra", frame);
        m_lstFra[frame]->setSelectionMode(QAbstractItemView::NoSelection);
        m_lstFra[frame]->setUniformItemSizes(true);
        connect(m_cmbFra[frame], &QComboBox::editTextChanged, this, [this, frame](const QString& text) {
            if (!m_syncing)
                guarded(QStringLiteral("cmbFra_Change"), [this, frame, &text] { m_editor.editAnswer(frame, text); });
        });
        connect(m_chkTBC[frame], &QCheckBox::clicked, this, [this, frame](bool checked) {
            guarded(QStringLiteral("chkTBC_Click"), [this, frame, checked] { m_editor.clickTBC(frame, checked); });
        });
        // A click anywhere on an entry ticks it, not only on its box.
        connect(m_lstFra[frame], &QListWidget::itemPressed, this, [this] { m_tickedByClick = false; });
        connect(m_lstFra[frame], &QListWidget::itemChanged, this, [this, frame](QListWidgetItem* item) {
            if (m_syncing)
                return;
            m_tickedByClick = true;
            const int entry = item->listWidget()->row(item);
            const bool ticked = item->checkState() == Qt::Checked;
            guarded(QStringLiteral("lstFra_Click"),
                    [this, frame, entry, ticked] { m_editor.tickPickEntry(frame, entry, ticked); });
        });
        connect(m_lstFra[frame], &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
            if (!std::exchange(m_tickedByClick, false))
                item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
        });
    }
    m_vsrFrame = new QScrollBar(Qt::Vertical, page);
    m_vsrFrame->setObjectName(QStringLiteral("vsrFrame"));
    m_vsrFrame->setPageStep(1);
    connect(m_vsrFrame, &QScrollBar::valueChanged, this, [this](int value) {
        if (!m_syncing)
            guarded(QStringLiteral("vsrFrame_Change"), [this, value] { m_editor.scrollTo(value); });
    });
}

void NobrinTab::buildMenuBar() {
    m_menuBar = new QFrame(this);
    m_menuBar->setObjectName(QStringLiteral("fraEvaluationMenu"));
    m_menuBar->setFrameShape(QFrame::StyledPanel);
    m_cmdNew = new QPushButton(QStringLiteral("New"), m_menuBar);
    m_cmdNew->setObjectName(QStringLiteral("cmdNew"));
    m_cmdFile = new QPushButton(QStringLiteral("File"), m_menuBar);
    m_cmdFile->setObjectName(QStringLiteral("cmdFile"));
    m_cmdView = new QPushButton(QStringLiteral("View"), m_menuBar);
    m_cmdView->setObjectName(QStringLiteral("cmdView"));
    m_cmdFile->installEventFilter(this);
    connect(m_cmdNew, &QPushButton::clicked, this,
            [this] { guarded(QStringLiteral("cmdNew_Click"), [this] { m_commands.cmdNewClick(); }); });
    connect(m_cmdFile, &QPushButton::clicked, this, [this] { showMenuList(); });
    connect(m_cmdView, &QPushButton::clicked, this,
            [this] { guarded(QStringLiteral("cmdView_Click"), [this] { m_editor.ToggleView(false); }); });

    m_lstMenuItems = new QListWidget(this);
    m_lstMenuItems->setObjectName(QStringLiteral("lstMenuItems"));
    m_lstMenuItems->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_lstMenuItems->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_lstMenuItems->setFrameShape(QFrame::NoFrame);
    m_lstMenuItems->hide();
    m_lstMenuItems->installEventFilter(this);
    connect(m_lstMenuItems, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { runMenuEntry(item->text()); });
    connect(m_lstMenuItems, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { runMenuEntry(item->text()); });
}

void NobrinTab::showMenuList() {
    m_lstMenuItems->raise();
    m_lstMenuItems->show();
    m_lstMenuItems->setCurrentRow(0);
    m_lstMenuItems->setFocus(Qt::OtherFocusReason);
}

void NobrinTab::runMenuEntry(const QString& entry) {
    if (!m_lstMenuItems->isVisible())
        return;
    m_lstMenuItems->hide();
    guarded(QStringLiteral("lstMenuItems_Click"), [this, &entry] { m_commands.lstMenuItemsClick(entry); });
}

bool NobrinTab::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_lstMenuItems) {
        if (leavesControl(event))
            m_lstMenuItems->hide();
        else if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            m_lstMenuItems->hide();
            m_cmdFile->setFocus(Qt::OtherFocusReason);
            return true;
        }
        return QWidget::eventFilter(watched, event);
    }
    if (watched == m_cmdFile) {
        if (leavesControl(event) && QApplication::focusWidget() != m_lstMenuItems)
            m_lstMenuItems->hide();
        return QWidget::eventFilter(watched, event);
    }
    if (!leavesControl(event))
        return QWidget::eventFilter(watched, event);
    const int slot = watched->property("index").toInt();
    if (qobject_cast<QLineEdit*>(watched))
        guarded(QStringLiteral("txtField_LostFocus"), [this, slot] { m_editor.leaveTextField(slot); });
    else if (qobject_cast<QComboBox*>(watched))
        guarded(QStringLiteral("cmbField_LostFocus"), [this, slot] { m_editor.leaveListField(slot); });
    return QWidget::eventFilter(watched, event);
}

void NobrinTab::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The first size the tab gets is its design size: it keeps those proportions from then on.
    if (!m_designSize.isValid() && width() > 0 && height() > 0)
        m_designSize = size();
    layoutControls();
}

void NobrinTab::place(QWidget* control, int left, int top, int width, int height) const {
    const double x = double(this->width()) / m_designSize.width() / TwipsPerPixel;
    const double y = double(this->height()) / m_designSize.height() / TwipsPerPixel;
    const int pixelHeight = height < 0 ? control->sizeHint().height() : qRound(height * y);
    control->setGeometry(qRound(left * x), qRound(top * y), qRound(width * x), pixelHeight);
}

void NobrinTab::layoutControls() {
    if (!m_designSize.isValid())
        return;
    for (int page = 1; page <= 2; ++page)
        place(m_pages[page], PageLeft, PageTop, PageWidth, PageHeight);
    const int menuTop = m_designSize.height() * TwipsPerPixel - MenuBarBottomGap - MenuBarHeight;
    place(m_menuBar, MenuBarLeft, menuTop, MenuBarWidth, MenuBarHeight);
    place(m_cmdNew, NewLeft, ButtonTop, ButtonWidth, ButtonHeight);
    place(m_cmdFile, FileLeft, ButtonTop, ButtonWidth, ButtonHeight);
    place(m_cmdView, ViewLeft, ButtonTop, ButtonWidth, ButtonHeight);
    const int menuHeight = MenuEntryHeight * int(m_editor.menuItems().size());
    place(m_lstMenuItems, MenuBarLeft + FileLeft, menuTop - menuHeight, ButtonWidth + 300, menuHeight);

    place(m_lblFileName, 60, 200, 900, 255);
    place(m_txtFileName, 1060, 170, 3700, 285);
    for (int slot = 1; slot <= EvaluationEditor::FieldSlots; ++slot) {
        const EvaluationEditor::FieldSlot& field = m_editor.slot(slot);
        place(m_lblField[slot], field.left, field.top, EvaluationEditor::LabelWidth, EvaluationEditor::BoxHeight);
        const int boxLeft = field.left + EvaluationEditor::BoxOffset;
        place(m_txtField[slot], boxLeft, field.top, EvaluationEditor::BoxWidth, EvaluationEditor::BoxHeight);
        place(m_cmbField[slot], boxLeft, field.top, EvaluationEditor::BoxWidth, -1);
    }
    for (int frame = 1; frame <= EvaluationEditor::QuestionFrames; ++frame) {
        place(m_fraQuestion[frame], QuestionLeft, QuestionTop + (frame - 1) * QuestionPitch, QuestionWidth,
              QuestionHeight);
        place(m_cmbFra[frame], 120, 270, 2600, -1);
        place(m_chkTBC[frame], 2950, 290, 1300, 270);
        place(m_lstFra[frame], 120, 640, 4140, 640);
    }
    place(m_vsrFrame, 4500, 250, 255, 5480);
}

void NobrinTab::refresh() {
    const bool wasSyncing = std::exchange(m_syncing, true);
    m_pages[1]->setVisible(m_editor.entryPageVisible());
    m_pages[2]->setVisible(m_editor.questionPageVisible());
    m_menuBar->setVisible(m_editor.menuBarVisible());
    m_lblFileName->setVisible(m_editor.fileNameVisible());
    m_txtFileName->setVisible(m_editor.fileNameVisible());
    setTextIfChanged(m_txtFileName, m_editor.fileNameText());
    QWidget* previous = m_txtFileName;
    for (int slot = 1; slot <= EvaluationEditor::FieldSlots; ++slot) {
        refreshSlot(slot);
        const EvaluationEditor::FieldSlot& field = m_editor.slot(slot);
        QWidget* box = field.isList() ? static_cast<QWidget*>(m_cmbField[slot]) : m_txtField[slot];
        if (field.textVisible || field.listVisible) {
            setTabOrder(previous, box);
            previous = box;
        }
    }
    for (int frame = 1; frame <= EvaluationEditor::QuestionFrames; ++frame)
        refreshFrame(frame);
    m_vsrFrame->setRange(1, qMax(1, m_editor.pageCount()));
    m_vsrFrame->setValue(m_editor.scrollValue());
    refreshMenu();
    layoutControls();
    m_syncing = wasSyncing;
}

void NobrinTab::refreshSlot(int slot) {
    const EvaluationEditor::FieldSlot& field = m_editor.slot(slot);
    m_lblField[slot]->setText(field.caption);
    m_lblField[slot]->setToolTip(field.caption);
    m_lblField[slot]->setVisible(field.labelVisible);
    QLineEdit* text = m_txtField[slot];
    text->setAccessibleName(field.caption);
    text->setMaxLength(field.maxLength > 0 ? field.maxLength : 32767);
    setTextIfChanged(text, field.isList() ? QString() : field.text);
    text->setVisible(field.textVisible);
    QComboBox* list = m_cmbField[slot];
    list->setAccessibleName(field.caption);
    if (!sameEntries(list, field.entries)) {
        list->clear();
        for (const EvaluationForm::Value& entry : field.entries)
            list->addItem(entry.text, entry.key);
    }
    if (list->currentIndex() != field.chosen)
        list->setCurrentIndex(field.chosen);
    list->setVisible(field.listVisible);
}

void NobrinTab::refreshFrame(int index) {
    const EvaluationEditor::QuestionFrame& frame = m_editor.frame(index);
    m_fraQuestion[index]->setTitle(frame.caption.isEmpty() ? QStringLiteral("Question %1").arg(index) : frame.caption);
    m_fraQuestion[index]->setToolTip(frame.caption);
    QComboBox* answers = m_cmbFra[index];
    if (!sameTexts(answers, frame.answers)) {
        answers->clear();
        answers->addItems(frame.answers);
    }
    if (answers->currentText() != frame.answerText)
        answers->setEditText(frame.answerText);
    m_chkTBC[index]->setChecked(frame.tbc);
    QListWidget* entries = m_lstFra[index];
    bool same = entries->count() == frame.entries.size();
    for (int i = 0; same && i < entries->count(); ++i)
        same = entries->item(i)->text() == frame.entries.at(i);
    if (!same) {
        entries->clear();
        for (const QString& name : frame.entries) {
            auto* item = new QListWidgetItem(name, entries);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Unchecked);
        }
    }
    for (int i = 0; i < entries->count(); ++i) {
        const Qt::CheckState state = frame.ticks.value(i) ? Qt::Checked : Qt::Unchecked;
        if (entries->item(i)->checkState() != state)
            entries->item(i)->setCheckState(state);
    }
    m_fraQuestion[index]->setVisible(frame.visible);
}

void NobrinTab::refreshMenu() {
    m_cmdView->setEnabled(m_editor.viewEnabled());
    QStringList shown;
    for (int i = 0; i < m_lstMenuItems->count(); ++i)
        shown << m_lstMenuItems->item(i)->text();
    if (shown == m_editor.menuItems())
        return;
    m_lstMenuItems->clear();
    for (const QString& entry : m_editor.menuItems()) {
        auto* item = new QListWidgetItem(entry, m_lstMenuItems);
        item->setSizeHint(QSize(0, MenuEntryHeight / TwipsPerPixel));
    }
}

void NobrinTab::focusControl(const QString& name, int index) {
    for (QWidget* control : findChildren<QWidget*>(name)) {
        if (index != 0 && control->property("index").toInt() != index)
            continue;
        // The tab may be on its way to the screen: the control gets the focus once it is there.
        if (control->isVisible())
            control->setFocus(Qt::OtherFocusReason);
        else
            m_pendingFocus = control;
        return;
    }
}

void NobrinTab::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_pendingFocus && m_pendingFocus->isVisible())
        m_pendingFocus->setFocus(Qt::OtherFocusReason);
    m_pendingFocus = nullptr;
}
