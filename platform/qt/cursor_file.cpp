#include "cursor_file.h"

#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QtEndian>

namespace velmora {

namespace {

constexpr int directorySize = 6;
constexpr int entrySize = 16;
constexpr quint16 cursorType = 2;
constexpr quint16 iconType = 1;

quint16 readWord(const QByteArray& bytes, int at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

} // namespace

std::optional<QCursor> loadCursorFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.readAll();
    if (bytes.size() < directorySize + entrySize || readWord(bytes, 0) != 0
        || readWord(bytes, 2) != cursorType || readWord(bytes, 4) < 1)
        return std::nullopt;

    const int hotX = readWord(bytes, directorySize + 4);
    const int hotY = readWord(bytes, directorySize + 6);

    // A cursor file is an icon file whose plane and bit-count fields hold the hot spot. Give
    // them back their icon meaning and let the icon reader decode the image.
    qToLittleEndian<quint16>(iconType, bytes.data() + 2);
    qToLittleEndian<quint16>(1, bytes.data() + directorySize + 4);
    qToLittleEndian<quint16>(32, bytes.data() + directorySize + 6);
    const QImage image = QImage::fromData(bytes, "ICO");
    if (image.isNull())
        return std::nullopt;
    return QCursor(QPixmap::fromImage(image), hotX, hotY);
}

} // namespace velmora
