#include "AddTemplate.h"

#include "DataEnvironment.h"
#include "LogError.h"
#include "Prompter.h"
#include "TemplateRows.h"

QString AddTemplate::helpText(const QString& controlName) {
    if (controlName == QLatin1String("txtField"))
        return QStringLiteral("Enter template name");
    if (controlName == QLatin1String("cmdAdd"))
        return QStringLiteral("Press to add selected batch");
    if (controlName == QLatin1String("cmdAbort"))
        return QStringLiteral("Press to abort");
    return QString();
}

bool AddTemplate::Add(const QString& name) {
    if (name.isEmpty()) {
        programPrompter().inform(QStringLiteral("Valid template name must be entered!"), QStringLiteral("Error"),
                                 PromptIcon::Critical);
        return false;
    }
    if (name.size() > TemplateRows::NameLength) {
        programPrompter().inform(
            QStringLiteral("Valid template name must be entered! A name holds at most %1 characters.")
                .arg(TemplateRows::NameLength),
            QStringLiteral("Error"), PromptIcon::Critical);
        return false;
    }
    return guarded(QString(), [this, &name] {
        templateKey = TemplateRows::addTemplate(DataEnvironment::instance().cnnConnection(), name);
    });
}
