#include "quit_after.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "skinmanager.h"

namespace {

const char* const kOption = "--quit-after";

void CloseFrontWindow() {
    QWidget* window = QApplication::activeModalWidget();
    if (window == nullptr) return;
    std::printf("closing \"%s\" skin=%s\n", window->windowTitle().toUtf8().constData(),
                SkinManager::Instance().CurrentSkin().toUtf8().constData());
    std::fflush(stdout);
    window->close();
}

}  // namespace

bool ParseQuitAfter(int argc, char** argv, int* ms) {
    *ms = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], kOption) != 0) continue;
        const char* text = i + 1 < argc ? argv[i + 1] : "";
        char* end = nullptr;
        errno = 0;
        const long value = std::strtol(text, &end, 10);
        if (*text == '\0' || *end != '\0' || errno != 0 || value < 1 || value > 3600000) {
            std::fprintf(stderr, "%s needs a time in milliseconds (1 to 3600000), not '%s'\n",
                         kOption, text);
            return false;
        }
        *ms = static_cast<int>(value);
    }
    return true;
}

void StartQuitAfter(int ms) {
    if (ms <= 0) return;
    auto* timer = new QTimer(QCoreApplication::instance());
    QObject::connect(timer, &QTimer::timeout, timer, CloseFrontWindow);
    timer->start(ms);
}
