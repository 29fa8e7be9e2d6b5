#pragma once

#include <QWidget>

// A read-only viewer of a text file (the error log).
class frmLogViewer : public QWidget {
    Q_OBJECT
public:
    frmLogViewer(const QString& file, QWidget* owner = nullptr);
};
