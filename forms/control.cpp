#include "forms/control.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

#include "forms/form.h"
#include "forms/interaction.h"
#include "forms/menu_bar.h"
#include "forms/screen.h"

namespace forms {

QColor SystemWindowColor() { return QApplication::palette().color(QPalette::Base); }
QColor SystemWindowTextColor() { return QApplication::palette().color(QPalette::Text); }

namespace {

bool IsFontKind(Kind k) {
  switch (k) {
    case Kind::Label: case Kind::ListBox: case Kind::ComboBox: case Kind::TextBox:
    case Kind::CommandButton: case Kind::CheckBox: case Kind::OptionButton: case Kind::Frame:
    case Kind::PictureBox: case Kind::FileListBox: case Kind::DirListBox: case Kind::DriveListBox:
    case Kind::Data:
      return true;
    default:
      return false;
  }
}

// Raises the control's click when the left button is released over its widget.
class ClickFilter : public QObject {
 public:
  ClickFilter(Control& c, QObject* parent) : QObject(parent), control_(c) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonRelease) {
      auto* me = static_cast<QMouseEvent*>(event);
      auto* w = qobject_cast<QWidget*>(watched);
      if (me->button() == Qt::LeftButton && w && w->rect().contains(me->position().toPoint())) {
        control_.DoClick();
        return true;
      }
    }
    return false;
  }

 private:
  Control& control_;
};

// A rectangle outline with a transparent interior; clicks go through to the window.
class ShapeWidget : public QWidget {
 public:
  explicit ShapeWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
  }
};

// A straight line from one corner of the widget's box to the other.
class LineWidget : public QWidget {
 public:
  explicit LineWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
  }
  QPoint from, to;  // relative to the widget

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(from, to);
  }
};

}  // namespace

// --- Control

Control::Control(Form& owner, Kind kind, QString name, int index)
    : owner_(owner), kind_(kind), name_(std::move(name)), index_(index) {
  if (IsFontKind(kind_)) {
    FontRef base = owner_.Font();
    font_ = base ? std::make_shared<forms::Font>(base->Name(), base->Size(), base->Bold(), base->Italic())
                 : std::make_shared<forms::Font>(QStringLiteral("Arial"), 9.0);
    font_->setOnChange([this] { applyFont(); });
  }
}

Control::~Control() {
  // The font object may outlive the control (whoever held a reference to it).
  if (font_) font_->setOnChange(nullptr);
}

void Control::setLeft(float v) {
  left_ = v;
  applyGeometry();
}
void Control::setTop(float v) {
  top_ = v;
  applyGeometry();
}
void Control::setWidth(float v) {
  width_ = v;
  applyGeometry();
}
void Control::setHeight(float v) {
  height_ = v;
  applyGeometry();
}

void Control::Move(float left, float top, float width, float height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  applyGeometry();
}

void Control::setVisible(bool v) {
  visible_ = v;
  if (widget_) widget_->setVisible(v);
}

void Control::setEnabled(bool e) {
  enabled_ = e;
  if (widget_) widget_->setEnabled(e);
}

bool Control::HasFont() const { return font_ != nullptr; }

void Control::setFont(FontRef f) {
  if (!HasFont() || !f) return;
  if (f != font_) {
    font_->setOnChange(nullptr);
    font_ = std::move(f);
    font_->setOnChange([this] { applyFont(); });
  }
  applyFont();
}

void Control::DoClick() {
  if (!Click) return;
  auto handler = Click;  // the handler may replace the control's Click
  owner_.Run(handler);
}

void Control::setContainer(Control* c) {
  container_ = c;
  if (widget_) {
    widget_->setParent(c && c->widget_ ? c->widget_ : owner_.clientArea());
    applyGeometry();
    widget_->setVisible(visible_);
  }
}

void Control::setWidget(QWidget* w) {
  widget_ = w;
  if (!widget_) return;
  applyFont();
  applyGeometry();
  widget_->setVisible(visible_);
  widget_->setEnabled(enabled_);
}

void Control::applyGeometry() {
  if (!widget_) return;
  const int x = Form::ToPixelsX(left_), y = Form::ToPixelsY(top_);
  const int w = std::max(0, Form::ToPixelsX(left_ + width_) - x);
  const int h = std::max(0, Form::ToPixelsY(top_ + height_) - y);
  widget_->setGeometry(x, y, w, h);
}

void Control::applyFont() {
  if (widget_ && font_) widget_->setFont(font_->toQFont());
}

// --- Label

Label::Label(Form& owner, QString name, int index)
    : Control(owner, Kind::Label, std::move(name), index),
      back_(SystemWindowColor()),
      fore_(SystemWindowTextColor()) {
  auto* label = new QLabel(owner.clientArea());
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setMargin(0);
  label->setIndent(0);
  label->setAutoFillBackground(true);
  label->installEventFilter(new ClickFilter(*this, label));
  setWidget(label);
  // A label is drawn on its container, under every other control, whatever the order in which
  // the controls were added: a list box over a label hides the label, never the other way round.
  label->lower();
  setBackColor(back_);
}

