#pragma once

#include "WebUnitFolders.h"

#include <QByteArray>
#include <QJsonObject>
#include <QStringList>
#include <QTemporaryDir>

// An emulated unit for the web unit's tests: a template "Audit" in its template folder and an
// empty evaluation folder, and evaluations as a phone sends them.
//
// Audit (key 12): the file name is Site then Inspected. Fields: Site 40 (dropdown, forced,
// group: North Depot 7, South Depot 8), Inspector 41 (text of 10, forced), Inspected 42 (date
// of 8), Staff 43 (numeric of 3). Questions: "Clean?" 90 (Yes, No; pick list Floor 300, Wall
// 301) and "Notes" 91.
class WebUnitFixture {
public:
    static inline const QString Token = QStringLiteral("00112233445566778899aabbccddeeff");

    WebUnitFixture();

    const WebUnitFolders& folders() const { return m_folders; }
    // The unit folder, ending with "/".
    QString root() const { return m_folder.path() + QLatin1Char('/'); }
    void putTemplate(const QString& file, const QByteArray& bytes) const;
    static QByteArray auditTemplate();

    // A complete, valid evaluation of Audit with this id.
    static QJsonObject evaluation(const QString& id = QStringLiteral("0123456789abcdef0123456789abcdef"));
    static QByteArray body(const QJsonObject& evaluation);
    // The same evaluation with one field's or question's member replaced.
    static QJsonObject withField(QJsonObject evaluation, int key, const QString& member, const QJsonValue& value);
    static QJsonObject withQuestion(QJsonObject evaluation, int key, const QString& member, const QJsonValue& value);

    // The files of the evaluation folder, hidden ones included, by name.
    QStringList evaluationFiles() const;
    QByteArray evaluationFile(const QString& name) const;

    // A company's own self-signed RSA certificate for localhost and its key, written as
    // "unit.crt" and "unit.key" into the folder; false when openssl failed.
    static bool companyCertificate(const QTemporaryDir& folder, QString& certificate, QString& key);

private:
    QTemporaryDir m_folder;
    WebUnitFolders m_folders;
};
