#include "ControlPositions.h"
#include "FormToolbar.h"
#include "MessageBoxPrompter.h"
#include "ToolbarButtonTable.h"
#include "ToolbarImages.h"
#include "WhenModal.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSet>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

namespace {

// The toolbar as one text: keys, and "|" for separators.
QString layoutOf(QWidget* window) {
    QStringList items;
    for (QAction* action : windowToolbar(window)->actions())
        items << (action->isSeparator() ? QStringLiteral("|") : toolbarButtonKey(action));
    return items.join(' ');
}

} // namespace

class tst_FormChrome : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void masksChooseButtonsAndSeparators_data() {
        QTest::addColumn<quint32>("mask");
        QTest::addColumn<QString>("layout");
        QTest::newRow("nothing") << 0u << "";
        QTest::newRow("exit only") << 0x10u << "Exit |";
        QTest::newRow("three groups") << 0x80012u << "Exit | Add | Download |";
        QTest::newRow("preview window") << 0x1010u << "Exit | Print";
        QTest::newRow("no button bits") << 0xF0000001u << "";
        QTest::newRow("group order wins over bit order") << 0x40018u << "Exit Save Wizard |";
        QTest::newRow("everything")
            << 0xFFFFFFFFu
            << "Exit Save Wizard | Add Remove RemoveQuestion RemoveAnswer RemoveList AddSame | BOF Previous Next EOF | "
               "Info Find Group Download Upload Website | Cut Paste Undo Print PrintPreview Copy Void Refresh";
    }
    void masksChooseButtonsAndSeparators() {
        QFETCH(quint32, mask);
        QFETCH(QString, layout);
        QMainWindow window;
        SetupToolbar(&window, mask);
        QCOMPARE(layoutOf(&window), layout);
        QCOMPARE(windowToolbar(&window)->objectName(), QString("Toolbar1"));
    }

    void buttonsCarryTheTableTexts() {
        QMainWindow window;
        SetupToolbar(&window, 0xFFFFFFFF);
        for (const ToolbarButtonRow& row : ToolbarButtonTable::rows()) {
            QAction* button = toolbarButton(&window, row.key);
            QVERIFY2(button, row.key);
            QCOMPARE(button->objectName(), QString(row.key));
            QCOMPARE(button->text(), QString(row.caption));
            QCOMPARE(button->toolTip(), QString(row.toolTip));
            QVERIFY2(!button->icon().isNull(), row.imageKey);
            auto* toolButton = window.findChild<QToolButton*>(row.key);
            QVERIFY2(toolButton, row.key);
            QCOMPARE(toolButton->defaultAction(), button);
        }
    }

    void everyImageKeyHasItsOwnImage() {
        QSet<QString> tableKeys;
        for (const ToolbarButtonRow& row : ToolbarButtonTable::rows())
            tableKeys.insert(row.imageKey);
        const QStringList drawn = ToolbarImages::imageKeys();
        QCOMPARE(QSet<QString>(drawn.begin(), drawn.end()), tableKeys);
        QSet<QByteArray> images;
        for (const QString& key : tableKeys) {
            const QImage image = ToolbarImages::icon(key).pixmap(32, 32).toImage();
            QCOMPARE(image.size(), QSize(32, 32));
            images.insert(QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
        }
        QCOMPARE(images.size(), tableKeys.size());
        QVERIFY(ToolbarImages::icon("NoSuchImage").isNull());
    }

    void enablingFollowsTheMask() {
        QMainWindow window;
        SetupToolbar(&window, 0xFFFFFFFF);
        windowToolbar(&window)->addAction("Help")->setData("Help");
        windowToolbar(&window)->addAction("Stranger")->setData("Stranger");
        quint32 current = 0;
        EnableToolbarButtons(&window, 0x10 | 0x2 | 0x1000 | 0x8000000, current);
        QCOMPARE(current, quint32(0x10 | 0x2 | 0x1000 | 0x8000000));
        QStringList enabled;
        for (QAction* action : windowToolbar(&window)->actions())
            if (!action->isSeparator() && action->isEnabled())
                enabled << toolbarButtonKey(action);
        QCOMPARE(enabled, QStringList({"Exit", "Add", "RemoveList", "Print"}));

        EnableToolbarButtons(&window, 0xFFFFFFFF, current);
        QVERIFY(!toolbarButton(&window, "Help")->isEnabled());
        QVERIFY(!toolbarButton(&window, "Stranger")->isEnabled());
        QVERIFY(toolbarButton(&window, "Refresh")->isEnabled());
    }

    void theSameMaskTwiceChangesNothing() {
        QMainWindow window;
        SetupToolbar(&window, 0x10 | 0x8);
        quint32 current = 0;
        EnableToolbarButtons(&window, 0x10, current);
        QVERIFY(!toolbarButton(&window, "Save")->isEnabled());
        toolbarButton(&window, "Save")->setEnabled(true);
        toolbarButton(&window, "Exit")->setEnabled(false);
        EnableToolbarButtons(&window, 0x10, current);
        QVERIFY(toolbarButton(&window, "Save")->isEnabled());
        QVERIFY(!toolbarButton(&window, "Exit")->isEnabled());
        QCOMPARE(current, 0x10u);
    }

    void aWindowWithoutToolbarIsRefused() {
        QWidget window;
        QVERIFY_THROWS_EXCEPTION(std::logic_error, SetupToolbar(&window, 0x10));
    }

    void doublingTheWidthDoublesLeftsAndWidths() {
        QWidget window;
        window.resize(400, 300);
        auto* edit = new QLineEdit(&window);
        edit->setGeometry(10, 20, 100, 24);
        auto* other = new QWidget(&window);
        other->setGeometry(200, 100, 150, 120);
        ControlPositions positions;
        RecordControlPositions(positions, &window);
        QCOMPARE(positions.records().size(), 2);

        window.resize(800, 300);
        ResizeControls(positions, &window);
        QCOMPARE(edit->geometry(), QRect(20, 20, 200, 24));
        QCOMPARE(other->geometry(), QRect(400, 100, 300, 120));

        window.resize(400, 600);
        ResizeControls(positions, &window);
        QCOMPARE(edit->geometry(), QRect(10, 40, 100, 48));
        QCOMPARE(other->geometry(), QRect(200, 200, 150, 240));
    }

    void comboBoxesAndScrollBarsKeepTheirThickness() {
        QWidget window;
        window.resize(400, 300);
        auto* combo = new QComboBox(&window);
        combo->setGeometry(10, 10, 100, 22);
        auto* vertical = new QScrollBar(Qt::Vertical, &window);
        vertical->setGeometry(380, 0, 16, 280);
        auto* horizontal = new QScrollBar(Qt::Horizontal, &window);
        horizontal->setGeometry(0, 284, 380, 16);
        ControlPositions positions;
        RecordControlPositions(positions, &window);

        window.resize(800, 600);
        ResizeControls(positions, &window);
        QCOMPARE(combo->geometry(), QRect(20, 20, 200, 22));
        QCOMPARE(vertical->geometry(), QRect(760, 0, 16, 560));
        QCOMPARE(horizontal->geometry(), QRect(0, 568, 760, 16));

        // Narrower than designed, a scroll bar shrinks with the window.
        window.resize(200, 150);
        ResizeControls(positions, &window);
        QCOMPARE(combo->geometry(), QRect(5, 5, 50, 22));
        QCOMPARE(vertical->geometry(), QRect(190, 0, 8, 140));
        QCOMPARE(horizontal->geometry(), QRect(0, 142, 190, 8));
    }

    void linesAndWindowPlacedBarsStay() {
        QMainWindow window;
        auto* central = new QWidget(&window);
        window.setCentralWidget(central);
        central->resize(400, 300);
        auto* line = new QFrame(central);
        line->setFrameShape(QFrame::HLine);
        line->setGeometry(0, 50, 400, 3);
        auto* bar = new QToolBar(central);
        bar->setGeometry(0, 0, 400, 30);
        ControlPositions positions;
        RecordControlPositions(positions, central);
        QCOMPARE(positions.records().size(), 2);
        QVERIFY(positions.records().at(0).control);  // a line is recorded ...
        QVERIFY(!positions.records().at(1).control); // ... a tool bar is not

        central->resize(800, 600);
        ResizeControls(positions, central);
        QCOMPARE(line->geometry(), QRect(0, 50, 400, 3));
        QCOMPARE(bar->geometry(), QRect(0, 0, 400, 30));
    }

    void aMinimisedWindowLeavesControlsAlone() {
        QWidget window;
        window.resize(400, 300);
        auto* edit = new QLineEdit(&window);
        edit->setGeometry(10, 20, 100, 24);
        ControlPositions positions;
        RecordControlPositions(positions, &window);

        window.resize(0, 0);
        ResizeControls(positions, &window);
        QCOMPARE(edit->geometry(), QRect(10, 20, 100, 24));

        ControlPositions none;
        RecordControlPositions(none, &window);
        QVERIFY(none.records().isEmpty());

        window.resize(800, 600);
        ResizeControls(positions, &window);
        QCOMPARE(edit->geometry(), QRect(20, 40, 200, 48));
    }

    void aRemovedControlIsSkipped() {
        QWidget window;
        window.resize(400, 300);
        auto* gone = new QLineEdit(&window);
        auto* kept = new QLineEdit(&window);
        kept->setGeometry(40, 30, 40, 30);
        ControlPositions positions;
        RecordControlPositions(positions, &window);
        delete gone;
        window.resize(800, 600);
        ResizeControls(positions, &window);
        QCOMPARE(kept->geometry(), QRect(80, 60, 80, 60));
    }

    // A short question under a long title: the box is wide enough for its whole title beside
    // the frame's buttons, and answers with the button the user clicks.
    void aMessageBoxFitsItsTitle() {
        const QString title = QStringLiteral("Deletion Verification of Every Evaluation of the Template");
        int width = 0;
        whenModal([&width](QWidget* shown) {
            auto* box = qobject_cast<QMessageBox*>(shown);
            QVERIFY(box);
            width = box->width();
            QTest::mouseClick(box->button(QMessageBox::No), Qt::LeftButton);
        });
        MessageBoxPrompter prompter;
        QCOMPARE(prompter.ask({"Delete A record?", title, PromptIcon::None, PromptButtons::YesNo, PromptAnswer::Yes}),
                 PromptAnswer::No);
        QFont bold = QApplication::font();
        bold.setBold(true);
        QVERIFY2(width >= QFontMetrics(bold).horizontalAdvance(title) + 60, qPrintable(QString::number(width)));
    }
};

QTEST_MAIN(tst_FormChrome)
#include "tst_formchrome.moc"
