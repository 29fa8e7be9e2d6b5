#pragma once

#include "TemplateNames.h"

#include <QList>
#include <QString>

class DeviceSession;
class StatusSink;

// The Upload of the template editor: writes the template file into the PC data folder and
// copies it into the unit's template folder, then shows the outcome. Several templates go in
// one session with one outcome.
class TemplateUpload {
public:
    static inline const QString UploadingStatus = QStringLiteral("Uploading Template");
    // The help text of the editor's template list, shown again when the upload is over.
    static inline const QString IdleStatus = QStringLiteral("Select template to maintain / press add to add new");
    static inline const QString NameTitle = QStringLiteral("Template Name");

    // idleStatus is the text the status shows once the upload is over.
    TemplateUpload(DeviceSession& session, StatusSink& status, QString idleStatus = IdleStatus);

    // Run after the editor has saved its edits. True when the file reached the unit. The
    // device session is closed and the status reset on every path; unexpected failures go
    // to LogError.
    bool UploadTemplate(qint64 templateKey, const QString& templateName);
    // Every file is written on the PC before the first is copied, so a template that cannot
    // be written leaves the unit as it was; the copies stop at the first that fails. True
    // when every file reached the unit.
    bool UploadTemplates(const QList<TemplateName>& templates);

    // The message that refuses a template name that cannot be a file name, or empty text.
    static QString nameProblem(const QString& templateName);

private:
    // The PC path of the template's file, written anew. Throws KestrivoError.
    static QString writePcFile(const TemplateName& entry);

    DeviceSession& m_session;
    StatusSink& m_status;
    QString m_idleStatus;
};
