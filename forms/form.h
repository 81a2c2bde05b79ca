// A window of the tool: outer geometry in twips, a menu bar, controls in a fixed order, and a
// client area that doubles as a drawing surface keeping everything printed on it.
#pragma once

#include <QColor>
#include <QFont>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "forms/control.h"
#include "forms/font.h"

class QMainWindow;
class QScrollArea;
class QWidget;

namespace forms {

enum WindowState : int { vbNormal = 0, vbMinimized = 1, vbMaximized = 2 };
enum StartUpPosition : int { vbStartUpManual = 0, vbStartUpOwner = 1, vbStartUpScreen = 2, vbStartUpWindowsDefault = 3 };

// One piece of text drawn on a surface, as tests read it back.
struct DrawnText {
  QString text;
  float x = 0, y = 0;  // twips, top-left corner of the text
  bool bold = false;
};

class MenuBar;

class Form {
 public:
  Form(QString name, bool borderless = false);
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  const QString& Name() const { return name_; }

  // --- Window geometry, twips. Width and Height are the outer size (borders, title and menu bar
  // included); ScaleWidth and ScaleHeight the client area.
  float Left() const;
  float Top() const;
  float Width() const;
  float Height() const;
  void setLeft(float v);
  void setTop(float v);
  void setWidth(float v);
  void setHeight(float v);
  float ScaleWidth() const;
  float ScaleHeight() const;
  // Sets the outer size from a client size (design values are given as client sizes).
  void setClientSize(float width, float height);
  // Places the window so that its client area's top-left corner is at (left, top) on the screen,
  // or as near as the title and menu bar allow without leaving the screen.
  void setClientPosition(float left, float top);

  int WindowState() const { return windowState_; }
  void setWindowState(int s);
  int StartUpPosition() const { return startUpPosition_; }
  void setStartUpPosition(int p) { startUpPosition_ = p; }

  QString Caption() const;
  void setCaption(const QString& c);
  QColor BackColor() const { return back_; }
  void setBackColor(QColor c);
  // The window's own font, which is also the drawing surface's font.
  FontRef Font() const { return font_; }
  void setFont(FontRef f);
  void setIcon(const class QIcon& icon);

  // --- Controls, in the fixed order they were added (menu entries included).
  int ControlCount() const { return static_cast<int>(controls_.size()); }
  Control& Controls(int i) const;
  // Adds a control; the form owns it. Returns it for convenience.
  template <class C, class... A>
  C& Add(A&&... args) {
    auto c = std::make_unique<C>(*this, std::forward<A>(args)...);
    C& ref = *c;
    adopt(std::move(c));
    return ref;
  }

  // --- Drawing surface. Print draws at the pen and leaves the pen after the text on the same
  // line; PrintLine draws (or not) and moves the pen to x = 0 on the next line.
  float CurrentX() const { return currentX_; }
  float CurrentY() const { return currentY_; }
  void setCurrentX(float x) { currentX_ = x; }
  void setCurrentY(float y) { currentY_ = y; }
  void Print(const QString& text);
  void PrintLine(const QString& text = QString());
  void Cls();
  float TextWidth(const QString& text) const;
  float TextHeight(const QString& text) const;
  bool FontBold() const { return fontBold_; }
  void setFontBold(bool b) { fontBold_ = b; }
  // Everything drawn since the last Cls, in drawing order.
  const std::vector<DrawnText>& Drawn() const { return drawn_; }
  // Pixels from the surface's top-left corner to the right and bottom edges of everything drawn
  // since the last Cls. Where it passes the window's client area, the window scrolls.
  QSize DrawingExtent() const;

  // --- Life cycle. Load creates the window (once) and runs Form_Load; Show loads and shows;
  // ShowModal loads, shows and returns when the window is unloaded (through the interaction
  // service, so tests script it); Unload hides it and runs the unload hook.
  void Load();
  bool IsLoaded() const { return loaded_; }
  void Show();
  void ShowModal();
  void Unload();
  void Refresh();
  // Runs a handler under the common treatment of unexpected failures.
  void Run(const std::function<void()>& handler);
  // Called once the window has been unloaded (the modal loop of ShowModal ends there).
  std::function<void()> afterUnload;
  // When set, a local file dropped onto the window is handed to it (its full path), from the
  // event loop once the drop is over; without it the window takes no drops.
  std::function<void(const QString& path)> FileDropped;

  QMainWindow* window() const { return window_; }
  // The window's menu bar, created with the first menu entry (nullptr before).
  MenuBar* menuBar() const { return menuBar_; }
  // The menu bar, created on first use (by the first menu entry added).
  MenuBar& ensureMenuBar();
  QWidget* clientArea() const { return client_; }
  // The scrolling frame around the client area (scroll bars appear when the drawing passes it).
  QScrollArea* scroller() const { return scroller_; }
  // Pixels of a twips value on this screen (rounded to nearest).
  static int ToPixelsX(float twips);
  static int ToPixelsY(float twips);

 protected:
  virtual void Form_Load() {}
  virtual void Form_Unload() {}
  // A click on the client area itself (not on a control).
  virtual void Form_Click() {}

 private:
  friend class Control;
  friend class SurfaceWidget;
  friend class FormWindow;
  friend class SurfaceScroller;
  struct Margins { int left, top, right, bottom; };
  void adopt(std::unique_ptr<Control> c);
  void applyGeometry();
  void syncFromWindow();
  Margins frameMargins() const;
  int menuBarHeight(float clientWidth) const;
  float nonClientHeight() const;
  float nonClientWidth() const;
  QFont surfaceFont() const;
  void fitSurface();

  QString name_;
  QMainWindow* window_ = nullptr;
  QWidget* client_ = nullptr;
  QScrollArea* scroller_ = nullptr;
  MenuBar* menuBar_ = nullptr;
  std::vector<std::unique_ptr<Control>> controls_;
  float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  int windowState_ = vbNormal;
  int startUpPosition_ = vbStartUpManual;
  QColor back_;
  FontRef font_;
  float currentX_ = 0, currentY_ = 0;
  bool fontBold_ = false;
  std::vector<DrawnText> drawn_;
  float drawnRight_ = 0, drawnBottom_ = 0;  // twips, extent of drawn_
  bool loaded_ = false;
  bool borderless_ = false;
  bool closing_ = false;   // inside the window's own close event
  bool applying_ = false;  // inside applyGeometry: the window's resize is ours
};

}  // namespace forms
