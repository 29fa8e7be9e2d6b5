#pragma once

// Registers the windows of the working areas (evaluations, templates, reports) with the
// main window's button bar.
namespace WorkingAreas {
void registerWindows();
}
