#pragma once

#include "StatusSink.h"

#include <QList>
#include <QPair>
#include <QStringList>

// Keeps everything a device action reports, in order.
class RecordingStatus : public StatusSink {
public:
    QStringList texts;
    QList<bool> busy;
    QList<QPair<int, int>> progress;

    void showStatus(const QString& text) override { texts << text; }
    void showBusy(bool value) override { busy << value; }
    void showProgress(int done, int total) override { progress.append({done, total}); }
};
