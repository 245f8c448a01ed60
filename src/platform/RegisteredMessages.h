#pragma once
// Registered messages: one event type per name for the whole run, and a
// thread-safe post that carries wParam and lParam, the way the handheld's
// RegisterWindowMessage and PostMessage did.

#include <QEvent>
#include <cstdint>
#include <string>

class QObject;

namespace platform {

// The event type registered for `name`; the same id for the same name on
// every call, from any thread.
int RegisterWindowMessage(const std::string& name);

class RegisteredMessageEvent : public QEvent {
public:
    RegisteredMessageEvent(int type, intptr_t wParam, intptr_t lParam)
        : QEvent(static_cast<QEvent::Type>(type)), m_wParam(wParam), m_lParam(lParam) {}
    intptr_t WParam() const { return m_wParam; }
    intptr_t LParam() const { return m_lParam; }

private:
    intptr_t m_wParam;
    intptr_t m_lParam;
};

// Queues the message for `target`'s thread; safe from any thread.
void PostMessage(QObject* target, int messageId, intptr_t wParam = 0, intptr_t lParam = 0);

}  // namespace platform

// The messages of the program, registered at first use.
int TalvDrawMessage();          // "TALV_DRAW": board worker -> view
int TalvStatusUpdateMessage();  // "TALV_STATUS_UPDATE": view -> frame
int TalvBoardStateMessage();    // "TALV_BOARD_STATE": board (any thread) -> view
