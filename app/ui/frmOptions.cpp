#include "frmOptions.h"

#include "FormStatusBar.h"
#include "LogError.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QVBoxLayout>

namespace {
// The frames are 5235 x 3269 twips at 15 twips to the pixel.
constexpr int FrameWidth = 349;
constexpr int FrameHeight = 218;
} // namespace

frmOptions::frmOptions(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));
    setModal(true);

    m_tabs = new QTabBar(this);
    m_tabs->setObjectName(QStringLiteral("TabStrip"));
    m_tabs->addTab(QStringLiteral("Database"));
    m_tabs->addTab(QStringLiteral("Paths"));
    m_tabs->addTab(QStringLiteral("Company"));
    auto* client = new QWidget(this);
    client->setFixedSize(FrameWidth + 4, FrameHeight + 4);
    for (int index = 0; index < 3; ++index) {
        auto* frame = new QFrame(client);
        frame->setObjectName(QStringLiteral("fraOptions"));
        frame->setProperty("index", index);
        frame->setGeometry(1, 2, FrameWidth, FrameHeight);
        new QGridLayout(frame);
        m_frames << frame;
    }

    addFields();

    auto* cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    auto* cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    m_hint = SetupStatusBar(this);
    QWidget* status = m_hint->parentWidget();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(client);
    layout->addLayout(buttons);
    layout->addWidget(status);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_tabs, &QTabBar::tabBarClicked, this, [this](int index) {
        if (index >= 0 && m_tabs->isTabEnabled(index))
            selectTab(index);
    });
    connect(cmdOK, &QPushButton::clicked, this, &frmOptions::okClicked);
    connect(cmdCancel, &QPushButton::clicked, this, &frmOptions::reject);
    ShowHelpOnFocus(this, [this](QWidget* control) { showHint(control); });

    guarded(QStringLiteral("Form_Load"), [this] { m_logic.load(); });
    if (!m_logic.companyAvailable()) {
        m_tabs->setTabEnabled(2, false);
        m_tabs->setTabToolTip(2, QStringLiteral("The company values are kept in the database, which is not open."));
    }
    showFields();
    applyEngine();
    selectTab(0);
}

// The controls of the three tabs: engine and database, paths, company values.
void frmOptions::addFields() {
    auto* database = static_cast<QGridLayout*>(m_frames[0]->layout());
    for (int index = 0; index < 2; ++index) {
        m_engine[index] = new QRadioButton(OptionsLogic::label(QStringLiteral("optEngine%1").arg(index)), m_frames[0]);
        m_engine[index]->setObjectName(QStringLiteral("optEngine"));
        m_engine[index]->setProperty("index", index);
        connect(m_engine[index], &QRadioButton::clicked, this, [this, index] {
            m_logic.fields().optEngine = index;
            applyEngine();
        });
    }
    database->addWidget(m_engine[0], 0, 0, 1, 3);
    addField(m_frames[0], 1, "txtFilePath", &OptionsLogic::Fields::txtFilePath, "cmdDataPath");
    database->addWidget(m_engine[1], 2, 0, 1, 3);
    addField(m_frames[0], 3, "txtServer", &OptionsLogic::Fields::txtServer);
    addField(m_frames[0], 4, "txtCatalog", &OptionsLogic::Fields::txtCatalog);
    database->setRowStretch(5, 1);

    addField(m_frames[1], 0, "txtReportPath", &OptionsLogic::Fields::txtReportPath, "cmdReportPath");
    addField(m_frames[1], 1, "txtLayoutPath", &OptionsLogic::Fields::txtLayoutPath, "cmdLayoutPath");
    addField(m_frames[1], 2, "txtLogPath", &OptionsLogic::Fields::txtLogPath, "cmdLogPath");
    addField(m_frames[1], 3, "txtUnitPath", &OptionsLogic::Fields::txtUnitPath, "cmdUnitPath");
    static_cast<QGridLayout*>(m_frames[1]->layout())->setRowStretch(4, 1);

    addField(m_frames[2], 0, "txtCompanyName", &OptionsLogic::Fields::txtCompanyName);
    addField(m_frames[2], 1, "txtDeviceTemplatePath", &OptionsLogic::Fields::txtDeviceTemplatePath);
    addField(m_frames[2], 2, "txtDeviceEvaluationPath", &OptionsLogic::Fields::txtDeviceEvaluationPath);
    addField(m_frames[2], 3, "txtReportColumns", &OptionsLogic::Fields::txtReportColumns);
    static_cast<QGridLayout*>(m_frames[2]->layout())->setRowStretch(4, 1);
}

void frmOptions::okClicked() {
    for (const Field& f : m_fields)
        m_logic.fields().*f.member = f.edit->text();
    bool saved = false;
    guarded(QStringLiteral("cmdOK_Click"), [this, &saved] { saved = m_logic.ok(); });
    showFields();
    if (saved) {
        m_closing = true;
        accept();
    } else if (QLineEdit* refused = field(qPrintable(m_logic.refusedField()))) {
        showFrameOf(refused);
        refused->setFocus();
    }
}

void frmOptions::showFrameOf(QWidget* control) {
    for (int index = 0; index < m_frames.size(); ++index) {
        if (m_frames[index]->isAncestorOf(control) && !m_frames[index]->isVisible()) {
            m_tabs->setCurrentIndex(index);
            for (QFrame* frame : m_frames)
                frame->setVisible(frame == m_frames[index]);
        }
    }
}

