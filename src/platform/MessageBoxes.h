#pragma once
// Message boxes behind an interface: the program asks with the handheld's
// types (MB_*) and gets the handheld's answers (ID*); tests install a fake
// that answers and records.

#include <QString>
#include <memory>

class QWidget;

namespace platform {

enum MessageBoxType : unsigned {
    MB_OK = 0x0,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_ICONHAND = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONEXCLAMATION = 0x30,
};
enum MessageBoxAnswer : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

class IMessageBoxes {
public:
    virtual ~IMessageBoxes() = default;
    virtual int Show(QWidget* parent, const QString& text, const QString& caption,
                     unsigned type) = 0;
};

// QMessageBox with the same texts, captions, buttons and icon.
class QtMessageBoxes : public IMessageBoxes {
public:
    int Show(QWidget* parent, const QString& text, const QString& caption, unsigned type) override;
};

// The boxes in use (QtMessageBoxes unless replaced); never null.
IMessageBoxes& MessageBoxes();
// Installs `boxes` (not owned); null restores the Qt boxes.
void SetMessageBoxes(IMessageBoxes* boxes);

inline int MessageBox(QWidget* parent, const QString& text, const QString& caption, unsigned type) {
    return MessageBoxes().Show(parent, text, caption, type);
}

}  // namespace platform
