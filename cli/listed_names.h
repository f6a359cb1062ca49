#pragma once

#include "count_inputs.h"

#include <QStringList>

namespace velmora {

/// The file names held in `listPath` ("-": standard input), each ended by a NUL as
/// `find -print0` writes them; the last may end with the file instead. An empty name, and "-"
/// among names read from standard input, is told to `complain` with its place in the list and
/// left out; a list that cannot be read is told and gives no names.
QStringList namesFromList(const QString& listPath, const Complaint& complain);

} // namespace velmora
