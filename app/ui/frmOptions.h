#pragma once

#include "OptionsLogic.h"

#include <QDialog>
#include <QList>

class QFrame;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTabBar;

class frmOptions : public QDialog {
    Q_OBJECT
public:
    explicit frmOptions(QWidget* owner = nullptr);
    OptionsLogic& logic() { return m_logic; }

    void selectTab(int tabIndex);
    void applyEngine();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    struct Field {
        QLineEdit* edit;
        QString OptionsLogic::Fields::*member;
    };

    QLineEdit* addField(QFrame* frame, int row, const char* name, QString OptionsLogic::Fields::*member,
                        const char* browseName = nullptr);
    void addFields();
    void okClicked();
    void showFields();
    void leave(QLineEdit* edit);
    void browse(const QString& button);
    void showHint(QWidget* now);
    // Shows the tab that holds the control.
    void showFrameOf(QWidget* control);
    QLineEdit* field(const char* name) const;

    OptionsLogic m_logic;
    QTabBar* m_tabs;
    QList<QFrame*> m_frames;
    QList<Field> m_fields;
    QRadioButton* m_engine[2];
    QLabel* m_hint;
    bool m_closing = false;
};
