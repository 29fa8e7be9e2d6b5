#include "EulaLogic.h"

#include "Database.h"
#include "FieldText.h"
#include "ProgramSettings.h"
#include "Prompter.h"

#include <QFile>

QString EulaLogic::caption() {
    return QStringLiteral("EULA Agreement for Kestrivo");
}

bool EulaLogic::acceptanceRecorded(const Database& database) {
    const QVariant accepted = database.scalar(QStringLiteral("SELECT EULA FROM Control WHERE ControlKey=?"), {1});
    return !FieldText(accepted, 0, true).isEmpty();
}

bool EulaLogic::load() {
    QFile file(programSettings().AppPath + QStringLiteral("eula.txt"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        programPrompter().inform(QStringLiteral("Error Reading EULA File!"), QStringLiteral("Error"),
                                 PromptIcon::Critical);
        return false;
    }
    m_text = QString::fromUtf8(file.readAll());
    return true;
}

void EulaLogic::agree() {
    const QString user = programSettings().UserName;
    if (m_database.scalar(QStringLiteral("SELECT COUNT(*) FROM Control WHERE ControlKey=?"), {1}).toInt() == 0)
        m_database.execute(QStringLiteral("INSERT INTO Control (ControlKey, EULA) VALUES (?, ?)"), {1, user});
    else
        m_database.execute(QStringLiteral("UPDATE Control SET EULA=? WHERE ControlKey=?"), {user, 1});
}

void EulaLogic::disagree() {
    // Declining ends the program even when the clean-up below fails.
    m_declined = true;
    m_database.execute(QStringLiteral("DELETE FROM Code WHERE Code1=0 AND Code2=0"));
}
