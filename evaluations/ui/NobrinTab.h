#pragma once

#include <QPointer>
#include <QSize>
#include <QWidget>

class EvaluationEditorCommands;
class EvaluationEditor;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QScrollBar;

// The "Nobrin" tab: handheld-sized pages of entry fields and questions over a small menu
// bar. Controls sit at their places in twips (15 to a pixel) and keep their proportions
// when the window is resized; everything they show comes from the editor.
class NobrinTab : public QWidget {
    Q_OBJECT
public:
    static constexpr int TwipsPerPixel = 15;

    NobrinTab(EvaluationEditor& editor, EvaluationEditorCommands& commands, QWidget* parent = nullptr);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildEntryPage();
    void buildQuestionPage();
    void buildMenuBar();
    void refresh();
    void refreshSlot(int slot);
    void refreshFrame(int frame);
    void refreshMenu();
    void layoutControls();
    // Places the control at a rectangle given in twips of its parent.
    void place(QWidget* control, int left, int top, int width, int height) const;
    void focusControl(const QString& name, int index);
    void showMenuList();
    void runMenuEntry(const QString& entry);

    EvaluationEditor& m_editor;
    EvaluationEditorCommands& m_commands;
    QSize m_designSize;
    QPointer<QWidget> m_pendingFocus;
    bool m_syncing = false;
    bool m_tickedByClick = false;
    QGroupBox* m_pages[3] = {};
    QLabel* m_lblFileName = nullptr;
    QLineEdit* m_txtFileName = nullptr;
    QLabel* m_lblField[21] = {};
    QLineEdit* m_txtField[21] = {};
    QComboBox* m_cmbField[21] = {};
    QGroupBox* m_fraQuestion[5] = {};
    QComboBox* m_cmbFra[5] = {};
    QListWidget* m_lstFra[5] = {};
    QCheckBox* m_chkTBC[5] = {};
    QScrollBar* m_vsrFrame = nullptr;
    QFrame* m_menuBar = nullptr;
    QPushButton* m_cmdNew = nullptr;
    QPushButton* m_cmdFile = nullptr;
    QPushButton* m_cmdView = nullptr;
    QListWidget* m_lstMenuItems = nullptr;
};
