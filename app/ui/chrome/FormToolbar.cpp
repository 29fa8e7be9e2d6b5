#include "FormToolbar.h"

#include "ToolbarButtonTable.h"
#include "ToolbarImages.h"

#include <QAction>
#include <QMainWindow>
#include <QToolBar>

#include <stdexcept>

namespace {

const QString ToolbarName = QStringLiteral("Toolbar1");

QToolBar* findToolbar(QWidget* window) {
    return window->findChild<QToolBar*>(ToolbarName);
}

QToolBar* requireToolbar(QWidget* window) {
    if (QToolBar* toolbar = findToolbar(window))
        return toolbar;
    throw std::logic_error("the window " + window->objectName().toStdString() + " has no Toolbar1");
}

} // namespace

QToolBar* windowToolbar(QWidget* window) {
    if (QToolBar* toolbar = findToolbar(window))
        return toolbar;
    auto* mainWindow = qobject_cast<QMainWindow*>(window);
    if (!mainWindow)
        return requireToolbar(window);
    auto* toolbar = new QToolBar(mainWindow);
    toolbar->setObjectName(ToolbarName);
    toolbar->setMovable(false);
    mainWindow->addToolBar(Qt::TopToolBarArea, toolbar);
    return toolbar;
}

void SetupToolbar(QWidget* window, quint32 mask) {
    QToolBar* toolbar = windowToolbar(window);
    toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    int group = 1;
    bool groupHasButton = false;
    for (const ToolbarButtonRow& row : ToolbarButtonTable::rows()) {
        if (row.group != group) {
            if (groupHasButton)
                toolbar->addSeparator();
            group = row.group;
            groupHasButton = false;
        }
        if (!(mask & row.bit))
            continue;
        const QString key = QLatin1String(row.key);
        QAction* button =
            toolbar->addAction(ToolbarImages::icon(QLatin1String(row.imageKey)), QLatin1String(row.caption));
        button->setObjectName(key);
        button->setData(key);
        button->setToolTip(QLatin1String(row.toolTip));
        if (QWidget* toolButton = toolbar->widgetForAction(button))
            toolButton->setObjectName(key);
        groupHasButton = true;
    }
}

void EnableToolbarButtons(QWidget* window, quint32 newMask, quint32& currentMask) {
    if (newMask == currentMask)
        return;
    for (QAction* button : requireToolbar(window)->actions()) {
        if (button->isSeparator())
            continue;
        const QString key = toolbarButtonKey(button);
        // "Help" has no row of its own and stays off, like any key the table does not know.
        const ToolbarButtonRow* row = ToolbarButtonTable::find(key);
        button->setEnabled(row && (newMask & row->bit));
    }
    currentMask = newMask;
}

QString toolbarButtonKey(const QAction* button) {
    return button->data().toString();
}

QAction* toolbarButton(QWidget* window, const QString& key) {
    for (QAction* button : requireToolbar(window)->actions())
        if (!button->isSeparator() && toolbarButtonKey(button) == key)
            return button;
    return nullptr;
}
