#include "qt_output_files.h"

#include <QSaveFile>

namespace velmora {

namespace {

class SaveFile final : public PendingFile
{
public:
    explicit SaveFile(const QString& path)
        : m_file(path)
    { }

    bool open() { return m_file.open(QIODevice::WriteOnly); }

    std::size_t write(std::string_view bytes) override
    {
        const qint64 written = m_file.write(bytes.data(), qint64(bytes.size()));
        return written < 0 ? 0 : std::size_t(written);
    }

    bool commit() override { return m_file.commit(); }
    QString errorString() const override { return m_file.errorString(); }

private:
    QSaveFile m_file;
};

} // namespace

std::unique_ptr<PendingFile> QtOutputFiles::beginReplacing(const QString& path, QString& error)
{
    auto file = std::make_unique<SaveFile>(path);
    if (!file->open()) {
        error = file->errorString();
        return nullptr;
    }
    return file;
}

} // namespace velmora
