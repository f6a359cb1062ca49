#include "program_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace velmora {

ProgramFiles::ProgramFiles(QStringList folders)
    : m_folders(std::move(folders))
{ }

ProgramFiles ProgramFiles::ofRunningProgram()
{
    const QString programFolder = QCoreApplication::applicationDirPath();
    return ProgramFiles({ programFolder,
                          QDir::cleanPath(programFolder + QStringLiteral("/")
                                          + QStringLiteral(VELMORA_DATA_DIR_FROM_BIN)) });
}

QString ProgramFiles::path(const QString& relativePath) const
{
    QString besideProgram;
    for (const QString& folder : m_folders) {
        const QString candidate
            = QDir::toNativeSeparators(folder + QLatin1Char('/') + relativePath);
        if (besideProgram.isEmpty())
            besideProgram = candidate;
        if (QFileInfo::exists(candidate))
            return candidate;
    }
    return besideProgram;
}

} // namespace velmora
