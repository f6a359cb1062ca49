#pragma once

#include "counting/output/forwarding_sink.h"
#include "counting/rows/result_store.h"

#include <Qt>

#include <optional>

namespace velmora {

class ResultsWriter;

/// The end of the row stream: hands rows to the results writer, at once or, when they are to
/// be sorted, after the count. Rows are either the counter's own, written as the count, a tab
/// and the line, or lines a printer laid out, written as they are and sorted by their count.
class RowOutput final : public ForwardingSink
{
public:
    enum class Layout { CountAndLine, AsLaidOut };

    /// Rows held back for sorting are kept in `sortedRows`, an empty store.
    RowOutput(ResultsWriter& writer, Layout layout, std::optional<Qt::SortOrder> sortOrder,
              ResultStore sortedRows = ResultStore());

    void addRow(std::string_view lineBytes, CharacterCount count, LineNumber lineNumber) override;
    /// Writes the rows held back for sorting, in order; nothing when some could not be kept,
    /// since sorted rows with some missing would look complete.
    void finish();

    /// Why rows held back for sorting could not all be kept (a full temporary folder); empty
    /// while they could. No later row can be written in its place, so the run has failed.
    const QString& keepingFailure() const { return m_keepingFailure; }

private:
    ResultsWriter& m_writer;
    const Layout m_layout;
    const std::optional<Qt::SortOrder> m_sortOrder;
    ResultStore m_store;
    QString m_keepingFailure;
};

} // namespace velmora
