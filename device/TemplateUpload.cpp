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

TemplateUpload::TemplateUpload(DeviceSession& session, StatusSink& status) : m_session(session), m_status(status) {}

QString TemplateUpload::nameProblem(const QString& templateName) {
    if (FileNames::isPortableFileName(templateName))
        return QString();
    return QStringLiteral("The template \"%1\" cannot be uploaded: its name is used as the file name on the PC and "
                          "on the unit. Give it a name that is not empty, not \".\" or \"..\", and has no / \\ : * ? "
                          "\" < > | or control characters.")
        .arg(templateName);
}

bool TemplateUpload::UploadTemplate(qint64 templateKey, const QString& templateName) {
    const QString problem = nameProblem(templateName);
    if (!problem.isEmpty()) {
        programPrompter().inform(problem, NameTitle, PromptIcon::Critical);
        return false;
    }
    bool uploaded = false;
    guarded(QString(), [&] {
        struct Finish {
            TemplateUpload& upload;
            ~Finish() {
                upload.m_session.DeviceDisconnect();
                upload.m_status.showStatus(IdleStatus);
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

        QByteArray bytes;
        try {
            bytes = TemplateFileWriter::write(DataEnvironment::instance().cnnConnection(), templateKey);
        } catch (const KestrivoError& error) {
            throw KestrivoError(
                error.number(),
                QStringLiteral("The template \"%1\" was not uploaded. %2").arg(templateName, error.description()),
                error.source());
        }
        const QString fileName = templateName + QStringLiteral(".evt");
        const QString pcPath = programSettings().DataPath + fileName;
        QSaveFile file(pcPath);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
            throw KestrivoError(
                75, QStringLiteral("The template file %1 cannot be written: %2").arg(pcPath, file.errorString()));

        m_session.CopyFileToDevice(pcPath,
                                   DataEnvironment::instance().rsCompanyParameter().DeviceTemplatePath + fileName);
        uploaded = m_session.lastDeviceError() == 0 && m_session.lastDeviceMessage() == DeviceSession::UploadCompleted;
        m_session.ShowDeviceError();
    });
    return uploaded;
}
