#include "DataEnvironment.h"
#include "ProgramSettings.h"
#include "ScriptedPrompter.h"
#include "Settings.h"
#include "Startup.h"
#include "TestFiles.h"
#include "UnitTemplateList.h"
#include "WebUnitWindows.h"
#include "WindowControls.h"

#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStyleOptionViewItem>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <memory>

// A PC without any handheld, from its first start to templates on the unit that phones read:
// the window "Phones and Tablets" lists the catalog's templates with what the unit holds and
// uploads the ticked ones.
class tst_UnitTemplateList : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_folder;

    QString home() const { return m_folder->path() + "/home/"; }

    static QByteArray cleaning() {
        return R"({"format": "kestrivo-template", "version": 1, "name": "Cleaning",
  "fields": [{"label": "Unit", "type": "Dropdown", "length": 20, "decimals": 0, "useOn": "Both", "forced": true,
              "footer": false, "groupField": true, "order": 1, "values": ["A-Shift", "B-Shift"]}],
  "fileNameFields": [0], "questions": [{"question": "Clean?", "order": 1, "answers": ["Yes", "No"], "pickList": []}]}
)";
    }

    static int cli(const QStringList& arguments) {
        QProcess process;
        process.start(qEnvironmentVariable("KESTRIVO_BINARY_DIR") + "/bin/kestrivo-cli", arguments);
        if (!process.waitForFinished(60000))
            return -1;
        return process.exitCode();
    }

    // A new user's first steps on the command line: a new program folder, then a template.
    void initAndImport() {
        QCOMPARE(cli({"init"}), 0);
        QFile document(m_folder->path() + "/cleaning.json");
        QVERIFY(document.open(QIODevice::WriteOnly));
        document.write(cleaning());
        document.close();
        QCOMPARE(cli({"template", "import", document.fileName()}), 0);
    }

    // The program starts as it does for the user, and the window opens from the Tools menu's route.
    static QWidget* openWindow() {
        if (Startup::prepareProgram(QCoreApplication::applicationDirPath(), [] {}) != 0)
            return nullptr;
        QWidget* window = createWebUnitWindow(nullptr);
        window->show();
        window->activateWindow();
        return QTest::qWaitForWindowActive(window) ? window : nullptr;
    }

    static QTreeWidget* list(QWidget* window) { return WindowControls::control<QTreeWidget>(window, "lstTemplates"); }

    static QStringList rows(QWidget* window) {
        QStringList shown;
        QTreeWidget* templates = list(window);
        for (int i = 0; i < templates->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = templates->topLevelItem(i);
            shown << item->text(0) + ": " + item->text(1) + (item->checkState(0) == Qt::Checked ? " [x]" : "");
        }
        return shown;
    }

    // A click on the tick box of a row, where the style draws it.
    static void clickTick(QWidget* window, int row) {
        QTreeWidget* templates = list(window);
        const QModelIndex index = templates->model()->index(row, 0);
        QStyleOptionViewItem option;
        option.initFrom(templates->viewport());
        option.rect = templates->visualRect(index);
        option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
        option.text = index.data().toString();
        const QRect tick =
            templates->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, templates);
        QTest::mouseClick(templates->viewport(), Qt::LeftButton, {}, tick.center());
    }

private Q_SLOTS:
    // Each test is a PC of its own, started for the first time.
    void init() {
        m_folder = std::make_unique<QTemporaryDir>();
        qputenv("KESTRIVO_HOME", QFile::encodeName(home()));
        qputenv("KESTRIVO_SETTINGS", QFile::encodeName(m_folder->path() + "/Kestrivo.ini"));
        programSettings() = ProgramSettings();
    }
    void cleanup() { DataEnvironment::instance().close(); }

    void aFreshPcSendsTemplatesToPhones() {
        initAndImport();
        ScriptedPrompter prompter;
        std::unique_ptr<QWidget> window(openWindow());
        QVERIFY(window);
        QCOMPARE(rows(window.get()), QStringList({"Cleaning: Not on the unit"}));

        prompter.answer(PromptAnswer::Ok);
        QTest::mouseClick(WindowControls::control<QPushButton>(window.get(), "cmdUpload"), Qt::LeftButton);
        QCOMPARE(prompter.last().text,
                 QString("No templates selected to upload, please tick the templates to send to the unit."));

        clickTick(window.get(), 0);
        QCOMPARE(rows(window.get()), QStringList({"Cleaning: Not on the unit [x]"}));
        prompter.answer(PromptAnswer::Ok);
        QTest::mouseClick(WindowControls::control<QPushButton>(window.get(), "cmdUpload"), Qt::LeftButton);
        QCOMPARE(prompter.pending(), 0);
        QCOMPARE(prompter.last().text, QString("Transfer Completed."));
        const QString onUnit = home() + "unit/My Documents/Nobrin/Templates/Cleaning.evt";
        QVERIFY(TestFiles::read(onUnit).startsWith("\"H\","));
        QCOMPARE(TestFiles::read(onUnit), TestFiles::read(home() + "data/Cleaning.evt"));
        QCOMPARE(rows(window.get()), QStringList({"Cleaning: On the unit, as in the catalog"}));
        QCOMPARE(WindowControls::control<QLabel>(window.get(), "StatusBar1Panel1")->text(),
                 UnitTemplateChoice::IdleStatus);

        // What happens to the unit behind the window shows when the user comes back to it.
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QVERIFY(QFile::remove(onUnit));
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTRY_COMPARE(rows(window.get()), QStringList({"Cleaning: Not on the unit"}));
        window->close();
    }
};

QTEST_MAIN(tst_UnitTemplateList)
#include "tst_unittemplatelist.moc"
