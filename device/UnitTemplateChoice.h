#pragma once

#include "TemplateNames.h"

#include <QList>
#include <QString>

class DeviceSession;
class StatusSink;

// The catalog's templates with what the unit's template folder holds of each, for the user to
// tick the ones to upload in one go, without opening each in the template editor first.
//
// A template file carries no date and no version, so whether the unit's copy is older than the
// catalog cannot be told. What can be told is whose file it is (its first record names the
// template by key) and whether it is exactly what an upload would write now.
class UnitTemplateChoice {
public:
    enum class OnUnit {
        Current,       // byte for byte what an upload would write now
        Differs,       // this template's file, but an upload would change it (or it cannot be read)
        OtherTemplate, // the file of another template of the same name
        Missing,       // no file of this name
    };
    struct Row {
        qint64 key = 0;
        QString name;
        OnUnit onUnit = OnUnit::Missing;
        bool ticked = false;
    };

    // Short, as the window's status bar takes the width of its text.
    static inline const QString IdleStatus = QStringLiteral("Tick the templates for the phones, then press Upload");

    // templateFolder: the unit's template folder as a folder of the PC, ending with "/".
    UnitTemplateChoice(QString templateFolder, DeviceSession& session);

    // Reads the templates of the catalog and the files of the unit again; the ticks stay on the
    // templates that are still there. No catalog open, no templates. Throws KestrivoError.
    void load();
    const QList<Row>& rows() const { return m_rows; }
    void setTicked(qsizetype row, bool ticked);
    static QString onUnitText(OnUnit onUnit);

    // Uploads the ticked templates and shows the outcome, then reads the unit again: a ticked
    // template that is now on the unit as in the catalog loses its tick, one that did not get
    // there keeps it. True when every ticked template reached the unit.
    bool upload(StatusSink& status);

private:
    OnUnit onUnit(const TemplateName& entry) const;

    QString m_templateFolder;
    DeviceSession& m_session;
    QList<Row> m_rows;
};
