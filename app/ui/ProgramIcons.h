#pragma once

#include <QIcon>
#include <QString>

// The main window's large images, drawn so that they scale to any screen.
namespace ProgramIcons {
QIcon icon(const QString& key);
}
