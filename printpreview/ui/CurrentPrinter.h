#pragma once

#include <QString>

class PrinterTarget;
class QPrinter;
class QWidget;

// The printer all reports of the process print on: the installed printer chosen in the
// set-up dialog, or, where no printer is installed or KESTRIVO_PRINT_DIR is set, one
// numbered PDF file per job in the print folder.
class CurrentPrinter {
public:
    static PrinterTarget& target();
    static bool printsToFiles();
    // The printer's name as the system lists it, ignoring case; empty when it is not listed.
    static QString installedName(const PrinterTarget& printer);
    // The set-up dialog "cdPrinterSetup"; where jobs become files it says where they go.
    static void setup(QWidget* parent);
    // After a print: where jobs became files, tells the user which files the print wrote.
    static void tellFilesWritten();

private:
    static QPrinter& printer();
};
