#pragma once
// "Pellorin Help": the whole user guide as one list of text lines (see
// HelpText.h). No horizontal extent is set, so a line wider than the list is
// cut off at its right edge (only the handheld's two long stored lines are).

#include <QDialog>
#include <QListWidget>

class CHelpDlg : public QDialog {
    Q_OBJECT
public:
    explicit CHelpDlg(QWidget* parent = nullptr);

    // Empties the list and adds the help lines in order: the stored lines at
    // the handheld's size, wrapped again to the list at a larger multiple.
    void FillList();

    QListWidget m_list;

private:
    int TextRoom();
};
