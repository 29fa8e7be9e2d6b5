#pragma once

#include <QStringList>

// "unit serve": the web unit for phones and tablets until the command is interrupted.
int serveUnit(const QStringList& options);
