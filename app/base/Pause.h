#pragma once

// Waits the given milliseconds, processing pending window events on every pass so the
// windows stay responsive.
void Pause(int milliseconds);
