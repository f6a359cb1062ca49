#pragma once

#include <QtGlobal>

namespace velmora {

/// Tells whether a folder operation (the folder add or a drop) is running. A walk lets the
/// window run at its yields, where the user may start another one; the guard lets the second
/// be refused, and lets the window end the running one early. One guard per file list,
/// living as long as the window.
class FolderWalkGuard
{
public:
    bool isWalking() const { return m_walking; }
    /// Makes the running walk stop at its next yield, adding nothing more (the window is
    /// closing). Without a running walk it does nothing.
    void requestStop() { m_stopRequested = m_walking; }
    bool stopRequested() const { return m_stopRequested; }

private:
    friend class FolderWalkScope;
    bool m_walking = false;
    bool m_stopRequested = false;
};

/// Holds the guard for the length of one folder operation, unless another already holds it.
class FolderWalkScope
{
public:
    explicit FolderWalkScope(FolderWalkGuard& guard)
        : m_guard(guard)
        , m_entered(!guard.m_walking)
    {
        if (m_entered) {
            m_guard.m_walking = true;
            m_guard.m_stopRequested = false;
        }
    }
    ~FolderWalkScope()
    {
        if (m_entered) {
            m_guard.m_walking = false;
            m_guard.m_stopRequested = false;
        }
    }
    Q_DISABLE_COPY_MOVE(FolderWalkScope)

    /// False when another folder operation was already running: this one must not start.
    bool entered() const { return m_entered; }

private:
    FolderWalkGuard& m_guard;
    const bool m_entered;
};

/// How a folder operation ended, as far as the window needs to know.
enum class FolderOperationResult { Finished, RefusedWhileWalking };

} // namespace velmora
