#include "EvaluationEditor.h"

#include "EntryRules.h"
#include "EvaluationFormReader.h"
#include "KestrivoError.h"
#include "LogError.h"
#include "Prompter.h"
#include "StatusSink.h"

#include <QDate>
#include <utility>

namespace {

const QString ForbiddenInFileNames = QStringLiteral("`~!@#$%^&*()/?<>,.\\|");
// What Evaluation.FileName holds: twenty long fields could make a longer name.
constexpr int FileNameLength = 255;

QString initialText(FieldType type) {
    switch (type) {
    case FieldType::Numeric:
        return QStringLiteral("0");
    case FieldType::Date:
        return EntryRules::shortDate(QDate::currentDate());
    default:
        return QString();
    }
}

void entryError(const QString& text) {
    programPrompter().inform(text, QStringLiteral("Entry Error"), PromptIcon::Critical);
}

} // namespace

QString EvaluationEditor::FieldSlot::currentText() const {
    if (!isList())
        return text;
    return chosen >= 0 && chosen < entries.size() ? entries.at(chosen).text : QString();
}

qint64 EvaluationEditor::FieldSlot::chosenValueKey() const {
    return isList() && chosen >= 0 && chosen < entries.size() ? entries.at(chosen).key : 0;
}

EvaluationEditor::Update::Update(EvaluationEditor& editor) : m_editor(editor) {
    ++m_editor.m_updates;
}

EvaluationEditor::Update::~Update() {
    if (--m_editor.m_updates > 0)
        return;
    Q_EMIT m_editor.screenChanged();
    if (m_editor.m_focusControl.isEmpty())
        return;
    const QString control = std::exchange(m_editor.m_focusControl, QString());
    Q_EMIT m_editor.focusRequested(control, m_editor.m_focusIndex);
}

EvaluationEditor::EvaluationEditor(const Database& database, StatusSink* status, QObject* parent)
    : QObject(parent), m_database(database), m_status(status), m_slots(FieldSlots), m_frames(QuestionFrames) {
    BuildMenu(false);
}

void EvaluationEditor::setEvaluationTemplateKey(qint64 key) {
    m_templateKey = key;
    m_openedKey = 0;
}

void EvaluationEditor::setOpenedEvaluation(qint64 evaluationKey, qint64 templateKey, qint64 groupKey,
                                           const QString& fileName) {
    m_openedKey = evaluationKey;
    m_templateKey = templateKey;
    m_storedGroupKey = groupKey;
    m_storedFileName = fileName;
}

int EvaluationEditor::pageCount() const {
    return int((m_questions.size() + QuestionFrames - 1) / QuestionFrames);
}

int EvaluationEditor::questionOnFrame(int frame) const {
    const int index = QuestionFrames * (m_page - 1) + frame - 1;
    return m_page >= 1 && index < m_questions.size() ? index : -1;
}

void EvaluationEditor::requestFocus(const QString& control, int index) {
    Update update(*this);
    m_focusControl = control;
    m_focusIndex = index;
}

void EvaluationEditor::BuildEvaluation() {
    Update update(*this);
    const bool liveOnly = std::exchange(m_newEvaluation, false);
    if (m_status)
        m_status->showBusy(true);
    try {
        const EvaluationForm form = EvaluationFormReader::read(m_database, m_templateKey, m_openedKey, liveOnly);
        m_slots = QList<FieldSlot>(FieldSlots);
        m_questions.clear();
        m_fieldCount = 0;
        m_groupSlot = 0;
        m_pageShown = false;
        HideFields();
        m_fileNameVisible = true;
        m_fileName.clear();
        m_cursorLeft = FirstColumnLeft;
        m_cursorTop = FirstRowTop;
        m_fileNameFields = form.fileNameFields;
        for (const EvaluationForm::Field& field : form.fields)
            PlaceField(++m_fieldCount, field);
        m_questions = form.questions;
        m_scrollValue = 1;
        ShowQuestionPage();
        if (m_openedKey != 0)
            m_fileName = m_storedFileName;
        else
            ComposeFileName(0, true);
        showEntryPage();
        BuildMenu(true);
    } catch (const KestrivoError& error) {
        if (m_status)
            m_status->showBusy(false);
        // Without its form there is nothing to edit: the tab goes back to its empty state.
        ResetEvaluation();
        LogError(error, QStringLiteral("BuildEvaluation"));
        return;
    }
    if (m_status)
        m_status->showBusy(false);
}

