#include "platform/RegisteredMessages.h"

#include <QCoreApplication>
#include <map>
#include <mutex>

namespace platform {

namespace {
struct Registry {
    std::mutex lock;
    std::map<std::string, int> ids;
};
Registry& TheRegistry() {
    static Registry registry;
    return registry;
}
}  // namespace

int RegisterWindowMessage(const std::string& name) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> hold(r.lock);
    auto it = r.ids.find(name);
    if (it != r.ids.end()) return it->second;
    const int id = QEvent::registerEventType();
    r.ids.emplace(name, id);
    return id;
}

void PostMessage(QObject* target, int messageId, intptr_t wParam, intptr_t lParam) {
    if (target == nullptr || messageId <= 0) return;
    QCoreApplication::postEvent(target, new RegisteredMessageEvent(messageId, wParam, lParam));
}

}  // namespace platform

int TalvDrawMessage() {
    static const int id = platform::RegisterWindowMessage("TALV_DRAW");
    return id;
}

int TalvStatusUpdateMessage() {
    static const int id = platform::RegisterWindowMessage("TALV_STATUS_UPDATE");
    return id;
}

int TalvBoardStateMessage() {
    static const int id = platform::RegisterWindowMessage("TALV_BOARD_STATE");
    return id;
}
