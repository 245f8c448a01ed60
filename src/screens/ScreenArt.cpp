#include "screens/ScreenArt.h"

#include <QString>

ScreenArt ScreenArt::Load() {
    ScreenArt art;
    const auto load = [](const QString& path) {
        QImage image(path);
        return image.isNull() ? QImage() : image.convertToFormat(QImage::Format_RGB32);
    };
    art.splash = load(QStringLiteral(":/res/splash137.png"));
    art.cursor = load(QStringLiteral(":/res/cursor136.png"));
    for (int i = 0; i < 4; ++i) {
        art.radar[i] = load(QStringLiteral(":/res/radar%1.png").arg(139 + i));
    }
    return art;
}

const QImage* ScreenArt::Radar(int bitmapId) const {
    if (bitmapId < 139 || bitmapId > 142) return nullptr;
    const QImage& image = radar[bitmapId - 139];
    return image.isNull() ? nullptr : &image;
}

int CRadarAnimation::Advance() {
    m_counter += 1;
    if (m_counter > 7) m_counter = 0;
    return 139 + (m_counter % 4);
}
