#pragma once

#include "CatalogBackupLogic.h"
#include "WaitCursor.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

// Tools > "Back up catalog…": the file of the backup, a progress bar while it is written and
// what came of it. The work is CatalogBackupLogic's; this window shows it.
class frmCatalogBackup : public QDialog {
    Q_OBJECT
public:
    explicit frmCatalogBackup(QWidget* owner = nullptr);
    CatalogBackupLogic& logic() { return m_logic; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void browse();
    void showBusy(bool busy);

    CatalogBackupLogic m_logic;
    QLineEdit* m_file;
    QPushButton* m_browse;
    QPushButton* m_backUp;
    QPushButton* m_close;
    QProgressBar* m_progress;
    QLabel* m_status;
    QLabel* m_hint;
    WaitCursor m_waitCursor;
};
