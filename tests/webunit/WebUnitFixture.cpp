#include "WebUnitFixture.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>

WebUnitFixture::WebUnitFixture()
    : m_folders(WebUnitFolders::forUnit(m_folder.path(), QStringLiteral("\\Nobrin\\Templates\\"),
                                        QStringLiteral("\\Nobrin\\Evaluations\\"))) {
    m_folders.create();
    putTemplate(QStringLiteral("Audit.evt"), auditTemplate());
}

QByteArray WebUnitFixture::auditTemplate() {
    return "\"H\",12\r\n\"N\",40\r\n\"N\",42\r\n"
           "\"F\",40,\"Site\",2,20,2,-1,-1\r\n\"V\",\"North Depot\",7\r\n\"V\",\"South Depot\",8\r\n"
           "\"F\",41,\"Inspector\",0,10,0,-1,0\r\n\"F\",42,\"Inspected\",3,8,0,0,0\r\n\"F\",43,\"Staff\",1,3,0,0,0\r\n"
           "\"Q\",90,\"Clean?\"\r\n\"A\",\"Yes\"\r\n\"A\",\"No\"\r\n\"P\",300,\"Floor\"\r\n\"P\",301,\"Wall\"\r\n"
           "\"Q\",91,\"Notes\"\r\n";
}

void WebUnitFixture::putTemplate(const QString& file, const QByteArray& bytes) const {
    QFile out(m_folders.templates + file);
    if (out.open(QIODevice::WriteOnly))
        out.write(bytes);
}

QJsonObject WebUnitFixture::evaluation(const QString& id) {
    return {{"id", id},
            {"saved", "2024-05-06 14:03:11"},
            {"template", "Audit.evt"},
            {"fields",
             QJsonArray{QJsonObject{{"key", 40}, {"valueKey", 7}}, QJsonObject{{"key", 41}, {"value", "Ann"}},
                        QJsonObject{{"key", 42}, {"value", "05/06/24"}}, QJsonObject{{"key", 43}, {"value", "12"}}}},
            {"questions",
             QJsonArray{QJsonObject{{"key", 90}, {"answer", "Yes"}, {"tbc", false}, {"ticked", QJsonArray{301, 300}}},
                        QJsonObject{{"key", 91},
                                    {"answer", QString::fromUtf8("Café à 5 €")},
                                    {"tbc", true},
                                    {"ticked", QJsonArray{}}}}}};
}

QByteArray WebUnitFixture::body(const QJsonObject& evaluation) {
    return QJsonDocument(evaluation).toJson(QJsonDocument::Compact);
}

namespace {

QJsonObject replaced(QJsonObject evaluation, const QString& list, int key, const QString& member,
                     const QJsonValue& value) {
    QJsonArray items = evaluation.value(list).toArray();
    for (qsizetype i = 0; i < items.size(); ++i) {
        QJsonObject item = items.at(i).toObject();
        if (item.value(QStringLiteral("key")).toInt() != key)
            continue;
        if (value.isUndefined())
            item.remove(member);
        else
            item.insert(member, value);
        items.replace(i, item);
    }
    evaluation.insert(list, items);
    return evaluation;
}

} // namespace

QJsonObject WebUnitFixture::withField(QJsonObject evaluation, int key, const QString& member, const QJsonValue& value) {
    return replaced(std::move(evaluation), QStringLiteral("fields"), key, member, value);
}

QJsonObject WebUnitFixture::withQuestion(QJsonObject evaluation, int key, const QString& member,
                                         const QJsonValue& value) {
    return replaced(std::move(evaluation), QStringLiteral("questions"), key, member, value);
}

QStringList WebUnitFixture::evaluationFiles() const {
    return QDir(m_folders.evaluations).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

QByteArray WebUnitFixture::evaluationFile(const QString& name) const {
    QFile file(m_folders.evaluations + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WebUnitFixture::companyCertificate(const QTemporaryDir& folder, QString& certificate, QString& key) {
    certificate = folder.filePath(QStringLiteral("unit.crt"));
    key = folder.filePath(QStringLiteral("unit.key"));
    return QProcess::execute(QStringLiteral("openssl"),
                             {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1", "-subj", "/CN=localhost",
                              "-keyout", key, "-out", certificate}) == 0;
}
