#pragma once

#include "ReceivedEvaluations.h"
#include "WebUnitFolders.h"

#include <QByteArray>
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
    // before; 400 when the evaluation is refused, 409 when its id came before with other answers.
    Reply receive(const QByteArray& body);

    static Reply refusal(int status, const QString& message);

private:
    const WebUnitFolders m_folders;
    ReceivedEvaluations m_received;
};
