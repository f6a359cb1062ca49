#include "qt_message_boxes.h"

#include <QMessageBox>

namespace velmora {

MessageAnswer QtMessageBoxes::show(const QString& text, const QString& caption,
                                   MessageButtons buttons, MessageIcon icon)
{
    QMessageBox box(icon == MessageIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                    caption, withDisplayLineBreaks(text), QMessageBox::NoButton, m_owner.get());
    // Paths and file contents reach these boxes: never read them as markup.
    box.setTextFormat(Qt::PlainText);
    if (buttons == MessageButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    const int pressed = box.exec();
    if (buttons == MessageButtons::Ok)
        return MessageAnswer::Ok;
    return pressed == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

} // namespace velmora
