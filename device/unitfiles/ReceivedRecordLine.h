#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// A line of the web unit's record of received evaluations: "id TAB digest TAB file name TAB
// staged file TAB check", the check being the start of the SHA-256 of what stands before it. A
// line of an earlier version, without the last two, counts as it is. The web unit writes the
// record; an import reads it to name the phone that sent a file.
struct ReceivedRecordLine {
    QString id;
    QByteArray digest; // SHA-256 of the file's bytes, in hexadecimal
    QString fileName;
    QString staged; // the staged file the evaluation was written into before it got its name

    // The line as it goes into the record, with its check and newline.
    QByteArray text() const;
    // The line of that text (without its newline); nothing when it is not whole.
    static std::optional<ReceivedRecordLine> parsed(const QByteArray& text);
};
