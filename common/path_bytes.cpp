#include "path_bytes.h"

#include <QDir>
#include <QUrl>

#include <cstdlib>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {

namespace {

constexpr char16_t escapeBase = 0xDC00;

bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

/// The length of the valid UTF-8 sequence at the start of `bytes`, or 0 when there is none:
/// no overlong forms, no surrogates, nothing above U+10FFFF; its character in `decoded`.
std::size_t validSequenceLength(const unsigned char* bytes, std::size_t available,
                                char32_t& decoded)
{
    const unsigned char lead = bytes[0];
    decoded = lead;
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    char32_t lowest = 0;
    char32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        lowest = 0x80;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        lowest = 0x800;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        lowest = 0x10000;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (available < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if (!isContinuation(bytes[i]))
            return 0;
        code = (code << 6) | (bytes[i] & 0x3F);
    }
    if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    decoded = code;
    return length;
}

bool isEscapedByte(char16_t unit)
{
    return unit >= escapeBase + 0x80 && unit <= escapeBase + 0xFF;
}

bool exists(const QByteArray& path)
{
    struct stat status;
    return ::lstat(path.constData(), &status) == 0;
}

/// The one entry of `folderBytes` whose name, decoded as Qt decodes it, reads `lossyName`.
QByteArray matchingEntry(const QByteArray& folderBytes, const QString& lossyName)
{
    DIR* folder = ::opendir(folderBytes.isEmpty() ? "." : folderBytes.constData());
    if (!folder)
        return {};
    QByteArray match;
    int matches = 0;
    while (const dirent* entry = ::readdir(folder)) {
        const QByteArray name(entry->d_name);
        if (QString::fromUtf8(name) == lossyName) {
            match = name;
            ++matches;
        }
    }
    ::closedir(folder);
    return matches == 1 ? match : QByteArray();
}

} // namespace

QString pathFromBytes(QByteArrayView bytes)
{
    if (bytes.isValidUtf8())
        return QString::fromUtf8(bytes);
    QString path;
    path.reserve(bytes.size());
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = std::size_t(bytes.size());
    for (std::size_t i = 0; i < size;) {
        char32_t decoded = 0;
        const std::size_t length = validSequenceLength(data + i, size - i, decoded);
        if (length == 0) {
            path.append(QChar(char16_t(escapeBase + data[i])));
            ++i;
            continue;
        }
        // The character itself: Qt's decoders, given the sequence alone, drop a U+FEFF as
        // a byte-order mark.
        if (QChar::requiresSurrogates(decoded)) {
            path.append(QChar(QChar::highSurrogate(decoded)));
            path.append(QChar(QChar::lowSurrogate(decoded)));
        } else {
            path.append(QChar(char16_t(decoded)));
        }
        i += length;
    }
    return path;
}

QByteArray pathBytes(const QString& path)
{
    const QChar* units = path.constData();
    const qsizetype size = path.size();
    qsizetype plainEnd = 0;
    while (plainEnd < size && !units[plainEnd].isSurrogate())
        ++plainEnd;
    if (plainEnd == size)
        return path.toUtf8();

    QByteArray bytes = QStringView(units, plainEnd).toUtf8();
    qsizetype runStart = plainEnd;
    for (qsizetype i = plainEnd; i < size;) {
        // A surrogate pair is a character like any other; only a lone low surrogate in the
        // escape range stands for a raw byte.
        if (units[i].isHighSurrogate() && i + 1 < size && units[i + 1].isLowSurrogate()) {
            i += 2;
            continue;
        }
        if (!isEscapedByte(units[i].unicode())) {
            ++i;
            continue;
        }
        bytes += QStringView(units + runStart, i - runStart).toUtf8();
        bytes += char(units[i].unicode() - escapeBase);
        runStart = ++i;
    }
    bytes += QStringView(units + runStart, size - runStart).toUtf8();
    return bytes;
}

QString displayedPath(const QString& path)
{
    QString shown = path;
    QChar* units = shown.data();
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (units[i].isHighSurrogate() && i + 1 < shown.size() && units[i + 1].isLowSurrogate())
            ++i;
        else if (isEscapedByte(units[i].unicode()))
            units[i] = QChar::ReplacementCharacter;
    }
    return shown;
}

QString pathFromUrl(const QUrl& url)
{
    if (!url.isLocalFile())
        return url.toLocalFile();
    const QByteArray escaped = url.path(QUrl::FullyEncoded).toLatin1();
    QString path = pathFromBytes(QByteArray::fromPercentEncoding(escaped));
    const QString host = url.host();
    if (!host.isEmpty())
        path = QStringLiteral("//") + host + path;
    return path;
}

QString absolutePath(const QString& path)
{
    if (path.startsWith(QLatin1Char('/')))
        return QDir::cleanPath(path);
    const std::unique_ptr<char, decltype(&std::free)> folder(::getcwd(nullptr, 0), &std::free);
    if (!folder)
        return QDir::cleanPath(path);
    return QDir::cleanPath(pathFromBytes(folder.get()) + QLatin1Char('/') + path);
}

QString recoverLossyPath(const QString& path)
{
    if (!path.contains(QChar::ReplacementCharacter) || exists(pathBytes(path)))
        return path;
    const qsizetype lastSeparator = path.lastIndexOf(QLatin1Char('/'));
    const QString folder = lastSeparator < 0 ? QString() : path.left(lastSeparator);
    const QString name = path.mid(lastSeparator + 1);
    const QString realFolder = lastSeparator == 0 ? QStringLiteral("/") : recoverLossyPath(folder);
    const QByteArray folderBytes = pathBytes(realFolder);
    const QByteArray entry = name.contains(QChar::ReplacementCharacter)
        ? matchingEntry(folderBytes, name)
        : pathBytes(name);
    if (entry.isEmpty())
        return path;
    QByteArray recovered = folderBytes;
    if (lastSeparator >= 0 && !recovered.endsWith('/'))
        recovered += '/';
    recovered += entry;
    return pathFromBytes(recovered);
}

} // namespace velmora
