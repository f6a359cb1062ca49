#include "fake_platform.h"

#include <QSaveFile>

namespace velmora::testing {

namespace {

template<typename T> T takeFirst(std::deque<T>& queue, T whenEmpty)
{
    if (queue.empty())
        return whenEmpty;
    T value = std::move(queue.front());
    queue.pop_front();
    return value;
}

} // namespace

MessageAnswer FakeMessageBoxes::show(const QString& text, const QString& caption,
                                     MessageButtons buttons, MessageIcon icon)
{
    shown.append({ text, caption, buttons, icon });
    if (whileShown)
        whileShown(shown.last());
    if (buttons == MessageButtons::Ok)
        return MessageAnswer::Ok;
    return takeFirst(answers, MessageAnswer::No);
}

QString FakeInputBox::ask(const QString& prompt, const QString& caption,
                          const QString& defaultAnswer)
{
    asked.append({ prompt, caption, defaultAnswer });
    return takeFirst(answers, QString());
}

QString FakeFileDialogs::openFiles(const FileDialogRequest& request)
{
    openRequests.append(request);
    return takeFirst(openResults, QString());
}

QString FakeFileDialogs::saveFile(const FileDialogRequest& request)
{
    saveRequests.append(request);
    return takeFirst(saveResults, QString());
}

QString FakeFolderPicker::pickFolder(const QString& prompt)
{
    prompts.append(prompt);
    return takeFirst(results, QString());
}

QString FakeSettingsStore::readText(const QString& section, const QString& key,
                                    const QString& defaultValue) const
{
    return values.value(section + QLatin1Char('/') + key, defaultValue);
}

void FakeSettingsStore::writeText(const QString& section, const QString& key, const QString& value)
{
    values.insert(section + QLatin1Char('/') + key, value);
    writes.append(section + QLatin1Char('/') + key + QLatin1Char('=') + value);
}

void FakeWindowPointer::setPointer(MousePointer pointer)
{
    current = pointer;
    history.append(pointer);
}

bool FakeWindowPointer::loadCustomImage(const QString& cursorFile)
{
    loadedImages.append(cursorFile);
    return imagesLoad;
}

double FakeRandom::nextUnit()
{
    ++draws;
    return takeFirst(values, 0.5);
}

void FakeEventPump::processWaitingEvents()
{
    ++calls;
    if (atYield)
        atYield(calls);
}

void FakeProgressDisplay::begin(const QString& label, qint64 newTotal)
{
    labels.append(label);
    total = newTotal;
    lastDone = 0;
}

namespace {

class FaultyFile final : public PendingFile
{
public:
    FaultyFile(const QString& path, std::optional<qint64> room, bool commitFails)
        : m_file(path)
        , m_room(room)
        , m_commitFails(commitFails)
    { }

    bool open() { return m_file.open(QIODevice::WriteOnly); }

    std::size_t write(std::string_view bytes) override
    {
        std::size_t taken = bytes.size();
        if (m_room) {
            taken = std::min<std::size_t>(taken, std::size_t(*m_room));
            *m_room -= qint64(taken);
        }
        m_file.write(bytes.data(), qint64(taken));
        if (taken < bytes.size())
            m_error = QStringLiteral("No space left on device");
        return taken;
    }

    bool commit() override
    {
        if (!m_error.isEmpty() || m_commitFails) {
            if (m_error.isEmpty())
                m_error = QStringLiteral("Device or resource busy");
            m_file.cancelWriting();
            m_file.commit();
            return false;
        }
        return m_file.commit();
    }

    QString errorString() const override
    {
        return m_error.isEmpty() ? m_file.errorString() : m_error;
    }

private:
    QSaveFile m_file;
    std::optional<qint64> m_room;
    bool m_commitFails;
    QString m_error;
};

} // namespace

std::unique_ptr<PendingFile> FakeOutputFiles::beginReplacing(const QString& path, QString& error)
{
    begun.append(path);
    auto file = std::make_unique<FaultyFile>(path, diskFullAfter, commitFails);
    if (!file->open()) {
        error = file->errorString();
        return nullptr;
    }
    return file;
}

} // namespace velmora::testing
