#include "EvaluationDownload.h"

#include "DataEnvironment.h"
#include "DeviceSession.h"
#include "EvaluationImporter.h"
#include "FileNames.h"
#include "ImportHistory.h"
#include "LogError.h"
#include "Prompter.h"
#include "StatusSink.h"

#include <QCoreApplication>
#include <QDir>

namespace {

constexpr int SkippedNamesShown = 20;
// An Add of this many files refreshes the server's statistics before the next report (about a
// second at 100,000 evaluations); a smaller one leaves that to the server's autovacuum.
constexpr qsizetype FilesWorthNewStatistics = 1000;

// Marks the logic busy for one action, so that a second click while the first is still
// waiting for the unit does not start another.
class BusyScope {
public:
    explicit BusyScope(bool& busy) : m_busy(busy) { m_busy = true; }
    ~BusyScope() { m_busy = false; }

private:
    bool& m_busy;
};

QString unitFolder() {
    return DataEnvironment::instance().rsCompanyParameter().DeviceEvaluationPath;
}

} // namespace

EvaluationDownload::EvaluationDownload(DeviceSession& session, StatusSink& status, QObject* parent)
    : QObject(parent), m_session(session), m_status(status), m_selection(&m_evaluations) {}

bool EvaluationDownload::ListUnitEvaluations() {
    if (m_busy)
        return false;
    BusyScope busy(m_busy);
    bool listed = false;
    guarded(QString(), [&] {
        struct Disconnect {
            DeviceSession& session;
            ~Disconnect() { session.DeviceDisconnect(); }
        } disconnect{m_session};

        if (!connectUnit())
            return;
        m_evaluations.setStringList({});
        m_status.showStatus(SearchingStatus);
        DeviceFileSearch search = m_session.FindDeviceFiles(unitFolder() + QStringLiteral("*"));
        if (!search.isOpen()) {
            if (m_session.lastDeviceError() == UnitError::NoMoreFiles) {
                // The empty folder has its own message; the 18 must not linger and turn up in
                // the outcome box of the next action.
                m_session.setLastDeviceError(UnitError::None);
                programPrompter().inform(QStringLiteral("No files found to download."), QStringLiteral("Download"),
                                         PromptIcon::Critical);
                listed = true;
            } else {
                m_session.ShowDeviceError();
            }
        } else {
            QStringList names{search.firstName()};
            QString name;
            while (search.nextName(name))
                names << name;
            search.close();
            m_evaluations.setStringList(names);
            // A listing that broke off shows what was found and says why it is incomplete.
            listed = m_session.lastDeviceError() == UnitError::None;
            if (!listed)
                m_session.ShowDeviceError();
        }
        m_session.DeviceDisconnect();
        Q_EMIT listFocusRequested();
    });
    return listed;
}

QStringList EvaluationDownload::selectedNames() const {
    QStringList names;
    const QStringList all = m_evaluations.stringList();
    for (int row = 0; row < all.size(); ++row) {
        if (m_selection.isRowSelected(row))
            names << all.at(row);
    }
    return names;
}

void EvaluationDownload::SelectAll() {
    const int rows = m_evaluations.rowCount();
    if (rows == 0)
        return;
    m_selection.select(QItemSelection(m_evaluations.index(0), m_evaluations.index(rows - 1)),
                       QItemSelectionModel::Select);
}

QStringList EvaluationDownload::select(const QStringList& names) {
    const QStringList all = m_evaluations.stringList();
    QStringList missing;
    for (const QString& name : names) {
        const qsizetype row = all.indexOf(name);
        if (row < 0)
            missing << name;
        else
            m_selection.select(m_evaluations.index(int(row)), QItemSelectionModel::Select);
    }
    return missing;
}

QString EvaluationDownload::skippedText(const QStringList& names) {
    QString text = QStringLiteral("Skipped as already imported (removed from the unit): ") +
                   names.mid(0, SkippedNamesShown).join(QStringLiteral(", "));
    if (names.size() > SkippedNamesShown)
        text += QStringLiteral(" and %1 more").arg(names.size() - SkippedNamesShown);
    return text;
}

bool EvaluationDownload::connectUnit() {
    m_status.showStatus(ConnectingStatus);
    if (m_session.DeviceConnect())
        return true;
    m_session.DeviceDisconnect();
    programPrompter().inform(m_session.notConnectedMessage(), DeviceSession::NotConnectedTitle, PromptIcon::Critical);
    m_status.showStatus(IdleStatus);
    return false;
}

