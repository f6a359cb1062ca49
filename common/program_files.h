#pragma once

#include <QString>
#include <QStringList>

namespace velmora {

/// The files that come with the program (the sample, the hand cursor, the theme): looked for
/// beside the executable first, then in the data folder of an installed tree.
class ProgramFiles
{
public:
    /// `folders` in the order they are searched; the first is the program folder.
    explicit ProgramFiles(QStringList folders);

    /// The running executable's folder, then its installed data folder.
    static ProgramFiles ofRunningProgram();

    /// `relativePath` uses "/"; the result uses the platform's separators. When no folder holds
    /// the file, the path beside the program is given all the same.
    QString path(const QString& relativePath) const;

private:
    QStringList m_folders;
};

} // namespace velmora
