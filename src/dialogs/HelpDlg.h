#pragma once
// "Pellorin Help": the whole user guide as one list of text lines (see
// HelpText.h). No horizontal extent is set, so a line wider than the list is
// cut off at its right edge.

#include <QDialog>
#include <QListWidget>

class CHelpDlg : public QDialog {
    Q_OBJECT
public:
    explicit CHelpDlg(QWidget* parent = nullptr);

    // Empties the list and adds the help lines in order.
    void FillList();

    QListWidget m_list;
};