void Label::setCaption(const QString& c) {
  caption_ = c;
  if (auto* l = static_cast<QLabel*>(widget_)) l->setText(c);
  fit();
}

void Label::setAutoSize(bool a) {
  autoSize_ = a;
  fit();
}

void Label::setWordWrap(bool w) {
  wordWrap_ = w;
  if (auto* l = static_cast<QLabel*>(widget_)) l->setWordWrap(w);
  fit();
}

void Label::setBackColor(QColor c) {
  back_ = c;
  if (!widget_) return;
  QPalette p = widget_->palette();
  p.setColor(QPalette::Window, back_);
  p.setColor(QPalette::WindowText, fore_);
  widget_->setPalette(p);
}

void Label::setForeColor(QColor c) {
  fore_ = c;
  setBackColor(back_);
}

void Label::setFont(FontRef f) { Control::setFont(std::move(f)); }

void Label::applyFont() {
  Control::applyFont();
  fit();
}

// An auto-sizing label takes the size of its caption in its font: without word wrap both width
// and height, with word wrap the height of the wrapped text within the label's width.
void Label::fit() {
  if (!autoSize_ || !font_) return;
  const QFontMetricsF fm(font_->toQFont());
  const float tppX = TheScreen().TwipsPerPixelX(), tppY = TheScreen().TwipsPerPixelY();
  if (wordWrap_) {
    const int widthPx = std::max(1, Form::ToPixelsX(width_));
    const QRectF r = fm.boundingRect(QRectF(0, 0, widthPx, 1e6), Qt::TextWordWrap, caption_);
    height_ = static_cast<float>(std::ceil(r.height())) * tppY;
  } else {
    const QSizeF s = fm.size(0, caption_.isEmpty() ? QStringLiteral(" ") : caption_);
    width_ = caption_.isEmpty() ? 0.0f : static_cast<float>(std::ceil(s.width())) * tppX;
    height_ = static_cast<float>(std::ceil(s.height())) * tppY;
  }
  applyGeometry();
}

// --- ListBox

namespace {
// A list whose selection moved by the keyboard raises the click, as a list box of the platform does.
class ListWidget : public QListWidget {
 public:
  ListWidget(QWidget* parent, std::function<void()> click) : QListWidget(parent), click_(std::move(click)) {}

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    const int before = currentRow();
    QListWidget::keyPressEvent(e);
    if (currentRow() != before && currentRow() >= 0) click_();
  }

 private:
  std::function<void()> click_;
};
}  // namespace

ListBox::ListBox(Form& owner, QString name, int index) : Control(owner, Kind::ListBox, std::move(name), index) {
  auto* list = new ListWidget(owner.clientArea(), [this] { DoClick(); });
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  QObject::connect(list, &QListWidget::itemClicked, list, [this](QListWidgetItem*) { DoClick(); });
  setWidget(list);
}

static QListWidget* AsList(QWidget* w) { return static_cast<QListWidget*>(w); }

void ListBox::Clear() { AsList(widget_)->clear(); }
void ListBox::AddItem(const QString& item) { AsList(widget_)->addItem(item); }
int ListBox::ListCount() const { return AsList(widget_)->count(); }
QString ListBox::List(int i) const {
  QListWidgetItem* item = AsList(widget_)->item(i);
  return item ? item->text() : QString();
}
int ListBox::ListIndex() const {
  QListWidget* list = AsList(widget_);
  return list->currentItem() && list->currentItem()->isSelected() ? list->currentRow() : -1;
}
void ListBox::setListIndex(int i) {
  QListWidget* list = AsList(widget_);
  if (i < 0 || i >= list->count()) {
    list->setCurrentRow(-1);
    list->clearSelection();
  } else {
    list->setCurrentRow(i);
  }
}
QString ListBox::Text() const { return ListIndex() >= 0 ? List(ListIndex()) : QString(); }
void ListBox::ClickItem(int i) {
  setListIndex(i);
  DoClick();
}

// --- Shape and Line

Shape::Shape(Form& owner, QString name, int index) : Control(owner, Kind::Shape, std::move(name), index) {
  setWidget(new ShapeWidget(owner.clientArea()));
}

Line::Line(Form& owner, QString name, int index) : Control(owner, Kind::Line, std::move(name), index) {
  setWidget(new LineWidget(owner.clientArea()));
}

void Line::setX1(float v) {
  x1_ = v;
  applyGeometry();
}
void Line::setY1(float v) {
  y1_ = v;
  applyGeometry();
}
void Line::setX2(float v) {
  x2_ = v;
  applyGeometry();
}
void Line::setY2(float v) {
  y2_ = v;
  applyGeometry();
}

