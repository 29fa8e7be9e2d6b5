#pragma once

class QMainWindow;

// Takes down a window's controls from its destructor, while the window itself is still
// whole. A control sends events as it goes (focus out, hide, child removed): the window
// stops watching its controls first (its event filters, the application's focus signal), so
// none of its handlers runs on a control or a logic that is half gone. Then the central
// widget goes, before the logic whose models and selections its views show.
void TearDownControls(QMainWindow* window);