bool EvaluationDownload::copyToPc(const QString& name, const QString& unitFolder, const QString& pcFolder) {
    if (!FileNames::isBareFileName(name)) {
        // A listed name with a folder part would reach outside the two folders: it is
        // refused as the unit refuses an invalid path, before anything is touched.
        m_session.setLastDeviceError(UnitError::InvalidParameter);
        m_session.setLastDeviceMessage(DeviceSession::CopyFailed);
    } else {
        m_session.CopyFileFromDevice(unitFolder + name, pcFolder + name);
    }
    return m_session.lastDeviceError() == UnitError::None;
}

bool EvaluationDownload::removeFromUnit(const QString& name, EvaluationImporter::Outcome outcome,
                                        const QString& unitFolder) {
    (outcome == EvaluationImporter::Outcome::Imported ? m_result.added : m_result.skipped) << name;
    if (!m_session.DeleteDeviceFile(unitFolder + name))
        return true;
    m_result.failed = name;
    return false;
}

void EvaluationDownload::addFiles(const QStringList& names) {
    const QString folder = unitFolder();
    EvaluationImporter importer(DataEnvironment::instance().cnnConnection(),
                                [this, folder](const QString& name, EvaluationImporter::Outcome outcome) {
                                    return removeFromUnit(name, outcome, folder);
                                });
    importer.setPhoneIds(ImportHistory::phoneIds(m_session.transport()));
    const QString pcFolder = EvaluationImporter::evaluationFolder();
    QDir().mkpath(pcFolder);
    for (int i = 0; i < names.size(); ++i) {
        const QString& name = names.at(i);
        m_status.showStatus(AddingStatus + name);
        m_status.showProgress(i + 1, int(names.size()));
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (!copyToPc(name, folder, pcFolder)) {
            m_session.ShowDeviceError();
            break;
        }
        // A file that cannot be read stops the run; the files before it still go in.
        if (!importer.add(name))
            break;
    }
    const QList<EvaluationImporter::Outcome> outcomes = importer.finish();
    if (outcomes.count(EvaluationImporter::Outcome::Imported) >= FilesWorthNewStatistics)
        DataEnvironment::instance().cnnConnection().refreshStatistics();
    if (!m_result.failed.isEmpty())
        return;
    for (qsizetype i = 0; i < outcomes.size(); ++i) {
        if (outcomes.at(i) == EvaluationImporter::Outcome::Failed ||
            outcomes.at(i) == EvaluationImporter::Outcome::NotAdded) {
            m_result.failed = names.at(i);
            return;
        }
    }
    // A file that could not be copied is the first not added.
    if (outcomes.size() < names.size())
        m_result.failed = names.at(outcomes.size());
}

bool EvaluationDownload::AddSelectedEvaluations() {
    if (m_busy)
        return false;
    BusyScope busy(m_busy);
    m_result = AddResult();
    const QStringList names = selectedNames();
    if (names.isEmpty()) {
        programPrompter().inform(QStringLiteral("No files selected to add, please select files to download."),
                                 QStringLiteral("Error"), PromptIcon::Critical);
        return false;
    }
    if (programPrompter().ask({QStringLiteral("Add selected files to database and delete from unit?"),
                               QStringLiteral("Verificiation"), PromptIcon::None, PromptButtons::YesNo,
                               PromptAnswer::Yes}) != PromptAnswer::Yes)
        return false;
    bool complete = false;
    guarded(QString(), [&] {
        struct Finish {
            DeviceSession& session;
            StatusSink& status;
            ~Finish() {
                session.DeviceDisconnect();
                status.showProgress(0, 0);
                status.showBusy(false);
            }
        } finish{m_session, m_status};

        if (!connectUnit())
            return;
        m_status.showBusy(true);
        addFiles(names);
        complete = m_result.failed.isEmpty();
        QString summary = complete ? AllCopied : NotAllAdded;
        if (!m_result.skipped.isEmpty())
            summary += QStringLiteral("\r\n") + skippedText(m_result.skipped);
        m_status.showBusy(false);
        m_session.setLastDeviceMessage(summary);
        m_session.ShowDeviceError();
        m_session.DeviceDisconnect();
        m_evaluations.setStringList({});
        m_status.showStatus(IdleStatus);
    });
    return complete;
}
