#include "result_store.h"

#include <QCoreApplication>

#include <algorithm>
#include <cerrno>
#include <new>

namespace velmora {

namespace {

// Line numbers go before their lines in 7 bits a byte, the lowest first, the top bit set
// on every byte but the last: most take one to four bytes, which the spill file keeps
// outside the program's own memory.
constexpr unsigned numberBitsPerByte = 7;
constexpr std::uint8_t moreBytes = 0x80;

unsigned putLineNumber(char* out, std::uint64_t number)
{
    unsigned used = 0;
    while (number >= moreBytes) {
        out[used++] = char(std::uint8_t(number) | moreBytes);
        number >>= numberBitsPerByte;
    }
    out[used++] = char(number);
    return used;
}

} // namespace

void ResultStore::beginFile(const QString& path)
{
    if (!m_files.empty() && m_files.back().firstRow == rowCount())
        m_files.back().path = path; // the file before gave no rows
    else
        m_files.push_back({ rowCount(), path });
}

void ResultStore::addRow(std::string_view lineBytes, CharacterCount characters,
                         LineNumber lineNumber)
{
    const std::uint64_t count = characters.value;
    if (m_records.isFull()) {
        failRow(QCoreApplication::translate("ResultStore", "Too many rows to keep"));
        return;
    }
    char head[RowRecords::headLimit];
    // A number too large for the head cannot come from a file the records can place: such a
    // file would be longer than their offsets reach.
    const unsigned headBytes
        = (lineNumber.value >> (numberBitsPerByte * (RowRecords::headLimit - 1))) == 0
        ? putLineNumber(head, lineNumber.value)
        : RowRecords::headLimit;
    if (headBytes >= RowRecords::headLimit
        || !m_records.fits(lineBytes.size() + headBytes, count)) {
        failRow(QCoreApplication::translate("ResultStore", "A line of %1 bytes is too long to keep")
                    .arg(lineBytes.size()));
        return;
    }
    try {
        m_records.reserveNext(count);
        if (!m_text.append({ head, headBytes }, lineBytes)) {
            failRow(m_text.errorString());
            return;
        }
    } catch (const std::bad_alloc&) {
        failRow(qt_error_string(ENOMEM));
        return;
    }
    m_records.append(lineBytes.size() + headBytes, count, headBytes);
}

std::uint64_t ResultStore::lineNumber(int row) const
{
    const auto* head = reinterpret_cast<const std::uint8_t*>(m_text.at(m_records.offset(row)));
    const unsigned headBytes = m_records.headBytes(row);
    std::uint64_t number = 0;
    for (unsigned i = headBytes; i-- > 0;)
        number = (number << numberBitsPerByte) | (head[i] & (moreBytes - 1));
    return number;
}

QString ResultStore::filePath(int row) const
{
    const auto after
        = std::upper_bound(m_files.cbegin(), m_files.cend(), row,
                           [](int wanted, const FileRows& file) { return wanted < file.firstRow; });
    return after == m_files.cbegin() ? QString() : std::prev(after)->path;
}

void ResultStore::clear()
{
    m_text.clear();
    m_records.clear();
    m_files.clear();
}

} // namespace velmora
