// The menu bar of a window whose top-level entries are commands in themselves. Unlike QMenuBar,
// which hides the entries that do not fit behind an extension button, it wraps them onto further
// rows, as the platform's menu bars do on a narrow window; its height for a given width says how
// many rows that takes.
#pragma once

#include <QWidget>
#include <vector>

class QMenu;
class QToolButton;

namespace forms {

class MenuBar : public QWidget {
 public:
  explicit MenuBar(QWidget* parent = nullptr);

  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;
  // The entry of `action` opens `menu` when clicked, or when its mnemonic is typed.
  void setEntryMenu(QAction* action, QMenu* menu);

 protected:
  // Entries follow the actions added to the widget (QWidget::addAction).
  void actionEvent(QActionEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  // Places the visible entries within `width`, wrapping as needed; returns the height used.
  int arrange(int width, bool apply) const;
  std::vector<std::pair<QAction*, QToolButton*>> entries_;
};

}  // namespace forms
