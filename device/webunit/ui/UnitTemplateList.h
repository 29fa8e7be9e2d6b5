#pragma once

#include "StatusSink.h"
#include "UnitTemplateChoice.h"
#include "WaitCursor.h"

#include <QGroupBox>

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The catalog's templates with what the unit holds of each, a tick for each and Upload: part
// of the window that serves phones, so that templates reach them without the template editor.
// It shows UnitTemplateChoice, reads the unit again whenever its window becomes active, and
// reports the upload in the window's status bar.
class UnitTemplateList : public QGroupBox, private StatusSink {
    Q_OBJECT
public:
    // templateFolder: the unit's template folder as a folder of the PC, ending with "/".
    explicit UnitTemplateList(const QString& templateFolder, QWidget* parent = nullptr);

    UnitTemplateChoice& logic() { return m_logic; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void load();
    void showRows();
    void itemChanged(QTreeWidgetItem* item);
    void showStatus(const QString& text) override;
    void showBusy(bool busy) override;

    UnitTemplateChoice m_logic;
    QTreeWidget* m_list;
    QPushButton* m_upload;
    QWidget* m_watchedWindow = nullptr;
    WaitCursor m_waitCursor;
};
