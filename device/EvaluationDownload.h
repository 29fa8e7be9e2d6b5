#pragma once

#include "EvaluationImporter.h"

#include <QItemSelectionModel>
#include <QObject>
#include <QStringList>
#include <QStringListModel>

class DeviceSession;
class StatusSink;

// The "Handheld" tab's work: Down lists the evaluation files on the unit, Add copies the
// selected ones to the PC, imports each and deletes it from the unit. The list and its
// selection live here; the window only shows them.
class EvaluationDownload : public QObject {
    Q_OBJECT
public:
    static inline const QString ConnectingStatus = QStringLiteral("Connecting to handheld device");
    static inline const QString IdleStatus = QStringLiteral("Press Download to look for evaluations");
    static inline const QString SearchingStatus = QStringLiteral("Searching for evaluation files");
    static inline const QString AddingStatus = QStringLiteral("Adding ");
    static inline const QString AllCopied = QStringLiteral("Selected files copied");
    static inline const QString NotAllAdded = QStringLiteral("Not all files added!");

    // What the last Add did, for callers that report it in their own words.
    struct AddResult {
        QStringList added;
        QStringList skipped; // already imported: removed from the unit, not added again
        QString failed;      // the file that stopped the run, if one did
    };

    EvaluationDownload(DeviceSession& session, StatusSink& status, QObject* parent = nullptr);

    QStringListModel* evaluations() { return &m_evaluations; }
    QItemSelectionModel* selection() { return &m_selection; }
    QStringList fileNames() const { return m_evaluations.stringList(); }

    // True when the unit's folder was searched to the end (also when it held no file).
    bool ListUnitEvaluations();
    // True when every selected file was added (or skipped as already imported).
    bool AddSelectedEvaluations();
    void SelectAll();
    // Selects the listed files of these names; returns the names that are not listed.
    QStringList select(const QStringList& names);
    const AddResult& lastAddResult() const { return m_result; }

Q_SIGNALS:
    // The list should get the focus (after a listing).
    void listFocusRequested();

private:
    QStringList selectedNames() const;
    // Connects to the unit; when it does not answer, tells the user and returns false.
    bool connectUnit();
    // Copies each file to the PC and adds it, up to the first that fails; the name of that
    // one is kept in the result.
    void addFiles(const QStringList& names);
    // Copies the listed file to the PC; false when the unit refused.
    bool copyToPc(const QString& name, const QString& unitFolder, const QString& pcFolder);
    // A file is removed from the unit once the catalog has it for good; false when the unit
    // refused, which stops the run.
    bool removeFromUnit(const QString& name, EvaluationImporter::Outcome outcome, const QString& unitFolder);
    static QString skippedText(const QStringList& names);

    DeviceSession& m_session;
    StatusSink& m_status;
    QStringListModel m_evaluations;
    QItemSelectionModel m_selection;
    AddResult m_result;
    bool m_busy = false;
};
