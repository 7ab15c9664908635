#pragma once

#include <cstddef>

// Told when a page's control state changed, so that a window redraws only what changed.
class PageView {
public:
    virtual ~PageView() = default;
    // The members were copied to the controls: everything may have changed.
    virtual void Refresh() = 0;
    // Entries [first, first + count) were added at the end of the log.
    virtual void LogAppended(std::size_t first, std::size_t count) = 0;
    virtual void LogCleared() = 0;
    // Draws the control state at once, before the operation goes on: a command about to go
    // out finds the page already showing what the operator chose.
    virtual void RedrawNow() { Refresh(); }
    // The read-back of the entries refused the box with this control number; it gets the
    // input focus.
    virtual void FocusControl(int controlId) { (void)controlId; }
};
