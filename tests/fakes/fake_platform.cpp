#include "fake_platform.h"

#include "common/replacing_output_file.h"

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

/// The real output, with a final step that can be made to fail.
class FaultyFile final : public PendingFile
{
public:
    FaultyFile(std::unique_ptr<PendingFile> file, bool commitFails)
        : m_file(std::move(file))
        , m_commitFails(commitFails)
    { }

    std::size_t write(std::string_view bytes) override { return m_file->write(bytes); }

    bool commit() override
    {
        if (m_commitFails) {
            m_error = QStringLiteral("Device or resource busy");
            return false;
        }
        return m_file->commit();
    }

    QString errorString() const override
    {
        return m_error.isEmpty() ? m_file->errorString() : m_error;
    }

private:
    std::unique_ptr<PendingFile> m_file;
    bool m_commitFails;
    QString m_error;
};

} // namespace

std::unique_ptr<PendingFile> FakeOutputFileOpener::beginReplacing(const QString& path,
                                                                  QString& error)
{
    begun.append(path);
    std::unique_ptr<PendingFile> file = ReplacingOutputFile::open(path, error);
    if (!file)
        return nullptr;
    return std::make_unique<FaultyFile>(std::move(file), commitFails);
}

} // namespace velmora::testing
