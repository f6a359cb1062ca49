#include "progress_line.h"

#include "counting/text/line_length.h"

#include <QString>

#include <cstdio>
#include <iterator>
#include <sys/ioctl.h>
#include <unistd.h>

namespace velmora {

namespace {

constexpr auto quietTime = std::chrono::seconds(1);
constexpr auto redrawInterval = std::chrono::milliseconds(200);

QString byteSize(double bytes)
{
    static const char* const units[] = { "B", "KiB", "MiB", "GiB", "TiB" };
    std::size_t unit = 0;
    while (bytes >= 1024.0 && unit + 1 < std::size(units)) {
        bytes /= 1024.0;
        ++unit;
    }
    return QString::number(bytes, 'f', unit == 0 ? 0 : 1) + u' ' + QLatin1StringView(units[unit]);
}

/// `line` cut to fit the terminal on standard error, by the columns its characters take there:
/// a line that wrapped would leave its first part behind at every redraw. The last column
/// stays free, since some terminals move on to the next line once it is written. Read at
/// every redraw, so a resized window is followed within one.
QByteArray fittedToTerminal(const QByteArray& line)
{
    struct winsize size;
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0)
        return line;
    const std::string_view text(line.constData(), std::size_t(line.size()));
    return line.left(qsizetype(prefixWithin(text, LengthUnit::Columns, size.ws_col - 1u).bytes));
}

} // namespace

bool ProgressLine::wanted(bool rowsToStandardOutput)
{
    return isatty(STDERR_FILENO) == 1 && !(rowsToStandardOutput && isatty(STDOUT_FILENO) == 1);
}

ProgressLine::ProgressLine(const CountProgress& progress,
                           std::function<std::optional<qint64>()> totalBytes, int files)
    : m_progress(progress)
    , m_askTotalBytes(std::move(totalBytes))
    , m_files(files)
    , m_start(std::chrono::steady_clock::now())
    , m_thread([this] { run(); })
{ }

ProgressLine::~ProgressLine()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_stopped.notify_all();
    m_thread.join();
    erase();
}

void ProgressLine::interrupt(const std::function<void()>& write)
{
    const std::lock_guard lock(m_mutex);
    erase();
    write();
}

void ProgressLine::run()
{
    std::unique_lock lock(m_mutex);
    m_stopped.wait_until(lock, m_start + quietTime, [this] { return m_stop; });
    if (!m_stop) {
        // Asked without the lock, so that a message on standard error never waits for it.
        lock.unlock();
        const std::optional<qint64> totalBytes = m_askTotalBytes();
        lock.lock();
        m_totalBytes = totalBytes;
    }
    while (!m_stop) {
        draw();
        m_stopped.wait_for(lock, redrawInterval, [this] { return m_stop; });
    }
}

void ProgressLine::draw()
{
    const qint64 done = m_progress.bytesDone.load(std::memory_order_relaxed);
    const double seconds
        = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    QString text = QStringLiteral("velmora-count: ") + byteSize(double(done));
    if (m_totalBytes && *m_totalBytes > 0) {
        text += QStringLiteral(" of %1 (%2 %)")
                    .arg(byteSize(double(*m_totalBytes)))
                    .arg(qMin(done * 100 / *m_totalBytes, qint64(100)));
    }
    text += QStringLiteral(", %1/s, %2 of %3 files")
                .arg(byteSize(double(done) / seconds))
                .arg(m_progress.filesDone.load(std::memory_order_relaxed))
                .arg(m_files);
    // Back to the line's start, the text, and the rest of the old line cleared.
    const QByteArray line = "\r" + fittedToTerminal(text.toUtf8()) + "\x1b[K";
    std::fputs(line.constData(), stderr);
    std::fflush(stderr);
    m_shown = true;
}

void ProgressLine::erase()
{
    if (!m_shown)
        return;
    std::fputs("\r\x1b[K", stderr);
    std::fflush(stderr);
    m_shown = false;
}

} // namespace velmora
