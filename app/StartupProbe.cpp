#include "app/StartupProbe.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "forms/form.h"

namespace {

class FirstPaint : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint && !seen_) {
      seen_ = true;
      // Taken once the paint has been done, from the event loop.
      QTimer::singleShot(0, qApp, [] {
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        std::printf("first-paint %lld\n",
                    static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
        std::fflush(stdout);
        QCoreApplication::exit(0);
      });
    }
    return false;
  }

 private:
  bool seen_ = false;
};

}  // namespace

void InstallStartupProbe(forms::Form& window) {
  const char* probe = std::getenv("TAVREK_STARTUP_PROBE");
  if (!probe || std::strcmp(probe, "1") != 0) return;
  window.clientArea()->installEventFilter(new FirstPaint(window.clientArea()));
}
