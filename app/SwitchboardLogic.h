#pragma once

#include <QList>
#include <QString>
#include <functional>

// The behaviour of the main window frmSwitchboard that does not need a screen: its caption,
// the button bar's items, the agreement check of the first activation and the error log.
class SwitchboardLogic {
public:
    struct NagMenuItem {
        QString caption;
        QString key;
        QString toolTip;
        QString largeImage;
    };

    static QString caption();
    static QString groupCaption() { return QStringLiteral("Entry"); }
    static QString groupToolTip() { return QStringLiteral("Entry Modules"); }
    static QList<NagMenuItem> nagMenuItems();
    static QStringList imageKeys();

    // True on the first call only, when the agreement has not been recorded yet.
    bool firstActivationNeedsAgreement();

    static QString errorLogPath();
    // Asks first; a missing log is not an error.
    void deleteErrorLog();

private:
    bool m_activated = false;
};

// Polls every 100 ms, processing window events in between, until isRunning says the
// started program (here: a viewer window) has ended.
void RunAndWait(const std::function<bool()>& isRunning);
