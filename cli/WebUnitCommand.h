#pragma once

#include <QStringList>

// "unit serve [OPTIONS]", as usage lines show it.
const char* serveUnitUsage();
// "unit serve": the web unit for phones and tablets until the command is interrupted.
int serveUnit(const QStringList& options);
