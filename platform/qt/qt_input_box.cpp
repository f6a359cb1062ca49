#include "qt_input_box.h"

#include <QInputDialog>

namespace velmora {

QString QtInputBox::ask(const QString& prompt, const QString& caption, const QString& defaultAnswer)
{
    QInputDialog dialog(m_owner.get());
    dialog.setWindowTitle(caption);
    dialog.setLabelText(withDisplayLineBreaks(prompt));
    dialog.setTextValue(defaultAnswer);
    dialog.setInputMode(QInputDialog::TextInput);
    return dialog.exec() == QDialog::Accepted ? dialog.textValue() : QString();
}

} // namespace velmora
