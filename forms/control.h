// Controls of a window, by kind. Positions and sizes are twips (single precision) relative to the
// control's container (the window's client area, or a frame or picture box); the Qt widget behind
// a control is placed at the nearest whole pixel.
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "forms/font.h"

class QAction;
class QKeySequence;
class QMenu;
class QWidget;

namespace forms {

class Form;

// The system colours the designs name: window background and window text.
QColor SystemWindowColor();
QColor SystemWindowTextColor();

// Every kind of the platform's control set that the screen scaling distinguishes, and the menu
// entry, which it leaves alone.
enum class Kind {
  Label, ListBox, ComboBox, TextBox, CommandButton, CheckBox, OptionButton, Frame, PictureBox,
  FileListBox, DirListBox, DriveListBox, Data,  // font kinds
  Shape, Image, VScrollBar, HScrollBar,          // geometry-only kinds
  Line,                                          // end points only
  CommonDialog,                                  // dialog font size only
  Menu, Timer,                                   // untouched
};

class Control {
 public:
  Control(Form& owner, Kind kind, QString name, int index = -1);
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  Kind kind() const { return kind_; }
  bool Is(Kind k) const { return kind_ == k; }
  const QString& Name() const { return name_; }
  int Index() const { return index_; }  // position in a control array, -1 when not in one
  Form& Owner() const { return owner_; }

  // Geometry in twips. Controls without geometry (menu entries, dialogs, timers) ignore it.
  float Left() const { return left_; }
  float Top() const { return top_; }
  float Width() const { return width_; }
  float Height() const { return height_; }
  virtual void setLeft(float v);
  virtual void setTop(float v);
  virtual void setWidth(float v);
  virtual void setHeight(float v);
  void Move(float left, float top, float width, float height);

  bool Visible() const { return visible_; }
  virtual void setVisible(bool v);
  bool Enabled() const { return enabled_; }
  virtual void setEnabled(bool e);

  // Font kinds carry a font object; the others return nullptr.
  bool HasFont() const;
  FontRef Font() const { return font_; }
  virtual void setFont(FontRef f);

  // The click event; the window runs it under its failure treatment.
  std::function<void()> Click;
  // Delivers a click as the user would (tests, and the Qt glue).
  void DoClick();

  // The Qt widget behind the control (nullptr for controls without one).
  QWidget* widget() const { return widget_; }
  // A frame or picture box that contains this control (positions are relative to it).
  Control* Container() const { return container_; }
  void setContainer(Control* c);

 protected:
  void setWidget(QWidget* w);
  virtual void applyGeometry();
  virtual void applyFont();

  Form& owner_;
  Kind kind_;
  QString name_;
  int index_;
  float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool visible_ = true;
  bool enabled_ = true;
  FontRef font_;
  QWidget* widget_ = nullptr;
  Control* container_ = nullptr;
};

class Label : public Control {
 public:
  Label(Form& owner, QString name, int index = -1);
  const QString& Caption() const { return caption_; }
  // With AutoSize on, the label fits its width (and, with WordWrap, its height) to the caption in
  // its font at once, as the platform's labels do.
  void setCaption(const QString& c);
  bool AutoSize() const { return autoSize_; }
  void setAutoSize(bool a);
  bool WordWrap() const { return wordWrap_; }
  void setWordWrap(bool w);
  QColor BackColor() const { return back_; }
  void setBackColor(QColor c);
  QColor ForeColor() const { return fore_; }
  void setForeColor(QColor c);
  void setFont(FontRef f) override;

 protected:
  void applyFont() override;

 private:
  void fit();
  QString caption_;
  bool autoSize_ = false;
  bool wordWrap_ = false;
  QColor back_, fore_;
};

class ListBox : public Control {
 public:
  ListBox(Form& owner, QString name, int index = -1);
  void Clear();
  void AddItem(const QString& item);
  int ListCount() const;
  QString List(int i) const;
  // -1 when nothing is selected.
  int ListIndex() const;
  void setListIndex(int i);
  // The text of the selected entry ("" when none).
  QString Text() const;
  // Selects entry i and raises Click, as a click on it does.
  void ClickItem(int i);
};

class Shape : public Control {
 public:
  Shape(Form& owner, QString name, int index = -1);
};

class Line : public Control {
 public:
  Line(Form& owner, QString name, int index = -1);
  float X1() const { return x1_; }
  float Y1() const { return y1_; }
  float X2() const { return x2_; }
  float Y2() const { return y2_; }
  void setX1(float v);
  void setY1(float v);
  void setX2(float v);
  void setY2(float v);

 protected:
  void applyGeometry() override;

 private:
  float x1_ = 0, y1_ = 0, x2_ = 0, y2_ = 0;
};

// Controls of the other kinds: geometry, font and visibility, as a plain widget.
class GenericControl : public Control {
 public:
  GenericControl(Form& owner, Kind kind, QString name, int index = -1);
};

// A menu entry: a top-level entry that is a command in itself, a top-level heading that opens a
// menu of entries, or an entry of such a menu. A caption may mark its mnemonic with "&" ("&Esci":
// Alt+E); Caption() is the text without the mark.
class MenuItem : public Control {
 public:
  enum class Role { Command, Heading };
  // A top-level command, or (Role::Heading) a top-level heading with a menu of its own.
  MenuItem(Form& owner, QString name, QString caption, Role role = Role::Command);
  // An entry of `heading`'s menu.
  MenuItem(Form& owner, QString name, QString caption, MenuItem& heading);
  const QString& Caption() const { return caption_; }
  void setEnabled(bool e) override;
  void setVisible(bool v) override;
  // A key that runs the entry from anywhere in its window (Ctrl+O, F1, …).
  void setShortcut(const QKeySequence& keys);
  QAction* Action() const { return action_; }
  // The menu a heading opens (nullptr for a command or an entry).
  QMenu* Menu() const { return menu_; }

 private:
  QString caption_;
  QAction* action_ = nullptr;
  QMenu* menu_ = nullptr;
};

// The common file-open dialog. ShowOpen goes through the modal interaction service, so tests
// script it.
class CommonDialog : public Control {
 public:
  CommonDialog(Form& owner, QString name);
  QString DialogTitle, Filter, DefaultExt;
  // What ShowOpen left: the full path, and the file title (name without folder). Both are empty
  // after a cancelled dialog.
  QString FileName, FileTitle;
  // Initial point size of the dialog's font chooser (set by the screen scaling).
  int FontSize = 8;
  // Shows the dialog modally (through the interaction service) and leaves the answer in FileName
  // and FileTitle. A preset answer, when one is pending, is taken instead and nothing is shown.
  void ShowOpen();
  // One-shot preset answer: the next ShowOpen takes `path` as the chosen file without showing the
  // dialog, then forgets it. Start-up with a file named on the command line uses this to run the
  // steps of "Apri Database" unchanged.
  void PresetAnswer(const QString& path) { preset_ = path; }
  bool HasPresetAnswer() const { return preset_.has_value(); }
  void ForgetPresetAnswer() { preset_.reset(); }

 private:
  std::optional<QString> preset_;
};

}  // namespace forms
