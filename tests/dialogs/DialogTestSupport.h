#pragma once
// Running a modal dialog from a test: `action` runs inside exec()'s loop;
// a guard ends the loop if the action fails to, so no test can hang.

#include <QDialog>
#include <QImage>
#include <QString>
#include <QWidget>
#include <functional>

int RunModal(QDialog& dialog, const std::function<void()>& action);

// Sends a press, a move or a release of the left button at widget position.
void SendPress(QWidget& w, QPoint at);
void SendMove(QWidget& w, QPoint at, bool buttonDown);
void SendRelease(QWidget& w, QPoint at);

// The widget rendered into an RGB32 image of its own size.
QImage Render(QWidget& w);
