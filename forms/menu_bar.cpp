#include "forms/menu_bar.h"

#include <QAction>
#include <QActionEvent>
#include <QMenu>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QToolButton>
#include <algorithm>

namespace forms {

namespace {
constexpr int kMargin = 1;
}

MenuBar::MenuBar(QWidget* parent) : QWidget(parent) {
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Button);
}

void MenuBar::actionEvent(QActionEvent* event) {
  QAction* action = event->action();
  switch (event->type()) {
    case QEvent::ActionAdded: {
      auto* button = new QToolButton(this);
      button->setDefaultAction(action);
      button->setAutoRaise(true);
      button->setToolButtonStyle(Qt::ToolButtonTextOnly);
      button->setFocusPolicy(Qt::NoFocus);
      button->setVisible(action->isVisible());
      auto at = std::find_if(entries_.begin(), entries_.end(),
                             [before = event->before()](const auto& e) { return e.first == before; });
      entries_.insert(at, {action, button});
      break;
    }
    case QEvent::ActionChanged:
      for (auto& [a, button] : entries_)
        if (a == action) button->setVisible(action->isVisible());
      break;
    case QEvent::ActionRemoved: {
      auto at = std::find_if(entries_.begin(), entries_.end(), [action](const auto& e) { return e.first == action; });
      if (at != entries_.end()) {
        delete at->second;
        entries_.erase(at);
      }
      break;
    }
    default:
      break;
  }
  updateGeometry();
  arrange(width(), true);
}

void MenuBar::setEntryMenu(QAction* action, QMenu* menu) {
  for (auto& [a, button] : entries_)
    if (a == action) {
      button->setMenu(menu);
      button->setPopupMode(QToolButton::InstantPopup);
    }
}

int MenuBar::arrange(int width, bool apply) const {
  int x = kMargin, y = kMargin, rowHeight = 0;
  bool any = false;
  for (const auto& [action, button] : entries_) {
    if (!action->isVisible()) continue;
    const QSize s = button->sizeHint();
    if (any && x + s.width() > width - kMargin) {  // wrap onto the next row
      x = kMargin;
      y += rowHeight;
      rowHeight = 0;
    }
    if (apply) button->setGeometry(x, y, s.width(), s.height());
    x += s.width();
    rowHeight = std::max(rowHeight, s.height());
    any = true;
  }
  return any ? y + rowHeight + kMargin : 0;
}

int MenuBar::heightForWidth(int width) const { return arrange(width, false); }

QSize MenuBar::sizeHint() const {
  int width = 2 * kMargin;
  for (const auto& [action, button] : entries_)
    if (action->isVisible()) width += button->sizeHint().width();
  return {width, arrange(width, false)};
}

// As narrow as the widest entry, as low as one row: the layout asks heightForWidth for the rest.
QSize MenuBar::minimumSizeHint() const {
  int width = 0;
  for (const auto& [action, button] : entries_)
    if (action->isVisible()) width = std::max(width, button->sizeHint().width());
  return {width + 2 * kMargin, sizeHint().height()};
}

void MenuBar::resizeEvent(QResizeEvent*) { arrange(width(), true); }

// A thin line under the entries sets the bar off from the client area.
void MenuBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setPen(palette().color(QPalette::Mid));
  p.drawLine(0, height() - 1, width(), height() - 1);
}

}  // namespace forms