QLineEdit* frmOptions::addField(QFrame* frame, int row, const char* name, QString OptionsLogic::Fields::*member,
                                const char* browseName) {
    auto* grid = static_cast<QGridLayout*>(frame->layout());
    auto* label = new QLabel(OptionsLogic::label(QString::fromLatin1(name)), frame);
    auto* edit = new QLineEdit(frame);
    edit->setObjectName(QString::fromLatin1(name));
    label->setBuddy(edit);
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row, 1);
    if (browseName) {
        auto* button = new QPushButton(QStringLiteral("..."), frame);
        button->setObjectName(QString::fromLatin1(browseName));
        button->setFixedWidth(28);
        grid->addWidget(button, row, 2);
        const QString buttonName = QString::fromLatin1(browseName);
        connect(button, &QPushButton::clicked, this, [this, buttonName] { browse(buttonName); });
    }
    connect(edit, &QLineEdit::textEdited, this,
            [this, member](const QString& text) { m_logic.fields().*member = text; });
    connect(edit, &QLineEdit::editingFinished, this, [this, edit] { leave(edit); });
    m_fields.append({edit, member});
    return edit;
}

QLineEdit* frmOptions::field(const char* name) const {
    for (const Field& f : m_fields) {
        if (f.edit->objectName() == QLatin1String(name))
            return f.edit;
    }
    return nullptr;
}

void frmOptions::showFields() {
    for (const Field& f : m_fields)
        f.edit->setText(m_logic.fields().*f.member);
    m_engine[m_logic.fields().optEngine == OptionsLogic::PostgreSQLEngine ? 1 : 0]->setChecked(true);
}

void frmOptions::leave(QLineEdit* edit) {
    if (m_closing)
        return;
    for (const Field& f : m_fields) {
        if (f.edit != edit)
            continue;
        m_logic.fields().*f.member = edit->text();
        bool accepted = true;
        guarded(QStringLiteral("Field_LostFocus"), [&] { accepted = m_logic.leaveField(edit->objectName()); });
        edit->setText(m_logic.fields().*f.member);
        if (!accepted)
            edit->setFocus();
    }
}

void frmOptions::selectTab(int tabIndex) {
    m_tabs->setCurrentIndex(tabIndex);
    for (QFrame* frame : m_frames)
        frame->hide();
    m_frames[tabIndex]->show();
    if (QLineEdit* first = field(qPrintable(OptionsLogic::firstFieldOfTab(tabIndex + 1))); first && first->isEnabled())
        first->setFocus();
}

void frmOptions::applyEngine() {
    const bool sqlite = m_logic.filePathEnabled();
    field("txtFilePath")->setEnabled(sqlite);
    findChild<QPushButton*>(QStringLiteral("cmdDataPath"))->setEnabled(sqlite);
    field("txtServer")->setEnabled(!sqlite);
    field("txtCatalog")->setEnabled(!sqlite);
}

void frmOptions::browse(const QString& button) {
    guarded(button + QStringLiteral("_Click"), [this, &button] {
        struct Browse {
            const char* button;
            const char* title;
            const char* filter;
            const char* field;
            bool folderOfFile;
        };
        static const Browse browsers[] = {
            {"cmdDataPath", "Select Program Database", "SQLite (*.db)", "txtFilePath", false},
            {"cmdReportPath", "Select Report Database", "SQLite (*.db)", "txtReportPath", false},
            {"cmdLayoutPath", "Select Layout Path", "Layouts (*.lyt)", "txtLayoutPath", true},
            {"cmdLogPath", "Select Log Path", "Text (*.txt)", "txtLogPath", true},
        };
        if (button == QLatin1String("cmdUnitPath")) {
            const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Select Unit Path"),
                                                                     field("txtUnitPath")->text());
            if (!folder.isEmpty()) {
                field("txtUnitPath")->setText(folder);
                leave(field("txtUnitPath"));
            }
            return;
        }
        for (const Browse& b : browsers) {
            if (button != QLatin1String(b.button))
                continue;
            QLineEdit* target = field(b.field);
            const QString chosen =
                QFileDialog::getOpenFileName(this, QString::fromLatin1(b.title), target->text(),
                                             QString::fromLatin1(b.filter), nullptr, QFileDialog::DontConfirmOverwrite);
            if (chosen.isEmpty())
                return; // a cancelled dialog leaves the field as it was
            target->setText(b.folderOfFile ? OptionsLogic::FolderOfPath(chosen) : chosen);
            leave(target);
        }
    });
}

void frmOptions::showHint(QWidget* now) {
    QString name = now->objectName();
    if (name == QLatin1String("optEngine"))
        name += QString::number(now->property("index").toInt());
    m_hint->setText(OptionsLogic::hint(name));
}

void frmOptions::reject() {
    if (m_closing)
        return QDialog::reject();
    bool leave = false;
    guarded(QStringLiteral("cmdCancel_Click"), [this, &leave] { leave = m_logic.cancel(); });
    if (leave) {
        m_closing = true;
        QDialog::reject();
    }
}

void frmOptions::closeEvent(QCloseEvent* event) {
    event->ignore();
    reject();
}
