/* Velmora's theme: the system's button face with soft blue-grey accents.
   A Qt style sheet; the program applies it to its main window when this file is present. */

QWidget#Form1 {
    background-color: palette(button);
}

/* The frames keep the program's own line and caption places; only their colours change. */
QGroupBox {
    border-color: #b9c3cf;
    border-radius: 5px;
    color: #23384f;
}

QPushButton {
    color: #17273a;
    background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #ffffff, stop: 1 #e4e9f0);
    border: 1px solid #98a7b9;
    border-radius: 5px;
    padding: 0px 2px;
}

QPushButton:hover {
    background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #f6faff, stop: 1 #d7e5f6);
    border-color: #4b7fbf;
}

QPushButton:pressed {
    background-color: #c8d9ef;
    border-color: #35689f;
}

QPushButton:focus {
    border: 2px solid #4b7fbf;
}

QPushButton:disabled {
    color: #8a96a3;
    background-color: #eceff3;
    border-color: #c3cbd4;
}

QLineEdit {
    background-color: #ffffff;
    border: 1px solid #a9b6c5;
    border-radius: 3px;
    padding: 1px 4px;
    selection-background-color: #4b7fbf;
}

QLineEdit:focus {
    border-color: #4b7fbf;
}

QTableView {
    background-color: #ffffff;
    alternate-background-color: #f4f7fa;
    border: 1px solid #a9b6c5;
    selection-background-color: #4b7fbf;
    selection-color: #ffffff;
}

QHeaderView::section {
    background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #f7f9fb, stop: 1 #e3e8ee);
    color: #23384f;
    border: none;
    border-right: 1px solid #c5ced8;
    border-bottom: 1px solid #b9c3cf;
    padding: 1px 5px;
}
