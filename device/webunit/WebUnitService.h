#pragma once

#include "ReceivedEvaluations.h"
#include "UnitTemplate.h"
#include "WebUnitFolders.h"

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QMutex>
#include <QString>

// What the web unit's HTTP interface answers, without the HTTP: the templates of the unit, one
// template for a phone to fill in, and an evaluation received. Every answer is JSON; a refusal
// is {"error": message for the phone's user}. Thread-safe.
class WebUnitService {
public:
    struct Reply {
        int status = 200;
        QByteArray body;
        QString storedFile; // a new evaluation file was written under this name
    };

    explicit WebUnitService(const WebUnitFolders& folders);

    // {"templates": [{"file", "name", "problem"}]}, by name.
    Reply templates() const;
    // The template file as a phone fills it in (see templateJson), or 400.
    Reply templateFile(const QString& file) const;
    // 201 {"fileName"} for a new file, 200 {"fileName", "alreadyReceived": true} for one sent
    // before; 400 when the evaluation is refused (see refusal), 409 when its id came before with
    // other answers.
    Reply receive(const QByteArray& body);

    // {"error": message} and the details: where the refusal points ("field", "question": keys of
    // the template as the unit holds it now) and whether the template changed under the evaluation
    // ("templateChanged", with the template's "version" now).
    static Reply refusal(int status, const QString& message, QJsonObject details = {});

private:
    struct Parsed {
        QByteArray version; // what identifies the file's content on the disk
        QByteArray bytes;
        UnitTemplate unit;
        QString problem; // why the file is no template; empty when it is one
    };

    // The template file as read and parsed, once for each version of the file.
    Parsed parsed(const QString& file) const;

    const WebUnitFolders m_folders;
    ReceivedEvaluations m_received;
    mutable QMutex m_mutex;
    mutable QHash<QString, Parsed> m_templates;
};