void EvaluationEditor::PlaceField(int slot, const EvaluationForm::Field& field) {
    Update update(*this);
    FieldSlot& place = slotAt(slot);
    place.key = field.key;
    place.type = field.type;
    place.forced = field.forced;
    if (field.group)
        m_groupSlot = slot;
    place.left = m_cursorLeft;
    place.top = m_cursorTop;
    place.caption = field.label;
    place.labelVisible = true;
    place.tabIndex = slot;
    const bool opened = m_openedKey != 0;
    if (place.isList()) {
        place.textVisible = false;
        place.listVisible = true;
        place.entries = field.values;
        place.chosen = -1;
        for (qsizetype i = 0; opened && i < place.entries.size(); ++i) {
            const EvaluationForm::Value& entry = place.entries.at(i);
            if (slot == m_groupSlot ? entry.key == m_storedGroupKey : entry.text == field.storedValue) {
                place.chosen = int(i);
                break;
            }
        }
    } else {
        place.listVisible = false;
        place.textVisible = true;
        place.text = opened && !field.storedValue.isEmpty() ? field.storedValue : initialText(field.type);
        // A value stored before the field was made shorter is shown whole, never cut.
        place.maxLength = field.length > 0 ? qMax(field.length, int(place.text.size())) : 0;
    }
    if (m_cursorLeft == SecondColumnLeft) {
        m_cursorTop += RowHeight;
        m_cursorLeft = FirstColumnLeft;
    } else {
        m_cursorLeft = SecondColumnLeft;
    }
}

void EvaluationEditor::ShowQuestionPage() {
    Update update(*this);
    StoreQuestionPage();
    m_pageShown = true;
    m_page = m_scrollValue;
    for (int index = 1; index <= QuestionFrames; ++index) {
        QuestionFrame& frame = m_frames[index - 1];
        const int question = questionOnFrame(index);
        if (question < 0) {
            frame.visible = false;
            continue;
        }
        const EvaluationForm::Question& shown = m_questions.at(question);
        frame.caption = shown.text;
        frame.tbc = shown.tbc;
        frame.answers = shown.answers;
        frame.answerText = shown.answer;
        frame.entries.clear();
        frame.ticks.clear();
        bool ticked = false;
        for (const EvaluationForm::PickEntry& entry : shown.pickEntries) {
            frame.entries << entry.name;
            frame.ticks << entry.ticked;
            ticked = ticked || entry.ticked;
        }
        frame.visible = true;
        // Putting an answer, a TBC mark or a tick on the screen counts as a change, as
        // entering one does.
        if (shown.tbc || !shown.answer.isEmpty() || ticked)
            m_changed = true;
    }
}

void EvaluationEditor::StoreQuestionPage() {
    if (!m_pageShown)
        return;
    m_changed = true;
    for (int index = 1; index <= QuestionFrames; ++index) {
        const int question = questionOnFrame(index);
        if (question < 0)
            continue;
        const QuestionFrame& frame = m_frames.at(index - 1);
        EvaluationForm::Question& stored = m_questions[question];
        stored.answer = frame.answerText;
        stored.tbc = frame.tbc;
        for (qsizetype entry = 0; entry < stored.pickEntries.size() && entry < frame.ticks.size(); ++entry)
            stored.pickEntries[entry].ticked = frame.ticks.at(entry);
    }
}

void EvaluationEditor::ComposeFileName(int slot, bool force) {
    Update update(*this);
    if (!force && (slot < 1 || slot > m_fieldCount || !m_fileNameFields.contains(this->slot(slot).key)))
        return;
    QString composed;
    for (const qint64 key : m_fileNameFields) {
        for (int index = 1; index <= m_fieldCount; ++index) {
            if (this->slot(index).key == key) {
                composed += this->slot(index).currentText();
                break;
            }
        }
    }
    if (!composed.isEmpty())
        m_fileName = CleanFileName(composed).left(FileNameLength);
}

QString EvaluationEditor::CleanFileName(const QString& text) {
    QString clean;
    clean.reserve(text.size());
    for (const QChar c : text) {
        if (!ForbiddenInFileNames.contains(c))
            clean += c;
    }
    return clean;
}

void EvaluationEditor::forcedEntryMessage(int slot) {
    programPrompter().inform(QStringLiteral("Entry manditory into the ") + this->slot(slot).caption +
                                 QStringLiteral(" field."),
                             QStringLiteral("Forced Entry"), PromptIcon::Critical);
    ToggleView(true);
}

