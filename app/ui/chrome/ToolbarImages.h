#pragma once

#include <QIcon>
#include <QString>
#include <QStringList>

// The image list of the toolbars: one drawn image per image key of the toolbar table (and
// the page buttons reuse the record-navigation ones). Unknown keys give a null icon.
class ToolbarImages {
public:
    static QIcon icon(const QString& imageKey);
    static QStringList imageKeys();
};
