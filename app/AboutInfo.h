#pragma once

#include <QString>
#include <QStringList>

// What the about window frmAbout shows: the program's identity, version and change history.
namespace AboutInfo {

QString caption();
QString version(); // "Version 3.1.0"
QString title();   // company name ": " program title
QString description();
QStringList modifications(); // "-- Modifications --" and the change history, newest first

} // namespace AboutInfo
