#include "app/TestScript.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QProgressDialog>
#include <QSaveFile>
#include <QToolButton>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
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
#include <cstdlib>
#include <memory>

#include "app/Tavrek.h"
#include "documenta/Documenta.h"
#include "documenta/Parts.h"
#include "forms/control.h"
#include "forms/form.h"
#include "forms/menu_bar.h"

namespace {

// Gap between two commands: the window paints in between (the X server draws asynchronously).
constexpr int kStepMs = 300;

// The named parts of the "Documenta" windows.
constexpr const char* kParts[] = {"Tabella", "Proprieta", "Diagramma", "Oggetti", "Codice",
                                  "UsatoDa", "Formati", "Differenze"};

// A part of that name in a window on show (the main window's own controls are found first).
QWidget* FindPart(const QString& name) {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (!w->isVisible()) continue;
    if (w->objectName() == name) return w;
    if (auto* p = w->findChild<QWidget*>(name)) return p;
  }
  return nullptr;
}

// The first row (depth first) whose text in any column is `text`.
QModelIndex FindRow(const QAbstractItemModel& model, const QModelIndex& parent, const QString& text) {
  for (int r = 0; r < model.rowCount(parent); ++r) {
    for (int c = 0; c < model.columnCount(parent); ++c)
      if (model.index(r, c, parent).data().toString() == text) return model.index(r, 0, parent);
    const QModelIndex child = model.index(r, 0, parent);
    if (model.hasChildren(child)) {
      const QModelIndex found = FindRow(model, child, text);
      if (found.isValid()) return found;
    }
  }
  return {};
}

// Chooses `entry` in the part `part` as a click would; false when it has no such entry.
bool ChooseEntry(QWidget* part, const QString& entry) {
  if (auto* view = dynamic_cast<documenta::DiagramView*>(part)) return view->PickTable(entry);
  if (auto* combo = qobject_cast<QComboBox*>(part)) {
    const int i = combo->findText(entry, Qt::MatchExactly);
    if (i < 0) return false;
    combo->setCurrentIndex(i);
    return true;
  }
  if (auto* list = qobject_cast<QListWidget*>(part)) {
    const auto items = list->findItems(entry, Qt::MatchExactly);
    if (items.isEmpty()) return false;
    list->setCurrentItem(items.front());
    return true;
  }
  if (auto* view = qobject_cast<QAbstractItemView*>(part)) {
    if (!view->model()) return false;
    const QModelIndex found = FindRow(*view->model(), QModelIndex(), entry);
    if (!found.isValid()) return false;
    view->setCurrentIndex(found);
    view->scrollTo(found);
    emit view->clicked(found);
    return true;
  }
  return false;
}

bool WriteUtf8(const QString& file, const QString& text) {
  QSaveFile out(file);
  return out.open(QIODevice::WriteOnly) && out.write(text.toUtf8()) >= 0 && out.commit();
}

// A dialog (a message box, a file dialog, a question) waiting for an answer nobody will give:
// the script says which and ends the program rather than hang.
void WatchForWaitingDialogs() {
  auto* timer = new QTimer(qApp);
  auto since = std::make_shared<std::pair<QWidget*, int>>(nullptr, 0);
  QObject::connect(timer, &QTimer::timeout, qApp, [since] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!qobject_cast<QDialog*>(modal) || qobject_cast<QProgressDialog*>(modal)) {
      *since = {nullptr, 0};
      return;
    }
    if (since->first != modal) *since = {modal, 0};
    if (++since->second < 10) return;  // five seconds
    QString text;
    if (auto* box = qobject_cast<QMessageBox*>(modal)) text = box->text();
    std::fprintf(stderr, "TAVREK_TEST_SCRIPT: a dialog waits for an answer: %s: %s\n",
                 qPrintable(modal->windowTitle()), qPrintable(text.replace(QLatin1Char('\n'), QLatin1Char(' '))));
    std::fflush(stderr);
    std::_Exit(3);
  });
  timer->start(500);
}

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

bool Grab(Tavrek& window, const QString& file) {
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
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (!w->isVisible() || !w->objectName().startsWith(QLatin1String("Finestra"))) continue;
    Part(out, w->objectName(), w);
    for (const char* part : kParts)
      if (auto* p = w->findChild<QWidget*>(QString::fromLatin1(part))) Part(out, QString::fromLatin1(part), p);
  }
  return true;
}

