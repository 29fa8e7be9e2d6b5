#include "TemplateUpload.h"

#include "DataEnvironment.h"
#include "DeviceSession.h"
#include "FileNames.h"
#include "KestrivoError.h"
#include "LogError.h"
#include "ProgramSettings.h"
#include "Prompter.h"
#include "StatusSink.h"
#include "TemplateFileWriter.h"

#include <QSaveFile>

TemplateUpload::TemplateUpload(DeviceSession& session, StatusSink& status, QString idleStatus)
    : m_session(session), m_status(status), m_idleStatus(std::move(idleStatus)) {}

QString TemplateUpload::nameProblem(const QString& templateName) {
    if (FileNames::isPortableFileName(templateName))
        return QString();
    return QStringLiteral("The template \"%1\" cannot be uploaded: its name is used as the file name on the PC and "
                          "on the unit. Give it a name that is not empty, not \".\" or \"..\", and has no / \\ : * ? "
                          "\" < > | or control characters.")
        .arg(templateName);
}

bool TemplateUpload::UploadTemplate(qint64 templateKey, const QString& templateName) {
    return UploadTemplates({{templateKey, templateName}});
}

QString TemplateUpload::writePcFile(const TemplateName& entry) {
    QByteArray bytes;
    try {
        bytes = TemplateFileWriter::write(DataEnvironment::instance().cnnConnection(), entry.key);
    } catch (const KestrivoError& error) {
        throw KestrivoError(
            error.number(),
            QStringLiteral("The template \"%1\" was not uploaded. %2").arg(entry.name, error.description()),
            error.source());
    }
    const QString pcPath = programSettings().DataPath + entry.name + QStringLiteral(".evt");
    QSaveFile file(pcPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw KestrivoError(
            ErrorNumber::FileAccess,
            QStringLiteral("The template file %1 cannot be written: %2").arg(pcPath, file.errorString()));
    return pcPath;
}

bool TemplateUpload::UploadTemplates(const QList<TemplateName>& templates) {
    if (templates.isEmpty())
        return false;
    for (const TemplateName& entry : templates) {
        const QString problem = nameProblem(entry.name);
        if (!problem.isEmpty()) {
            programPrompter().inform(problem, NameTitle, PromptIcon::Critical);
            return false;
        }
    }
    bool uploaded = false;
    guarded(QString(), [&] {
        struct Finish {
            TemplateUpload& upload;
            ~Finish() {
                upload.m_session.DeviceDisconnect();
                upload.m_status.showProgress(0, 0);
                upload.m_status.showStatus(upload.m_idleStatus);
                upload.m_status.showBusy(false);
            }
        } finish{*this};

        if (!m_session.DeviceConnect()) {
            programPrompter().inform(m_session.notConnectedMessage(), DeviceSession::NotConnectedTitle,
                                     PromptIcon::Critical);
            return;
        }
        m_status.showStatus(UploadingStatus);
        m_status.showBusy(true);

        QStringList pcPaths;
        for (const TemplateName& entry : templates)
            pcPaths << writePcFile(entry);
        const QString unitFolder = DataEnvironment::instance().rsCompanyParameter().DeviceTemplatePath;
        int copied = 0;
        for (const TemplateName& entry : templates) {
            if (templates.size() > 1)
                m_status.showProgress(copied + 1, int(templates.size()));
            m_session.CopyFileToDevice(pcPaths.at(copied), unitFolder + entry.name + QStringLiteral(".evt"));
            if (m_session.lastDeviceError() != 0 || m_session.lastDeviceMessage() != DeviceSession::UploadCompleted)
                break;
            ++copied;
        }
        uploaded = copied == templates.size();
        m_session.ShowDeviceError();
    });
    return uploaded;
}
