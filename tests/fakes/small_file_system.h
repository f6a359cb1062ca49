#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <sys/mount.h>

namespace velmora::testing {

/// A 64 KiB tmpfs of its own, to fill up for real; unmounted when the test is done. Mounting
/// needs root: without it the test says so and skips.
class SmallFileSystem
{
public:
    SmallFileSystem()
        : m_mounted(m_folder.isValid()
                    && ::mount("tmpfs", QFile::encodeName(m_folder.path()).constData(), "tmpfs", 0,
                               "size=64k")
                        == 0)
    { }
    ~SmallFileSystem()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_folder.path()).constData(), MNT_DETACH);
    }
    Q_DISABLE_COPY_MOVE(SmallFileSystem)

    bool mounted() const { return m_mounted; }
    QString path() const { return m_folder.path(); }

private:
    QTemporaryDir m_folder;
    const bool m_mounted;
};

/// $TMPDIR pointed at `folder` for as long as it lives, then as it was.
class TemporaryFolderOverride
{
public:
    explicit TemporaryFolderOverride(const QString& folder)
        : m_previous(qgetenv("TMPDIR"))
    {
        qputenv("TMPDIR", QFile::encodeName(folder));
    }
    ~TemporaryFolderOverride()
    {
        if (m_previous.isNull())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", m_previous);
    }
    Q_DISABLE_COPY_MOVE(TemporaryFolderOverride)

private:
    const QByteArray m_previous;
};

} // namespace velmora::testing
