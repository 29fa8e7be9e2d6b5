#pragma once

#include "PrinterTarget.h"
#include "RecordingPaintDevice.h"

#include <QList>
#include <QPainter>
#include <memory>

// A printer for tests: keeps every ended job as its pages, each page with its orientation
// and what was drawn on it.
class RecordingPrinter : public PrinterTarget {
public:
    struct Page {
        int orientation = 0;
        std::shared_ptr<RecordingPaintDevice> device;
    };
    using Job = QList<Page>;

    explicit RecordingPrinter(int dotsPerInch = 600) : m_dotsPerInch(dotsPerInch) {}

    QPainter& startPage(int orientation) override;
    void endJob() override;
    void abandonJob() override;
    double dotsPerInch() const override { return m_dotsPerInch; }
    QString deviceName() const override { return QStringLiteral("Recording printer"); }

    const QList<Job>& jobs() const { return m_jobs; }
    int abandoned() const { return m_abandoned; }
    // The texts of every page of every job, "|" between pages, " / " between jobs.
    QString summary() const;

private:
    int m_dotsPerInch;
    int m_orientation = Portrait;
    Job m_open;
    std::unique_ptr<QPainter> m_painter;
    QList<Job> m_jobs;
    int m_abandoned = 0;
};
