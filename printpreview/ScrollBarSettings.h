#pragma once

// Where a scroll bar of the preview goes and what it scrolls, all in twips.
struct ScrollBarSettings {
    int left = 0;
    int top = 0;
    int length = 0; // the height of a vertical bar, the width of a horizontal one
    int minimum = 0;
    int maximum = 0;
    int value = 0;
    int smallStep = 0;
    int largeStep = 0;
    bool visible = false;
};