bool EvaluationEditor::ValidateTextField(int slot) {
    Update update(*this);
    const FieldSlot& field = this->slot(slot);
    if (field.forced && EntryRules::isBlank(field.text)) {
        forcedEntryMessage(slot);
        return true;
    }
    if (field.type == FieldType::Numeric && !EntryRules::isNumeric(field.text)) {
        entryError(QStringLiteral("Invalid entry, must be numeric."));
        return true;
    }
    if (field.type == FieldType::Date && !EntryRules::isDate(field.text)) {
        entryError(QStringLiteral("Invalid date entered."));
        return true;
    }
    return false;
}

bool EvaluationEditor::ValidateListField(int slot) {
    Update update(*this);
    const FieldSlot& field = this->slot(slot);
    if (field.forced && (field.currentText().isEmpty() || field.chosen < 0)) {
        forcedEntryMessage(slot);
        return true;
    }
    return false;
}

void EvaluationEditor::HideFields() {
    Update update(*this);
    m_fileNameVisible = false;
    for (FieldSlot& field : m_slots) {
        field.labelVisible = false;
        field.textVisible = false;
        field.listVisible = false;
    }
    m_changed = false;
}

void EvaluationEditor::BuildMenu(bool inProgress) {
    Update update(*this);
    m_viewEnabled = inProgress;
    m_menuItems = {QStringLiteral("Open")};
    if (!inProgress)
        return;
    m_menuItems << QStringLiteral("Cancel");
    if (m_openedKey != 0)
        m_menuItems << QStringLiteral("Delete");
    m_menuItems << QStringLiteral("Save");
}

void EvaluationEditor::ToggleView(bool force) {
    Update update(*this);
    if (force || m_questionPage)
        showEntryPage();
    else {
        m_questionPage = true;
        m_entryPage = false;
    }
}

void EvaluationEditor::showEntryPage() {
    m_entryPage = true;
    m_questionPage = false;
}

void EvaluationEditor::ResetEvaluation() {
    Update update(*this);
    m_openedKey = 0;
    m_templateKey = 0;
    HideFields();
    BuildMenu(false);
    ToggleView(true);
}

void EvaluationEditor::selectTab() {
    Update update(*this);
    hidePages();
    HideFields();
    BuildMenu(false);
    m_menuBar = true;
    m_entryPage = true;
    requestFocus(QStringLiteral("cmdNew"));
}

void EvaluationEditor::hidePages() {
    Update update(*this);
    m_entryPage = false;
    m_questionPage = false;
}

void EvaluationEditor::editFileName(const QString& text) {
    Update update(*this);
    m_fileName = text;
}

void EvaluationEditor::editField(int slot, const QString& text) {
    Update update(*this);
    if (slot >= 1 && slot <= FieldSlots)
        slotAt(slot).text = text;
}

void EvaluationEditor::chooseFieldEntry(int slot, int entry) {
    Update update(*this);
    if (slot < 1 || slot > FieldSlots)
        return;
    FieldSlot& field = slotAt(slot);
    field.chosen = entry >= 0 && entry < field.entries.size() ? entry : -1;
}

void EvaluationEditor::leaveTextField(int slot) {
    Update update(*this);
    // A box that has just been hidden gives up the focus too; it holds no entry any more.
    if (slot < 1 || slot > m_fieldCount || !this->slot(slot).textVisible)
        return;
    if (ValidateTextField(slot))
        return;
    m_changed = true;
    ComposeFileName(slot, false);
}

void EvaluationEditor::leaveListField(int slot) {
    Update update(*this);
    if (slot < 1 || slot > m_fieldCount || !this->slot(slot).listVisible)
        return;
    if (ValidateListField(slot))
        return;
    m_changed = true;
    ComposeFileName(slot, false);
}

void EvaluationEditor::scrollTo(int value) {
    Update update(*this);
    const int clamped = qBound(1, value, qMax(1, pageCount()));
    if (clamped == m_scrollValue)
        return;
    m_scrollValue = clamped;
    ShowQuestionPage();
}

void EvaluationEditor::editAnswer(int frame, const QString& text) {
    Update update(*this);
    if (frame < 1 || frame > QuestionFrames || m_frames.at(frame - 1).answerText == text)
        return;
    m_frames[frame - 1].answerText = text;
    m_changed = true;
}

void EvaluationEditor::clickTBC(int frame, bool checked) {
    Update update(*this);
    if (frame < 1 || frame > QuestionFrames)
        return;
    m_frames[frame - 1].tbc = checked;
    m_changed = true;
}

void EvaluationEditor::tickPickEntry(int frame, int entry, bool ticked) {
    Update update(*this);
    if (frame < 1 || frame > QuestionFrames)
        return;
    QList<bool>& ticks = m_frames[frame - 1].ticks;
    if (entry >= 0 && entry < ticks.size())
        ticks[entry] = ticked;
    m_changed = true;
}
