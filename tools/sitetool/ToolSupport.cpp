// What every command of pellorin-site shares: how it fails, and the guard
// that keeps it from writing over what it reads.

#include <sys/stat.h>

#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "SiteCommands.h"

int Fail(const QString& text) {
    std::fprintf(stderr, "%s\n", qPrintable(text));
    return 1;
}

int Fail(const SiteStatus& status) { return Fail(QString::fromStdString(status.text)); }

int GuardOutput(const QString& input, const QString& output, const char* what) {
    struct stat in {
    }, out{};
    if (output.isEmpty() || ::stat(QFile::encodeName(input).constData(), &in) != 0 ||
        ::stat(QFile::encodeName(output).constData(), &out) != 0)
        return 0;
    if (in.st_dev != out.st_dev || in.st_ino != out.st_ino) return 0;
    return Fail(QString("The output file is the %1; choose another name.").arg(what));
}

uint32_t SaveTime() {
    if (const char* fixed = std::getenv("SOURCE_DATE_EPOCH")) {
        char* end = nullptr;
        const unsigned long long v = std::strtoull(fixed, &end, 10);
        if (end != fixed && *end == '\0') return static_cast<uint32_t>(v);
    }
    return static_cast<uint32_t>(std::time(nullptr));
}
