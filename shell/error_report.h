#pragma once

#include <QString>

namespace velmora {

class MessageBoxes;

/// The text of the report a command handler shows when one of its numbered steps fails:
/// the failure's description, then "in Kestrune.Form1.<handler> at line <line>".
QString errorReportText(const QString& description, const QString& handler, int line);

/// Shows that report in a warning box captioned "Application Error" and waits for OK.
void showErrorReport(MessageBoxes& messages, const QString& description, const QString& handler,
                     int line);

} // namespace velmora
