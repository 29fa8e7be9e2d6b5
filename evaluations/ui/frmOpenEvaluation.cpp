#include "frmOpenEvaluation.h"

#include "FormStatusBar.h"
#include "LogError.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>

namespace {

QLabel* label(const QString& text, QWidget* parent, int x, int y) {
    auto* caption = new QLabel(text, parent);
    caption->setGeometry(x, y, 90, 22);
    return caption;
}

// The key of a control's help text: its name, with the index of a control array.
QString helpKey(const QObject* control) {
    const QVariant index = control->property("index");
    return index.isValid() ? control->objectName() + index.toString() : control->objectName();
}

} // namespace

frmOpenEvaluation::frmOpenEvaluation(const Database& database, QWidget* owner) : QDialog(owner), m_logic(database) {
    setObjectName(QStringLiteral("frmOpenEvaluation"));
    setWindowTitle(QStringLiteral("Open Evaluation"));
    setModal(true);
    setFixedSize(400, 420);
    label(QStringLiteral("Template:"), this, 10, 12);
    m_templates = new QComboBox(this);
    m_templates->setObjectName(QStringLiteral("cmbTemplate"));
    m_templates->setGeometry(100, 10, 290, 24);
    label(QStringLiteral("Group:"), this, 10, 42);
    m_groups = new QComboBox(this);
    m_groups->setObjectName(QStringLiteral("cmbGroup"));
    m_groups->setGeometry(100, 40, 290, 24);
    label(QStringLiteral("Added Begin:"), this, 10, 72);
    label(QStringLiteral("Ending:"), this, 210, 72);
    for (int field = 0; field < 2; ++field) {
        auto* date = new QLineEdit(this);
        date->setObjectName(QStringLiteral("MskField"));
        date->setProperty("index", field);
        date->setInputMask(QStringLiteral("99/99/99"));
        date->setGeometry(field == 0 ? 100 : 280, 70, 80, 24);
        date->installEventFilter(this);
        connect(date, &QLineEdit::textEdited, this,
                [this, field](const QString& text) { m_logic.editDate(field, text); });
        m_dates[field] = date;
    }
    m_files = new QListView(this);
    m_files->setObjectName(QStringLiteral("lstFileName"));
    m_files->setModel(m_logic.lineModel());
    m_files->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QFont fixed(QStringLiteral("Courier New"));
    fixed.setStyleHint(QFont::TypeWriter);
    fixed.setFixedPitch(true);
    m_files->setFont(fixed);
    m_files->setUniformItemSizes(true);
    m_files->setGeometry(10, 102, 380, 240);
    auto* selectButton = new QPushButton(QStringLiteral("&Select"), this);
    selectButton->setObjectName(QStringLiteral("cmdSelect"));
    selectButton->setGeometry(200, 352, 90, 28);
    selectButton->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    cancel->setGeometry(300, 352, 90, 28);
    m_panel = SetupStatusBar(this);
    m_panel->parentWidget()->setGeometry(0, 392, 400, 28);
    for (QWidget* control :
         {static_cast<QWidget*>(m_templates), static_cast<QWidget*>(m_groups), static_cast<QWidget*>(m_files),
          static_cast<QWidget*>(selectButton), static_cast<QWidget*>(cancel)})
        control->installEventFilter(this);

    connect(m_templates, &QComboBox::activated, this, [this](int index) {
        refreshing(QStringLiteral("cmbTemplate_Click"), [this, index] { m_logic.chooseTemplate(index); });
    });
    connect(m_groups, &QComboBox::activated, this, [this](int index) {
        refreshing(QStringLiteral("cmbGroup_Click"), [this, index] { m_logic.chooseGroup(index); });
    });
    connect(m_files->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { m_logic.chooseLine(current.row()); });
    connect(m_files, &QListView::doubleClicked, this, [this] { select(); });
    connect(selectButton, &QPushButton::clicked, this, &frmOpenEvaluation::select);
    connect(cancel, &QPushButton::clicked, this, &frmOpenEvaluation::reject);

    refreshing(QStringLiteral("Form_Load"), [this] { m_logic.load(); });
}

void frmOpenEvaluation::refreshing(const QString& procedure, const std::function<void()>& step) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    guarded(procedure, step);
    showLists();
    QApplication::restoreOverrideCursor();
}

void frmOpenEvaluation::showLists() {
    const QSignalBlocker blockTemplates(m_templates);
    const QSignalBlocker blockGroups(m_groups);
    const QSignalBlocker blockFiles(m_files->selectionModel());
    if (m_templates->count() != m_logic.templates().size()) {
        m_templates->clear();
        for (const OpenEvaluationFilter::Entry& entry : m_logic.templates())
            m_templates->addItem(entry.text, entry.key);
    }
    m_templates->setCurrentIndex(m_logic.chosenTemplate());
    m_groups->clear();
    for (const OpenEvaluationFilter::Entry& entry : m_logic.groups())
        m_groups->addItem(entry.text, entry.key);
    m_groups->setCurrentIndex(m_logic.chosenGroup());
    for (int field = 0; field < 2; ++field) {
        if (m_dates[field]->text() != m_logic.dateText(field))
            m_dates[field]->setText(m_logic.dateText(field));
    }
    // The list's model is the logic's own, refilled already: only the chosen line to show.
    m_files->setCurrentIndex(m_logic.lineModel()->index(m_logic.chosenLine(), 0));
}

void frmOpenEvaluation::select() {
    if (m_logic.Select())
        hide();
}

void frmOpenEvaluation::reject() {
    m_logic.Cancel();
    QDialog::reject();
}

bool frmOpenEvaluation::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        m_panel->setText(OpenEvaluationFilter::helpText(helpKey(watched)));
        if (watched == m_dates[0] || watched == m_dates[1])
            m_logic.enterDate(watched->property("index").toInt());
    } else if (event->type() == QEvent::FocusOut && (watched == m_dates[0] || watched == m_dates[1])) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            const int field = watched->property("index").toInt();
            refreshing(QStringLiteral("MskField_LostFocus"), [this, field] { m_logic.leaveDate(field); });
        }
    }
    return QDialog::eventFilter(watched, event);
}
