#include "UnitTemplateList.h"

#include "DeviceSession.h"
#include "LogError.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

UnitTemplateList::UnitTemplateList(const QString& templateFolder, QWidget* parent)
    : QGroupBox(QStringLiteral("Templates on the unit"), parent), m_logic(templateFolder, DeviceSession::program()),
      m_list(new QTreeWidget(this)), m_upload(new QPushButton(QStringLiteral("&Upload"), this)) {
    setObjectName(QStringLiteral("fraTemplates"));
    m_list->setObjectName(QStringLiteral("lstTemplates"));
    m_list->setStatusTip(UnitTemplateChoice::IdleStatus);
    m_list->setHeaderLabels({QStringLiteral("Template"), QStringLiteral("On the unit")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_list->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_list->header()->setStretchLastSection(false);
    m_upload->setObjectName(QStringLiteral("cmdUpload"));
    m_upload->setStatusTip(QStringLiteral("Click to upload the ticked templates to the unit"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_upload);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);

    connect(m_list, &QTreeWidget::itemChanged, this, &UnitTemplateList::itemChanged);
    connect(m_upload, &QPushButton::clicked, this, [this] {
        guarded(QStringLiteral("cmdUpload_Click"), [this] { m_logic.upload(*this); });
        showRows();
    });
}

void UnitTemplateList::showEvent(QShowEvent* event) {
    QGroupBox::showEvent(event);
    // What is on the unit changes behind the window (the template editor, another PC), so the
    // list is read again whenever the user comes back to it.
    if (window() != m_watchedWindow) {
        if (m_watchedWindow)
            m_watchedWindow->removeEventFilter(this);
        m_watchedWindow = window();
        m_watchedWindow->installEventFilter(this);
    }
    load();
}

bool UnitTemplateList::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_watchedWindow && event->type() == QEvent::WindowActivate && !m_waitCursor.isShown())
        load();
    return QGroupBox::eventFilter(watched, event);
}

void UnitTemplateList::load() {
    guarded(QStringLiteral("LoadUnitTemplates"), [this] { m_logic.load(); });
    showRows();
}

void UnitTemplateList::showRows() {
    const QSignalBlocker blocker(m_list);
    const int current = m_list->indexOfTopLevelItem(m_list->currentItem());
    m_list->clear();
    for (const UnitTemplateChoice::Row& row : m_logic.rows()) {
        auto* item = new QTreeWidgetItem(m_list, {row.name, UnitTemplateChoice::onUnitText(row.onUnit)});
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(0, row.ticked ? Qt::Checked : Qt::Unchecked);
    }
    if (current >= 0 && current < m_list->topLevelItemCount())
        m_list->setCurrentItem(m_list->topLevelItem(current));
}

void UnitTemplateList::itemChanged(QTreeWidgetItem* item) {
    m_logic.setTicked(m_list->indexOfTopLevelItem(item), item->checkState(0) == Qt::Checked);
}

void UnitTemplateList::showStatus(const QString& text) {
    if (auto* panel = window()->findChild<QLabel*>(QStringLiteral("StatusBar1Panel1")))
        panel->setText(text);
}

void UnitTemplateList::showBusy(bool busy) {
    m_waitCursor.show(busy);
}
