#include "result_store.h"

#include <QCoreApplication>

#include <cerrno>
#include <new>

namespace velmora {

void ResultStore::addRow(std::string_view lineBytes, CharacterCount characters, LineNumber)
{
    const std::uint64_t count = characters.value;
    if (m_records.isFull()) {
        failRow(QCoreApplication::translate("ResultStore", "Too many rows to keep"));
        return;
    }
    if (!m_records.fits(lineBytes.size(), count)) {
        failRow(QCoreApplication::translate("ResultStore", "A line of %1 bytes is too long to keep")
                    .arg(lineBytes.size()));
        return;
    }
    try {
        m_records.reserveNext(count);
        if (!m_text.append(lineBytes)) {
            failRow(m_text.errorString());
            return;
        }
    } catch (const std::bad_alloc&) {
        failRow(qt_error_string(ENOMEM));
        return;
    }
    m_records.append(lineBytes.size(), count);
}

void ResultStore::clear()
{
    m_text.clear();
    m_records.clear();
}

} // namespace velmora
