#include "BoundGridView.h"
#include "GridInput.h"
#include "HandheldFixture.h"
#include "ProgramSettings.h"
#include "ScriptedPrompter.h"
#include "TemplateRows.h"
#include "TestDatabases.h"
#include "WindowControls.h"
#include "WindowInput.h"
#include "frmAddTemplate.h"
#include "frmTemplateMaintenance.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>

// The template window driven as a user drives it, by the controls' names.
class tst_TemplateWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<ScriptedPrompter> m_prompter;
    std::unique_ptr<HandheldFixture> m_fixture;
    std::unique_ptr<frmTemplateMaintenance> m_window;
    QList<qint64> m_printed;

    template <typename T> T* control(const char* name) { return WindowControls::control<T>(m_window.get(), name); }
    BoundGridView* grid(const char* name) { return control<BoundGridView>(name); }
    QAction* button(const char* key) { return WindowControls::toolbarAction(m_window.get(), key); }
    QString status() { return control<QLabel>("StatusBar1Panel1")->text(); }
    const Database& db() { return m_fixture->db(); }
    void screenshot(const QString& name) {
        const QString folder = qEnvironmentVariable("KESTRIVO_SCREENSHOT_DIR");
        if (!folder.isEmpty())
            m_window->grab().save(folder + '/' + name + ".png");
    }
    void dropRow(BoundGridView* view, int source, int target) {
        view->setCurrentIndex(view->model()->index(source, 2));
        std::unique_ptr<QMimeData> data(view->model()->mimeData({view->currentIndex()}));
        const QPoint at = view->visualRect(view->model()->index(target, 2)).center();
        QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, {});
        // A drop is only taken after the drag has entered and moved over the grid.
        QSignalSpy dropped(view, &BoundGridView::rowDropped);
        QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, {});
        QApplication::sendEvent(view->viewport(), &enter);
        QDragMoveEvent move(at, Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, {});
        QApplication::sendEvent(view->viewport(), &move);
        QApplication::sendEvent(view->viewport(), &drop);
        QCOMPARE(dropped.size(), 1);
    }

