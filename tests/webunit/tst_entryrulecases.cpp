#include "EntryRules.h"
#include "EvaluationSubmission.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

// The table of entry cases that the phone's page is held to as well (tests/webunit/page): the
// server takes and refuses exactly what the table says, with the page's message at the field.
class tst_EntryRuleCases : public QObject {
    Q_OBJECT

    QJsonObject m_table;

    static QString textOf(const QJsonValue& value) {
        if (value.isString())
            return value.toString();
        const QJsonObject repeated = value.toObject();
        return repeated.value("repeat").toString().repeated(repeated.value("times").toInt());
    }

    static UnitTemplate::Field fieldOf(const QJsonObject& json, qint32 key) {
        UnitTemplate::Field field;
        field.key = key;
        field.label = json.value("label").toString();
        field.type = FieldType(json.value("type").toInt());
        field.length = json.value("length").toInt();
        field.forced = json.value("forced").toBool();
        for (const QJsonValue& value : json.value("values").toArray())
            field.values.append({value.toObject().value("text").toString(), value.toObject().value("key").toInt()});
        return field;
    }

    // A template of the group field (key 1) and the field of the case (key 2).
    static UnitTemplate templateWith(const UnitTemplate::Field& field) {
        UnitTemplate unit;
        unit.templateKey = 5;
        UnitTemplate::Field group;
        group.key = 1;
        group.label = QStringLiteral("Site");
        group.type = FieldType::Dropdown;
        group.group = true;
        group.values.append({QStringLiteral("North"), 7});
        unit.fields << group << field;
        return unit;
    }

private Q_SLOTS:
    void initTestCase() {
        QFile file(qEnvironmentVariable("KESTRIVO_SOURCE_DIR") + "/tests/entry-rules-cases.json");
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
        m_table = QJsonDocument::fromJson(file.readAll()).object();
        QVERIFY(m_table.value("cases").toArray().size() > 50);
    }

    void theServerSendsTheLimitsOfTheTable() {
        const QJsonObject fields = m_table.value("fields").toObject();
        for (auto field = fields.begin(); field != fields.end(); ++field) {
            const QJsonObject json = field.value().toObject();
            QCOMPARE(EvaluationSubmission::entryField(fieldOf(json, 2)).maximumLength, json.value("maxLength").toInt());
            // The page knows a field's type by this name alone.
            QCOMPARE(json.value("kind").toString(), fieldTypeName(FieldType(json.value("type").toInt())));
        }
    }

    void cases_data() {
        QTest::addColumn<QJsonObject>("entry");
        int row = 0;
        for (const QJsonValue& entry : m_table.value("cases").toArray()) {
            const QJsonObject object = entry.toObject();
            QTest::addRow("%d %s", ++row, qPrintable(object.value("field").toString())) << object;
        }
    }

    void cases() {
        QFETCH(QJsonObject, entry);
        const QJsonObject json = m_table.value("fields").toObject().value(entry.value("field").toString()).toObject();
        const UnitTemplate::Field field = fieldOf(json, 2);
        const bool choice = entry.contains("valueKey");
        const QJsonObject given = choice ? QJsonObject{{"key", 2}, {"valueKey", entry.value("valueKey")}}
                                         : QJsonObject{{"key", 2}, {"value", textOf(entry.value("entry"))}};
        const QJsonObject body{{"id", "0123456789abcdef"},
                               {"saved", "2024-05-06 14:03:11"},
                               {"template", "Case.evt"},
                               {"fields", QJsonArray{QJsonObject{{"key", 1}, {"valueKey", 7}}, given}},
                               {"questions", QJsonArray{}}};
        EvaluationSubmission submission(QJsonDocument(body).toJson());
        const bool taken = submission.check(templateWith(field));
        const QString refusal = entry.value("refusal").toString();
        if (refusal.isEmpty()) {
            QVERIFY2(taken, qPrintable(submission.refusal()));
            QCOMPARE(submission.evaluation().fields.at(1).value, textOf(entry.value("stored")));
            return;
        }
        QVERIFY(!taken);
        QCOMPARE(submission.refusedField(), std::optional<qint32>(2));
        QVERIFY(!submission.templateChanged());
        // The refusal of the whole evaluation names the field where the message at the field does not.
        const QString message = entry.value("message").toString();
        const bool named = refusal == "numeric" || refusal == "date";
        QCOMPARE(submission.refusal(), named ? field.label + ": " + message : message);
        if (choice || refusal == "character")
            return;
        const EntryRules::EntryCheck checked =
            EntryRules::checkEntry(EvaluationSubmission::entryField(field), textOf(entry.value("entry")));
        QCOMPARE(checked.message, message);
    }
};

QTEST_GUILESS_MAIN(tst_EntryRuleCases)
#include "tst_entryrulecases.moc"
