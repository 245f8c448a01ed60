#pragma once
// The application's wait cursor, counted: every raise is matched by exactly
// one lower, which the guard does on every way out of its scope.

namespace platform {

void DoWaitCursor(int delta);  // +1 raises, -1 lowers
int WaitCursorDepth();

class CWaitCursor {
public:
    CWaitCursor() { DoWaitCursor(1); }
    ~CWaitCursor() { Release(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
    // Lowers early (once); the destructor then does nothing.
    void Release() {
        if (m_raised) {
            m_raised = false;
            DoWaitCursor(-1);
        }
    }

private:
    bool m_raised = true;
};

}  // namespace platform
