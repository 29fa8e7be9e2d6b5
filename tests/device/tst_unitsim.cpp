#include "EvaluationImporter.h"
#include "FileNames.h"
#include "HandheldFixture.h"
#include "KestrivoError.h"
#include "TemplateFileReader.h"
#include "TemplateFileWriter.h"
#include "TestDatabases.h"
#include "TestFiles.h"
#include "UnitSimulator.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The handheld's stand-in: what it reads from a template file and the evaluation files it
// writes, which the PC must import as they come.
class tst_UnitSim : public QObject {
    Q_OBJECT

    static QString failureOf(const QByteArray& bytes) {
        try {
            TemplateFileReader::read(bytes);
        } catch (const KestrivoError& error) {
            return error.description();
        }
        return QString();
    }

private Q_SLOTS:
    void cleaningAsTheEditorDoes() {
        QCOMPARE(FileNames::CleanFileName("A.B" + QString("x/y")), QString("ABxy"));
        QCOMPARE(FileNames::CleanFileName("`~!@#$%^&*()/?<>,.\\|"), QString());
        QCOMPARE(FileNames::CleanFileName(" North Depot 06/05/03: \"ok\" "), QString(" North Depot 060503: \"ok\" "));
    }

    void readsWhatThePcWrites() {
        HandheldFixture fixture(TestDatabases::freshConnectionString(DatabaseEngine::SQLite));
        const HandheldFixture::Audit audit = fixture.addAudit();
        const UnitTemplate unit = TemplateFileReader::read(TemplateFileWriter::write(fixture.db(), audit.templateKey));
        QCOMPARE(unit.templateKey, qint32(audit.templateKey));
        QCOMPARE(unit.fileNameFields, QList<qint32>({qint32(audit.shiftField)}));
        QCOMPARE(unit.fields.size(), 2);
        QVERIFY(unit.fields.first().group);
        QCOMPARE(unit.fields.first().values.size(), 2);
        QCOMPARE(unit.fields.first().values.at(1).text, QString("South"));
        QCOMPARE(unit.questions.size(), 1);
        QCOMPARE(unit.questions.first().answers, QStringList({"Yes", "No"}));
        QCOMPARE(unit.questions.first().pickLists.size(), 2);

        QVERIFY(failureOf("\"N\",4\r\n").contains("line 1: the file does not start with the \"H\" record"));
        QVERIFY(failureOf("\"H\",1\r\n\"X\",4\r\n").contains("line 2: \"X\" is not a template record"));
        QVERIFY(failureOf("\"H\",1\r\n\"F\",4,\"a\",0,20,0,0,0\r\n\"V\",\"x\",3").contains("line 3: a \"V\" record"));
        QVERIFY(failureOf("\"H\",1\r\n\"Q\",4\r\n").contains("line 2: the \"Q\" record has 2 items instead of 3"));
        QVERIFY(failureOf("").contains("holds no \"H\" record"));
    }

    void fillsEvaluationsThePcImports() {
        HandheldFixture fixture(TestDatabases::freshConnectionString(DatabaseEngine::SQLite));
        const HandheldFixture::Audit audit = fixture.addAudit();
        fixture.db().insert("TemplateFieldValue", {"TemplateFieldKey", "FieldValue"}, {audit.shiftField, "Ea.st/1"});
        TestFiles::write(fixture.unitTemplateFolder() + "Audit.evt",
                         TemplateFileWriter::write(fixture.db(), audit.templateKey));
        const UnitSimulator unit(fixture.unitRoot());
        const QStringList names = unit.fill("Audit.evt", 12, 7, 2);
        QCOMPARE(names.size(), 12);
        QCOMPARE(fixture.unitFiles().size(), 12);
        for (const QString& name : names) {
            const QString base = name.section('.', 0, 0).section('_', 0, 0);
            QVERIFY2(QStringList({"North", "South", "East1"}).contains(base), qPrintable(name));
            QVERIFY(name.endsWith(".txt"));
        }
        QVERIFY(names.contains("North_2.txt") || names.contains("South_2.txt"));

        EvaluationImporter importer(fixture.db());
        for (const QString& name : names)
            QCOMPARE(HandheldFixture::importPath(importer, fixture.unitEvaluationFolder() + name),
                     EvaluationImporter::Outcome::Imported);
        QCOMPARE(fixture.rows("Evaluation"), 12);
        QCOMPARE(fixture.rows("EvaluationField"), 24);
        QCOMPARE(fixture.rows("EvaluationPickList"), 24);
        // The group is the value chosen in the group field, and the name comes from it.
        QCOMPARE(fixture.db()
                     .scalar("SELECT COUNT(*) FROM Evaluation INNER JOIN EvaluationField ON Evaluation.EvaluationKey = "
                             "EvaluationField.EvaluationKey WHERE EvaluationField.TemplateFieldValueKey = "
                             "Evaluation.EvaluationGroupKey AND EvaluationField.TemplateFieldKey=?",
                             {audit.shiftField})
                     .toInt(),
                 12);
        QCOMPARE(
            fixture.db().scalar("SELECT COUNT(*) FROM EvaluationQuestion WHERE Answer NOT IN ('Yes', 'No')").toInt(),
            0);

        // The same seed draws the same values; only the handheld's own stamp differs.
        const UnitSimulator other(fixture.folder() + "other/");
        other.init();
        QDir().mkpath(other.templateFolderPath());
        QVERIFY(QFile::copy(fixture.unitTemplateFolder() + "Audit.evt", other.templateFolderPath() + "Audit.evt"));
        const QStringList again = other.fill("Audit.evt", 12, 7, 2);
        QCOMPARE(again, names);
        for (const QString& name : names) {
            const QByteArray mine = TestFiles::read(fixture.unitEvaluationFolder() + name);
            const QByteArray theirs = TestFiles::read(other.evaluationFolderPath() + name);
            QCOMPARE(mine.mid(mine.indexOf("\r\n")), theirs.mid(theirs.indexOf("\r\n")));
        }
    }

    void refusesWhatItCannotDo() {
        QTemporaryDir folder;
        const UnitSimulator unit(folder.path() + "/unit/");
        QVERIFY_THROWS_EXCEPTION(KestrivoError, unit.fill("Audit.evt", 1, 1));
        unit.init();
        QVERIFY(QDir(unit.templateFolderPath()).exists());
        QVERIFY(QDir(unit.evaluationFolderPath()).exists());
        QVERIFY_THROWS_EXCEPTION(KestrivoError, unit.fill("Missing.evt", 1, 1));
        QVERIFY_THROWS_EXCEPTION(KestrivoError, unit.fill("../Audit.evt", 1, 1));
        QVERIFY_THROWS_EXCEPTION(KestrivoError,
                                 UnitSimulator(folder.path(), "\\..\\Templates\\", "\\E\\").templateFolderPath());
    }
};

QTEST_GUILESS_MAIN(tst_UnitSim)
#include "tst_unitsim.moc"
