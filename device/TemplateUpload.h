#pragma once

#include <QString>

class DeviceSession;
class StatusSink;

// The Upload of the template editor: writes the template file into the PC data folder and
// copies it into the unit's template folder, then shows the outcome.
class TemplateUpload {
public:
    static inline const QString UploadingStatus = QStringLiteral("Uploading Template");
    // The help text of the editor's template list, shown again when the upload is over.
    static inline const QString IdleStatus = QStringLiteral("Select template to maintain / press add to add new");
    static inline const QString NameTitle = QStringLiteral("Template Name");

    TemplateUpload(DeviceSession& session, StatusSink& status);

    // Run after the editor has saved its edits. True when the file reached the unit. The
    // device session is closed and the status reset on every path; unexpected failures go
    // to LogError.
    bool UploadTemplate(qint64 templateKey, const QString& templateName);

    // The message that refuses a template name that cannot be a file name, or empty text.
    static QString nameProblem(const QString& templateName);

private:
    DeviceSession& m_session;
    StatusSink& m_status;
};
