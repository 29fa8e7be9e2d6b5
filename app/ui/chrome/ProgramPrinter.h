#pragma once

#include <QString>

class QPrinter;

// The program-wide printer. Where no printer is installed, or KESTRIVO_PRINT_DIR is set,
// every print job becomes one numbered PDF file in that folder (default DataPath +
// "Printouts/").
namespace ProgramPrinter {

QPrinter& printer();
// Points the printer at its target for one new job; returns the PDF file of the job, or an
// empty text when the job goes to a real printer.
QString beginJob();
// What the user is told when a job became that PDF file.
QString savedAsText(const QString& file);

} // namespace ProgramPrinter
