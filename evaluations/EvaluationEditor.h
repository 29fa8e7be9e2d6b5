#pragma once

#include "EvaluationForm.h"
#include "UnitLimits.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class Database;
class StatusSink;

// The "Nobrin" tab of the evaluation window as the handheld shows an evaluation: a page of
// entry fields under the file name, and a page of questions four at a time. It holds what
// every control shows and the evaluation's state; the window shows it and forwards what the
// user does. Positions are in twips, as the handheld's screen is designed.
class EvaluationEditor : public QObject {
    Q_OBJECT
public:
    static constexpr int FieldSlots = UnitLimits::Fields;
    static constexpr int QuestionFrames = 4;
    static constexpr int FirstRowTop = 560;
    static constexpr int RowHeight = 330;
    static constexpr int FirstColumnLeft = 60;
    static constexpr int SecondColumnLeft = 2500;
    static constexpr int LabelWidth = 800;
    static constexpr int BoxOffset = 1000;
    static constexpr int BoxWidth = 1300;
    static constexpr int BoxHeight = 255;

    // One entry field's label lblField, text box txtField and list cmbField.
    struct FieldSlot {
        qint64 key = 0; // TemplateFieldKey
        FieldType type = FieldType::Text;
        bool forced = false;
        int left = 0;
        int top = 0;
        int tabIndex = 0; // after txtFileName
        QString caption;  // the label's caption, also the boxes' tag
        bool labelVisible = false;
        bool textVisible = false;
        bool listVisible = false;
        QString text;
        int maxLength = 0; // 0: no limit
        QList<EvaluationForm::Value> entries;
        int chosen = -1;

        bool isList() const { return type == FieldType::Dropdown; }
        // The text box's text, or the chosen entry of the list.
        QString currentText() const;
        qint64 chosenValueKey() const;
    };
    // One of the four frames fraQuestion of the question page.
    struct QuestionFrame {
        bool visible = true;
        QString caption;
        QStringList answers;
        QString answerText;
        bool tbc = false;
        QStringList entries;
        QList<bool> ticks;
    };

    explicit EvaluationEditor(const Database& database, StatusSink* status = nullptr, QObject* parent = nullptr);

    // Set by the add dialog before it builds a new evaluation.
    void setEvaluationTemplateKey(qint64 key);
    void setNewEvaluation(bool value) { m_newEvaluation = value; }
    // Set from the Evaluation row before an opened evaluation is built.
    void setOpenedEvaluation(qint64 evaluationKey, qint64 templateKey, qint64 groupKey, const QString& fileName);

    qint64 templateKey() const { return m_templateKey; }
    qint64 openedEvaluationKey() const { return m_openedKey; }
    bool inProgress() const { return m_templateKey != 0; }
    bool changed() const { return m_changed; }
    int fieldCount() const { return m_fieldCount; }
    int groupSlot() const { return m_groupSlot; }
    const FieldSlot& slot(int slot) const { return m_slots.at(slot - 1); }
    const QList<EvaluationForm::Question>& questions() const { return m_questions; }
    const QuestionFrame& frame(int frame) const { return m_frames.at(frame - 1); }
    int questionOnFrame(int frame) const; // index into questions(), -1 when the frame is empty
    const QString& fileNameText() const { return m_fileName; }
    bool fileNameVisible() const { return m_fileNameVisible; }
    bool entryPageVisible() const { return m_entryPage; }
    bool questionPageVisible() const { return m_questionPage; }
    bool menuBarVisible() const { return m_menuBar; }
    int pageCount() const;
    int scrollValue() const { return m_scrollValue; }
    int currentPage() const { return m_page; }
    const QStringList& menuItems() const { return m_menuItems; }
    bool viewEnabled() const { return m_viewEnabled; }

    void BuildEvaluation();
    void PlaceField(int slot, const EvaluationForm::Field& field);
    void ShowQuestionPage();
    void StoreQuestionPage();
    void ComposeFileName(int slot, bool force);
    static QString CleanFileName(const QString& text);
    // True when the entry is refused.
    bool ValidateTextField(int slot);
    bool ValidateListField(int slot);
    void HideFields();
    void BuildMenu(bool inProgress);
    void ToggleView(bool force);
    void ResetEvaluation();
    // The tab is selected: no pages but the empty entry page, and the focus on "New".
    void selectTab();
    // Both pages hidden, as "New" leaves them before the add dialog.
    void hidePages();
    void requestFocus(const QString& control, int index = 0);
    // "Entry manditory into the … field.", then the entry page.
    void forcedEntryMessage(int slot);

    // What the user does on the screen.
    void editFileName(const QString& text);
    void editField(int slot, const QString& text);
    void chooseFieldEntry(int slot, int entry);
    void leaveTextField(int slot);
    void leaveListField(int slot);
    void scrollTo(int value);
    void editAnswer(int frame, const QString& text);
    void clickTBC(int frame, bool checked);
    void tickPickEntry(int frame, int entry, bool ticked);

Q_SIGNALS:
    // Something on the screen changed: the window shows the new state.
    void screenChanged();
    // After the screen has been shown: the control (with its index) should get the focus.
    void focusRequested(const QString& control, int index);

private:
    // Screen changes made inside one action reach the window once, at its end.
    class Update {
    public:
        explicit Update(EvaluationEditor& editor);
        ~Update();

    private:
        EvaluationEditor& m_editor;
    };

    void build();
    void showEntryPage();
    FieldSlot& slotAt(int slot) { return m_slots[slot - 1]; }

    const Database& m_database;
    StatusSink* m_status;
    qint64 m_templateKey = 0;
    bool m_newEvaluation = false;
    qint64 m_openedKey = 0;
    qint64 m_storedGroupKey = 0;
    QString m_storedFileName;
    bool m_changed = false;
    int m_fieldCount = 0;
    int m_groupSlot = 0;
    QList<qint64> m_fileNameFields;
    QList<FieldSlot> m_slots;
    QList<EvaluationForm::Question> m_questions;
    QList<QuestionFrame> m_frames;
    bool m_pageShown = false;
    int m_page = 0;
    int m_scrollValue = 1;
    QString m_fileName;
    bool m_fileNameVisible = false;
    bool m_entryPage = false;
    bool m_questionPage = false;
    bool m_menuBar = false;
    QStringList m_menuItems;
    bool m_viewEnabled = false;
    int m_cursorLeft = FirstColumnLeft;
    int m_cursorTop = FirstRowTop;
    int m_updates = 0;
    QString m_focusControl;
    int m_focusIndex = 0;
};
