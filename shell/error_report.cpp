#include "error_report.h"

#include "platform/message_boxes.h"

namespace velmora {

QString errorReportText(const QString& description, const QString& handler, int line)
{
    return description + QStringLiteral("\r\n") + QStringLiteral("in Kestrune.Form1.") + handler
        + QLatin1Char(' ') + QStringLiteral("at line ") + QString::number(line);
}

void showErrorReport(MessageBoxes& messages, const QString& description, const QString& handler,
                     int line)
{
    messages.show(errorReportText(description, handler, line), QStringLiteral("Application Error"),
                  MessageButtons::Ok, MessageIcon::Exclamation);
}

} // namespace velmora