// The widget is the box spanned by the end points (one pixel more, so a straight line shows).
void Line::applyGeometry() {
  auto* w = static_cast<LineWidget*>(widget_);
  if (!w) return;
  const QPoint a(Form::ToPixelsX(x1_), Form::ToPixelsY(y1_)), b(Form::ToPixelsX(x2_), Form::ToPixelsY(y2_));
  const QPoint topLeft(std::min(a.x(), b.x()), std::min(a.y(), b.y()));
  w->setGeometry(topLeft.x(), topLeft.y(), std::abs(a.x() - b.x()) + 1, std::abs(a.y() - b.y()) + 1);
  w->from = a - topLeft;
  w->to = b - topLeft;
  w->update();
}

// --- Other kinds

GenericControl::GenericControl(Form& owner, Kind kind, QString name, int index)
    : Control(owner, kind, std::move(name), index) {
  QWidget* parent = owner.clientArea();
  QWidget* w = nullptr;
  switch (kind) {
    case Kind::CommandButton: {
      auto* b = new QPushButton(parent);
      QObject::connect(b, &QPushButton::clicked, b, [this] { DoClick(); });
      w = b;
      break;
    }
    case Kind::CheckBox: {
      auto* b = new QCheckBox(parent);
      QObject::connect(b, &QCheckBox::clicked, b, [this] { DoClick(); });
      w = b;
      break;
    }
    case Kind::OptionButton: {
      auto* b = new QRadioButton(parent);
      QObject::connect(b, &QRadioButton::clicked, b, [this] { DoClick(); });
      w = b;
      break;
    }
    case Kind::TextBox: w = new QLineEdit(parent); break;
    case Kind::ComboBox: case Kind::DriveListBox: w = new QComboBox(parent); break;
    case Kind::FileListBox: case Kind::DirListBox: w = new QListWidget(parent); break;
    case Kind::VScrollBar: w = new QScrollBar(Qt::Vertical, parent); break;
    case Kind::HScrollBar: w = new QScrollBar(Qt::Horizontal, parent); break;
    case Kind::Frame: w = new QGroupBox(parent); break;
    case Kind::PictureBox: {
      auto* f = new QFrame(parent);
      f->setFrameShape(QFrame::Box);
      w = f;
      break;
    }
    case Kind::Image: case Kind::Data: w = new QLabel(parent); break;
    default: break;  // timers and the like have no widget
  }
  if (w && (kind == Kind::Frame || kind == Kind::PictureBox || kind == Kind::Image || kind == Kind::Data))
    w->installEventFilter(new ClickFilter(*this, w));
  setWidget(w);
}

// --- MenuItem

namespace {
// The caption without its mnemonic mark ("&&" stands for "&").
QString WithoutMnemonic(QString caption) {
  caption.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
  caption.remove(QLatin1Char('&'));
  caption.replace(QStringLiteral("\x01"), QStringLiteral("&"));
  return caption;
}
}  // namespace

MenuItem::MenuItem(Form& owner, QString name, QString caption, Role role)
    : Control(owner, Kind::Menu, std::move(name)), caption_(WithoutMnemonic(caption)) {
  action_ = new QAction(caption, owner.window());
  // The menu bar's buttons show the icon text: set with the mark, it gives them their mnemonic.
  action_->setIconText(caption);
  owner.ensureMenuBar().addAction(action_);
  if (role == Role::Heading) {
    menu_ = new QMenu(owner.window());
    owner.ensureMenuBar().setEntryMenu(action_, menu_);
  }
  QObject::connect(action_, &QAction::triggered, action_, [this] { DoClick(); });
}

MenuItem::MenuItem(Form& owner, QString name, QString caption, MenuItem& heading)
    : Control(owner, Kind::Menu, std::move(name)), caption_(WithoutMnemonic(caption)) {
  action_ = new QAction(caption, owner.window());
  if (heading.menu_) heading.menu_->addAction(action_);
  QObject::connect(action_, &QAction::triggered, action_, [this] { DoClick(); });
}

void MenuItem::setShortcut(const QKeySequence& keys) { action_->setShortcut(keys); }

void MenuItem::setEnabled(bool e) {
  enabled_ = e;
  action_->setEnabled(e);
}

void MenuItem::setVisible(bool v) {
  visible_ = v;
  action_->setVisible(v);
}

// --- CommonDialog

CommonDialog::CommonDialog(Form& owner, QString name) : Control(owner, Kind::CommonDialog, std::move(name)) {}

void CommonDialog::ShowOpen() {
  std::optional<QString> chosen;
  if (preset_) {
    chosen = std::move(preset_);
    preset_.reset();
  } else {
    OpenFileRequest request{DialogTitle, Filter, DefaultExt, FileName, FontSize};
    chosen = TheInteraction().ShowOpen(request);
  }
  if (chosen && !chosen->isEmpty()) {
    FileName = *chosen;
    FileTitle = QFileInfo(*chosen).fileName();
  } else {
    FileName.clear();
    FileTitle.clear();
  }
}

}  // namespace forms