private Q_SLOTS:
    void init() {
        m_prompter = std::make_unique<ScriptedPrompter>();
        m_fixture = std::make_unique<HandheldFixture>(TestDatabases::freshConnectionString(DatabaseEngine::SQLite));
        programSettings().LayoutPath = QString::fromLocal8Bit(qgetenv("KESTRIVO_SOURCE_DIR")) + "/app/grid/layouts/";
        const qint64 key = TemplateRows::addTemplate(db(), "Audit");
        db().insert("TemplateField", {"TemplateKey", "FieldLabel", "Sequence"}, {key, "Site", 2});
        db().insert("TemplateField", {"TemplateKey", "FieldLabel", "FieldType", "Sequence"}, {key, "Count", 1, 3});
        m_window = std::make_unique<frmTemplateMaintenance>(m_fixture->session(),
                                                            [this](QWidget*, qint64 key) { m_printed << key; });
        m_window->show();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }
    void cleanup() {
        m_window.reset();
        m_fixture.reset();
        m_prompter.reset();
    }

    void opensOnTheFirstTemplate() {
        QCOMPARE(m_window->windowTitle(), QString("Template Maintenance"));
        QCOMPARE(control<QComboBox>("cmbTemplate")->currentText(), QString("Audit"));
        QCOMPARE(control<QLineEdit>("txtField")->text(), QString("Audit"));
        auto* tabs = control<QTabWidget>("TabStrip");
        QCOMPARE(tabs->tabText(0), QString("Entry Fields"));
        QCOMPARE(tabs->tabText(1), QString("Questions"));
        QCOMPARE(tabs->tabText(2), QString("File Name"));
        QStringList keys;
        for (QAction* action : control<QToolBar>("Toolbar1")->actions()) {
            if (!action->isSeparator())
                keys << action->objectName();
        }
        QCOMPARE(keys, QStringList({"Exit", "Add", "Remove", "RemoveQuestion", "RemoveAnswer", "RemoveList", "Upload",
                                    "Print"}));
        BoundGridView* fields = grid("jgEntryField");
        QCOMPARE(fields->model()->rowCount(), 4); // three fields and the new row
        QVERIFY(fields->isColumnHidden(0));
        QVERIFY(!fields->isColumnHidden(2));
        QCOMPARE(fields->model()->headerData(6, Qt::Horizontal, Qt::ToolTipRole).toString(), QString("Display Where"));
        control<QComboBox>("cmbTemplate")->setFocus();
        QTRY_COMPARE(status(), QString("Select template to maintain / press add to add new"));
        QVERIFY(button("Print")->isEnabled());
        screenshot("template-entry-fields");
    }

    // A row typed into the grid is in the database once the user leaves it.
    void typeARowAndLeaveIt() {
        BoundGridView* fields = grid("jgEntryField");
        GridInput::typeInto(fields, 3, 2, "Inspector");
        QTRY_VERIFY(QApplication::focusWidget() == fields);
        QCOMPARE(db().scalar("SELECT COUNT(*) FROM TemplateField WHERE FieldLabel='Inspector'").toInt(), 0);
        control<QLineEdit>("txtField")->setFocus();
        QTRY_COMPARE(db().scalar("SELECT Sequence FROM TemplateField WHERE FieldLabel='Inspector'").toInt(), 4);
        QTRY_COMPARE(status(), QString("Enter template name"));
        QVERIFY(!button("Remove")->isEnabled());
    }

    // A click into the dropdown values of a text field leaves the typing that follows with
    // that grid, which takes none and says why: the field keeps its name.
    void valuesOfATextField() {
        BoundGridView* fields = grid("jgEntryField");
        BoundGridView* values = grid("jgFieldValue");
        GridInput::clickCell(fields, 1, 2);
        QTRY_VERIFY(fields->hasFocus());
        QTest::mouseClick(values->viewport(), Qt::LeftButton, {}, QPoint(20, 8));
        QTRY_VERIFY(values->hasFocus());
        QCOMPARE(status(), QString("Only Dropdown fields have values; \"Site\" is a Text field."));
        QCOMPARE(values->model()->rowCount(), 0);
        QVERIFY(WindowInput::type("Alice"));
        QVERIFY(WindowInput::press(Qt::Key_Return));
        QVERIFY(WindowInput::click(control<QLineEdit>("txtField")));
        QCOMPARE(fields->model()->index(1, 2).data().toString(), QString("Site"));
        QCOMPARE(db().scalar("SELECT COUNT(*) FROM TemplateField WHERE FieldLabel='Site'").toInt(), 1);
        QCOMPARE(db().scalar("SELECT COUNT(*) FROM TemplateFieldValue WHERE FieldValue='Alice'").toInt(), 0);

        // The group field, a dropdown, takes values as before.
        GridInput::clickCell(fields, 0, 2);
        GridInput::typeInto(values, 1, 2, "East");
        QVERIFY(WindowInput::click(control<QLineEdit>("txtField")));
        QTRY_COMPARE(db().scalar("SELECT COUNT(*) FROM TemplateFieldValue WHERE FieldValue='East'").toInt(), 1);
    }

    // A value longer than its column is refused with the column's limit, and the row keeps
    // what was typed until it is mended; nothing is cut short.
    void overLongValuesRefused() {
        BoundGridView* fields = grid("jgEntryField");
        GridInput::typeInto(fields, 1, 2, "Surface Material Description");
        m_prompter->answer(PromptAnswer::Ok);
        QVERIFY(WindowInput::click(control<QLineEdit>("txtField")));
        QCOMPARE(m_prompter->last().title, QString("Entry Error"));
        QCOMPARE(m_prompter->last().text, QString("Label can hold at most 20 characters; it holds 28."));
        QTRY_VERIFY(fields->hasFocus());
        QCOMPARE(fields->model()->index(1, 2).data().toString(), QString("Surface Material Description"));
        QCOMPARE(db().scalar("SELECT COUNT(*) FROM TemplateField WHERE FieldLabel='Site'").toInt(), 1);

        GridInput::typeInto(fields, 1, 2, "Surface Material");
        GridInput::typeInto(fields, 1, 4, "123");
        m_prompter->answer(PromptAnswer::Ok);
        QVERIFY(WindowInput::click(control<QLineEdit>("txtField")));
        QCOMPARE(m_prompter->last().text, QString("Len must be a whole number of at most 2 digits, not \"123\"."));
        GridInput::typeInto(fields, 1, 4, "12");
        QVERIFY(WindowInput::click(control<QLineEdit>("txtField")));
        QTRY_COMPARE(db().scalar("SELECT FieldLength FROM TemplateField WHERE FieldLabel='Surface Material'").toInt(),
                     12);
        QCOMPARE(m_prompter->pending(), 0);
    }

    // Dropping row 3 on row 1 moves it up; the grid shows the new order.
    void dragAndDrop() {
        BoundGridView* fields = grid("jgEntryField");
        fields->setFocus();
        QTRY_VERIFY(fields->hasFocus());
        dropRow(fields, 2, 0);
        QStringList labels;
        for (int row = 0; row < 3; ++row)
            labels << fields->model()->index(row, 2).data().toString();
        QCOMPARE(labels, QStringList({"Count", "Group", "Site"}));
    }

    // "Del" on a field, clicked, asks, then the row leaves the grid; the group field stays.
    void deletes() {
        BoundGridView* fields = grid("jgEntryField");
        QVERIFY(WindowInput::clickItem(fields, fields->model()->index(1, 2)));
        QVERIFY(button("Remove")->isEnabled());
        m_prompter->answer(PromptAnswer::Yes);
        QVERIFY(WindowInput::clickButton(button("Remove")));
        QCOMPARE(m_prompter->last().text, QString("Delete Site field?"));
        QCOMPARE(fields->model()->rowCount(), 3);
        QVERIFY(WindowInput::clickItem(fields, fields->model()->index(0, 2)));
        m_prompter->answer(PromptAnswer::Ok);
        QVERIFY(WindowInput::clickButton(button("Remove")));
        QCOMPARE(m_prompter->last().text, QString("You cannot delete this field."));
    }

    // The file-name pane: a double click adds a field; Add opens the dialog, whose empty
    // name is refused.
    void fileNameAndAdd() {
        control<QTabWidget>("TabStrip")->setCurrentIndex(2);
        auto* available = control<QListWidget>("lstAvailable");
        QTRY_COMPARE(available->count(), 3);
        const QRect first = available->visualItemRect(available->item(1));
        QTest::mouseClick(available->viewport(), Qt::LeftButton, {}, first.center());
        QTest::mouseDClick(available->viewport(), Qt::LeftButton, {}, first.center());
        QTRY_COMPARE(grid("jgFileNameField")->model()->rowCount(), 1);
        QCOMPARE(grid("jgFileNameField")->model()->index(0, 3).data().toString(), QString("Site"));
        screenshot("template-file-name");

        // Add is offered while the template list has the focus.
        QVERIFY(!button("Add")->isEnabled());
        control<QComboBox>("cmbTemplate")->setFocus();
        QTRY_VERIFY(button("Add")->isEnabled());
        QTimer::singleShot(0, this, [this] {
            auto* dialog = qobject_cast<frmAddTemplate*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            m_prompter->answer(PromptAnswer::Ok);
            dialog->findChild<QPushButton*>("cmdAdd")->click();
            QCOMPARE(m_prompter->last().text, QString("Valid template name must be entered!"));
            QTest::keyClicks(dialog->findChild<QLineEdit*>("txtField"), "Inspection");
            dialog->findChild<QPushButton*>("cmdAdd")->click();
        });
        button("Add")->trigger();
        QCOMPARE(control<QComboBox>("cmbTemplate")->currentText(), QString("Inspection"));
        QCOMPARE(grid("jgEntryField")->model()->index(0, 2).data().toString(), QString("Group"));
    }
};

QTEST_MAIN(tst_TemplateWindow)
#include "tst_templatewindow.moc"
