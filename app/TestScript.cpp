#include "app/TestScript.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QMainWindow>
#include <QPixmap>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextStream>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <memory>

#include "forms/control.h"
#include "forms/form.h"

namespace {

// Gap between two commands: the window paints in between (the X server draws asynchronously).
constexpr int kStepMs = 300;

forms::Control* FindControl(forms::Form& window, const QString& name) {
  for (int i = 0; i < window.ControlCount(); ++i) {
    forms::Control& c = window.Controls(i);
    QString full = c.Name();
    if (c.Index() >= 0) full += QStringLiteral("(%1)").arg(c.Index());
    if (full == name) return &c;
  }
  return nullptr;
}

void Fail(const QString& what) {
  std::fprintf(stderr, "TAVREK_TEST_SCRIPT: %s\n", qPrintable(what));
  QCoreApplication::exit(3);
}

// One line of the parts file for a visible widget, in screen pixels.
void Part(QTextStream& out, const QString& name, const QWidget* w) {
  if (!w || !w->isVisible()) return;
  const QPoint p = w->mapToGlobal(QPoint(0, 0));
  out << name << ' ' << p.x() << ' ' << p.y() << ' ' << w->width() << ' ' << w->height() << '\n';
}

bool Grab(forms::Form& window, const QString& file) {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen || !screen->grabWindow(0).save(file, "PNG")) return false;
  QFile parts(file + QStringLiteral(".txt"));
  if (!parts.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  QTextStream out(&parts);
  out << "screen 0 0 " << screen->geometry().width() << ' ' << screen->geometry().height() << '\n';
  Part(out, QStringLiteral("window"), window.window());
  Part(out, QStringLiteral("viewport"), window.scroller()->viewport());
  Part(out, QStringLiteral("hscroll"), window.scroller()->horizontalScrollBar());
  Part(out, QStringLiteral("vscroll"), window.scroller()->verticalScrollBar());
  for (int i = 0; i < window.ControlCount(); ++i) {
    forms::Control& c = window.Controls(i);
    QString name = c.Name();
    if (c.Index() >= 0) name += QStringLiteral("(%1)").arg(c.Index());
    Part(out, name, c.widget());
  }
  return true;
}

void Run(forms::Form& window, std::shared_ptr<QStringList> steps) {
  if (steps->isEmpty()) return;
  const QString step = steps->takeFirst().trimmed();
  const QString command = step.section(QLatin1Char(' '), 0, 0);
  const QString name = step.section(QLatin1Char(' '), 1, 1);
  const QString rest = step.section(QLatin1Char(' '), 2);
  if (command == QLatin1String("menu")) {
    auto* item = dynamic_cast<forms::MenuItem*>(FindControl(window, name));
    if (!item) return Fail(QStringLiteral("no menu entry ") + name);
    item->Action()->trigger();
  } else if (command == QLatin1String("list")) {
    auto* list = dynamic_cast<forms::ListBox*>(FindControl(window, name));
    if (!list) return Fail(QStringLiteral("no list box ") + name);
    int found = -1;
    for (int i = 0; i < list->ListCount() && found < 0; ++i)
      if (list->List(i) == rest) found = i;
    if (found < 0) return Fail(QStringLiteral("no entry ") + rest + QStringLiteral(" in ") + name);
    list->ClickItem(found);
  } else if (command == QLatin1String("scroll") && name == QLatin1String("end")) {
    QScrollArea* area = window.scroller();
    area->horizontalScrollBar()->setValue(area->horizontalScrollBar()->maximum());
    area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
  } else if (command == QLatin1String("grab")) {
    window.window()->repaint();
    QGuiApplication::sync();
    if (!Grab(window, name)) return Fail(QStringLiteral("cannot save ") + name);
  } else if (!command.isEmpty()) {
    return Fail(QStringLiteral("unknown command ") + command);
  }
  if (!window.IsLoaded()) return;  // "menu Esci" ended the program
  QTimer::singleShot(kStepMs, qApp, [&window, steps] { Run(window, steps); });
}

}  // namespace

void InstallTestScript(forms::Form& window) {
  const QByteArray script = qgetenv("TAVREK_TEST_SCRIPT");
  if (script.isEmpty()) return;
  auto steps = std::make_shared<QStringList>(QString::fromUtf8(script).split(QLatin1Char(';'), Qt::SkipEmptyParts));
  QTimer::singleShot(kStepMs, qApp, [&window, steps] { Run(window, steps); });
}
