#include "EvaluationFileParser.h"
#include "UnitSimulator.h"
#include "WebUnitFixture.h"
#include "WebUnitService.h"
#include "Windows1252.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

// The files a phone's evaluations become: byte for byte what the handheld (and its stand-in, the
// unit simulator) writes for the same answers, so Down and Add import them like any other.
class tst_WebUnitFiles : public QObject {
    Q_OBJECT

    static QString received(WebUnitService& service, const QJsonObject& evaluation) {
        const WebUnitService::Reply reply = service.receive(WebUnitFixture::body(evaluation));
        return QJsonDocument::fromJson(reply.body).object().value("fileName").toString();
    }

    // The handheld's own first item of the file, which the PC drops.
    static QByteArray stampOf(const QByteArray& file) {
        const QByteArray first = file.left(file.indexOf("\r\n"));
        return first.mid(7, first.indexOf("\",", 7) - 7);
    }

    // What a phone would send for the answers of an evaluation file of Audit.
    static QJsonObject phoneEvaluation(const QByteArray& file, const QString& id) {
        const EvaluationFileContent content = EvaluationFileParser::parse(file);
        QJsonArray fields, questions;
        for (const EvaluationFileContent::Field& field : content.evaluations.first().fields) {
            if (field.templateFieldKey == 40)
                fields << QJsonObject{{"key", 40}, {"valueKey", field.templateFieldValueKey}};
            else
                fields << QJsonObject{{"key", field.templateFieldKey}, {"value", field.enteredValue.toString()}};
        }
        for (qsizetype i = 0; i < content.questions.size(); ++i) {
            QJsonArray ticked;
            for (const EvaluationFileContent::PickList& pick : content.pickLists) {
                if (pick.question == i)
                    ticked << pick.templatePickListKey;
            }
            const EvaluationFileContent::Question& question = content.questions.at(i);
            questions << QJsonObject{{"key", question.templateQuestionKey},
                                     {"answer", question.answer.toString()},
                                     {"tbc", question.tbcCheck != 0},
                                     {"ticked", ticked}};
        }
        return {{"id", id},
                {"saved", "2024-05-06 14:03:11"},
                {"template", "Audit.evt"},
                {"fields", fields},
                {"questions", questions}};
    }

private Q_SLOTS:
    void writesTheHandheldsFormat() {
        WebUnitFixture unit;
        WebUnitService service(unit.folders());
        const QString name = received(service, WebUnitFixture::evaluation());
        QCOMPARE(name, QString("North Depot050624.txt"));
        bool ok = false;
        const QByteArray expected = Windows1252::encode(
            QString::fromUtf8("\"*H*\",\"2024-05-06 14:03:11 #0123456789abcdef0123456789abcdef\",12,7\r\n"
                              "\"*F*\",40,\"North Depot\",7\r\n"
                              "\"*F*\",41,\"Ann\",0\r\n"
                              "\"*F*\",42,\"05/06/24\",0\r\n"
                              "\"*F*\",43,\"12\",0\r\n"
                              "\"*Q*\",90,\"Yes\",0\r\n"
                              "\"*P*\",300\r\n"
                              "\"*P*\",301\r\n"
                              "\"*Q*\",91,\"Café à 5 €\",1\r\n"),
            &ok);
        QVERIFY(ok);
        QCOMPARE(unit.evaluationFile(name), expected);
        // The record of received evaluations lies outside the folder that Down lists.
        QCOMPARE(unit.evaluationFiles(), QStringList({name}));
    }

    void sameBytesAsTheUnitSimulator() {
        WebUnitFixture simulated, served;
        const UnitSimulator simulator(simulated.root(), QStringLiteral("\\Nobrin\\Templates\\"),
                                      QStringLiteral("\\Nobrin\\Evaluations\\"));
        WebUnitService service(served.folders());
        const QStringList filled = simulator.fill(QStringLiteral("Audit.evt"), 12, 20240506);
        for (qsizetype i = 0; i < filled.size(); ++i) {
            const QByteArray bytes = simulated.evaluationFile(filled.at(i));
            const QString id = QStringLiteral("simulated-%1").arg(i);
            const QString name = received(service, phoneEvaluation(bytes, id));
            QVERIFY2(!name.isEmpty(), qPrintable(filled.at(i)));
            QCOMPARE(name, filled.at(i));
            QByteArray written = served.evaluationFile(name);
            written.replace("2024-05-06 14:03:11 #" + id.toLatin1(), stampOf(bytes));
            QCOMPARE(written, bytes);
        }
    }
};

QTEST_GUILESS_MAIN(tst_WebUnitFiles)
#include "tst_webunitfiles.moc"