void Run(Tavrek& window, std::shared_ptr<QStringList> steps) {
  if (steps->isEmpty()) return;
  const QString step = steps->takeFirst().trimmed();
  const QString command = step.section(QLatin1Char(' '), 0, 0);
  const QString name = step.section(QLatin1Char(' '), 1, 1);
  const QString rest = step.section(QLatin1Char(' '), 2);
  if (command == QLatin1String("menu")) {
    auto* item = dynamic_cast<forms::MenuItem*>(FindControl(window, name));
    if (!item) return Fail(QStringLiteral("no menu entry ") + name);
    // An open menu closes first, as it does when one of its entries is chosen.
    if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    if (QMenu* menu = item->Menu()) {
      if (item->Action()->isEnabled()) {
        QPoint at = window.window()->mapToGlobal(QPoint(0, 0));
        for (auto* button : window.menuBar()->findChildren<QToolButton*>())
          if (button->defaultAction() == item->Action()) at = button->mapToGlobal(QPoint(0, button->height()));
        menu->popup(at);
      }
    } else {
      item->Action()->trigger();
    }
  } else if (command == QLatin1String("list")) {
    if (auto* list = dynamic_cast<forms::ListBox*>(FindControl(window, name))) {
      int found = -1;
      for (int i = 0; i < list->ListCount() && found < 0; ++i)
        if (list->List(i) == rest) found = i;
      if (found < 0) return Fail(QStringLiteral("no entry ") + rest + QStringLiteral(" in ") + name);
      list->ClickItem(found);
    } else {
      QWidget* part = FindPart(name);
      if (!part) return Fail(QStringLiteral("no list ") + name);
      if (!ChooseEntry(part, rest)) return Fail(QStringLiteral("no entry ") + rest + QStringLiteral(" in ") + name);
    }
  } else if (command == QLatin1String("save")) {
    QWidget* part = FindPart(name);
    if (!part || rest.isEmpty()) return Fail(QStringLiteral("no part ") + name);
    if (dynamic_cast<documenta::DiagramView*>(part)) {
      const QString why = documenta::SaveRelations(part->window(), rest);
      if (!why.isEmpty()) return Fail(why);
    } else {
      bool ok = false;
      const QString text = documenta::PartText(part, ok);
      if (!ok) return Fail(QStringLiteral("part ") + name + QStringLiteral(" shows no text"));
      if (!WriteUtf8(rest, text)) return Fail(QStringLiteral("cannot save ") + rest);
    }
  } else if (command == QLatin1String("export")) {
    const documenta::ExportFormat* format = documenta::FindExportFormat(name);
    if (!format) return Fail(QStringLiteral("unknown export format ") + name);
    if (window.dbOpen != 1 || rest.isEmpty()) return Fail(QStringLiteral("export: no database open or no file"));
    const QString why = window.DocumentaWindows().Export(*format, rest);
    if (!why.isEmpty()) return Fail(QStringLiteral("export ") + name + QStringLiteral(": ") + why);
  } else if (command == QLatin1String("compare")) {
    if (window.dbOpen != 1 || name.isEmpty()) return Fail(QStringLiteral("compare: no database open or no file"));
    // A file whose name has blanks in it: the whole rest names it when there is such a file.
    const bool whole = !rest.isEmpty() && QFileInfo(name + QLatin1Char(' ') + rest).isFile();
    const QString why = whole ? window.DocumentaWindows().Compare(name + QLatin1Char(' ') + rest, QString(), false)
                              : window.DocumentaWindows().Compare(name, rest, false);
    if (!why.isEmpty()) return Fail(QStringLiteral("compare ") + name + QStringLiteral(": ") + why);
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

void InstallTestScript(Tavrek& window) {
  const QByteArray script = qgetenv("TAVREK_TEST_SCRIPT");
  if (script.isEmpty()) return;
  auto steps = std::make_shared<QStringList>(QString::fromUtf8(script).split(QLatin1Char(';'), Qt::SkipEmptyParts));
  WatchForWaitingDialogs();
  QTimer::singleShot(kStepMs, qApp, [&window, steps] { Run(window, steps); });
}
