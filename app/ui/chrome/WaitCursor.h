#pragma once

// The program's wait cursor for a window whose logic says when it is busy and when not: shown
// once however often busy is said, taken away by the first "not busy", and taken away when the
// window goes while still busy.
class WaitCursor {
public:
    WaitCursor() = default;
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

    void show(bool busy);
    bool isShown() const { return m_shown; }

private:
    bool m_shown = false;
};
