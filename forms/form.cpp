#include "forms/form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QFontMetricsF>
#include <QIcon>
#include <QLayout>
#include <QMainWindow>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QScreen>
#include <algorithm>
#include <cmath>

#include "forms/failure.h"
#include "forms/interaction.h"
#include "forms/menu_bar.h"
#include "forms/screen.h"

namespace forms {

namespace {
// Borders and title bar assumed while the window system has not told us its own (pixels).
constexpr int kDefaultBorder = 4;
constexpr int kDefaultTitle = 19;

float Tpp(float v) { return v > 0.0f ? v : 15.0f; }

// The first local file among dropped data (its full path), or empty.
QString DroppedFile(const QMimeData* data) {
  if (!data || !data->hasUrls()) return {};
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) return url.toLocalFile();
  return {};
}
}  // namespace

// The top-level window: a close by the user unloads the form; a size or position the user gives
// is taken back into the form's twips.
class FormWindow : public QMainWindow {
 public:
  explicit FormWindow(Form& f) : form_(f) { setAcceptDrops(true); }

 protected:
  // A local file dragged over the window is accepted when the form takes dropped files.
  void dragEnterEvent(QDragEnterEvent* e) override {
    if (form_.FileDropped && !DroppedFile(e->mimeData()).isEmpty()) e->acceptProposedAction();
  }
  void dragMoveEvent(QDragMoveEvent* e) override {
    if (form_.FileDropped && !DroppedFile(e->mimeData()).isEmpty()) e->acceptProposedAction();
  }
  // The form's handler runs from the event loop once the drop is over, so that any window it
  // shows is not shown in the middle of the drag-and-drop exchange.
  void dropEvent(QDropEvent* e) override {
    const QString path = DroppedFile(e->mimeData());
    if (!form_.FileDropped || path.isEmpty()) return;
    e->acceptProposedAction();
    QTimer::singleShot(0, this, [this, path] {
      if (form_.loaded_ && form_.FileDropped) form_.FileDropped(path);
    });
  }
  void closeEvent(QCloseEvent* e) override {
    if (form_.loaded_ && !form_.closing_) {
      form_.closing_ = true;
      form_.Unload();
      form_.closing_ = false;
    }
    e->accept();
  }
  void resizeEvent(QResizeEvent* e) override {
    QMainWindow::resizeEvent(e);
    form_.syncFromWindow();
  }
  void moveEvent(QMoveEvent* e) override {
    QMainWindow::moveEvent(e);
    form_.syncFromWindow();
  }

 private:
  Form& form_;
};

// The scrolling frame of the client area: the surface is as large as the window's client area, or
// as the drawing where that reaches further; scroll bars appear only then.
class SurfaceScroller : public QScrollArea {
 public:
  explicit SurfaceScroller(Form& f) : form_(f) {
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(false);
  }

 protected:
  void resizeEvent(QResizeEvent* e) override {
    QScrollArea::resizeEvent(e);
    form_.fitSurface();
  }

 private:
  Form& form_;
};

// The client area: the window's background and everything printed on it.
class SurfaceWidget : public QWidget {
 public:
  explicit SurfaceWidget(Form& f) : form_(f) { setAttribute(Qt::WA_OpaquePaintEvent); }

 protected:
  void paintEvent(QPaintEvent* e) override {
    QPainter p(this);
    p.fillRect(e->rect(), form_.back_);
    p.setPen(Qt::black);
    const float tppX = Tpp(TheScreen().TwipsPerPixelX()), tppY = Tpp(TheScreen().TwipsPerPixelY());
    QFont regular = form_.font_->toQFont(), bold = regular;
    regular.setBold(false);
    bold.setBold(true);
    const QFontMetricsF fmRegular(regular, this), fmBold(bold, this);
    for (const DrawnText& d : form_.drawn_) {
      p.setFont(d.bold ? bold : regular);
      const QFontMetricsF& fm = d.bold ? fmBold : fmRegular;
      p.drawText(QPointF(d.x / tppX, d.y / tppY + fm.ascent()), d.text);
    }
  }
  void mouseReleaseEvent(QMouseEvent* e) override {
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()))
      form_.Run([this] { form_.Form_Click(); });
  }

 private:
  Form& form_;
};

Form::Form(QString name, bool borderless)
    : name_(std::move(name)),
      back_(QApplication::palette().color(QPalette::Window)),
      font_(std::make_shared<forms::Font>(QStringLiteral("Arial"), 9.0)),
      borderless_(borderless) {
  window_ = new FormWindow(*this);
  if (borderless_) window_->setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  client_ = new SurfaceWidget(*this);
  scroller_ = new SurfaceScroller(*this);
  scroller_->setWidget(client_);
  window_->setCentralWidget(scroller_);
  setBackColor(back_);
  font_->setOnChange([this] { client_->update(); });
}

Form::~Form() {
  controls_.clear();
  if (font_) font_->setOnChange(nullptr);
  delete window_;
}

// --- Geometry

float Form::Left() const { return left_; }
float Form::Top() const { return top_; }
float Form::Width() const { return width_; }
float Form::Height() const { return height_; }

void Form::setLeft(float v) {
  left_ = v;
  applyGeometry();
}
void Form::setTop(float v) {
  top_ = v;
  applyGeometry();
}
void Form::setWidth(float v) {
  width_ = v;
  applyGeometry();
}
void Form::setHeight(float v) {
  height_ = v;
  applyGeometry();
}

float Form::ScaleWidth() const { return width_ - nonClientWidth(); }
float Form::ScaleHeight() const { return height_ - nonClientHeight(); }

void Form::setClientSize(float width, float height) {
  width_ = width + nonClientWidth();
  height_ = height + nonClientHeight();
  applyGeometry();
}

// A window whose title and menu bar are taller than the room above the client area starts at the
// top edge of the screen instead of above it.
void Form::setClientPosition(float left, float top) {
  const Margins m = frameMargins();
  left_ = std::max(0.0f, left - static_cast<float>(m.left) * Tpp(TheScreen().TwipsPerPixelX()));
  top_ = std::max(0.0f, top - static_cast<float>(m.top + menuBarHeight(ScaleWidth())) * Tpp(TheScreen().TwipsPerPixelY()));
  applyGeometry();
}

void Form::setWindowState(int s) {
  windowState_ = s;
  if (!window_->isVisible()) return;
  if (s == vbMaximized)
    window_->showMaximized();
  else if (s == vbMinimized)
    window_->showMinimized();
  else
    window_->showNormal();
}

Form::Margins Form::frameMargins() const {
  if (borderless_) return {0, 0, 0, 0};
  if (window_->isVisible()) {
    const QRect frame = window_->frameGeometry(), inner = window_->geometry();
    if (frame != inner)
      return {inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
              frame.bottom() - inner.bottom()};
  }
  return {kDefaultBorder, kDefaultBorder + kDefaultTitle, kDefaultBorder, kDefaultBorder};
}

MenuBar& Form::ensureMenuBar() {
  if (!menuBar_) {
    menuBar_ = new MenuBar(window_);
    window_->setMenuWidget(menuBar_);
  }
  return *menuBar_;
}

// The rows the menu bar takes at this client width (none without visible entries).
int Form::menuBarHeight(float clientWidth) const {
  if (!menuBar_) return 0;
  return std::max(0, menuBar_->heightForWidth(std::max(1, ToPixelsX(clientWidth))));
}

float Form::nonClientWidth() const {
  const Margins m = frameMargins();
  return static_cast<float>(m.left + m.right) * Tpp(TheScreen().TwipsPerPixelX());
}

float Form::nonClientHeight() const {
  const Margins m = frameMargins();
  const float frameW = static_cast<float>(m.left + m.right) * Tpp(TheScreen().TwipsPerPixelX());
  const int menu = menuBarHeight(width_ - frameW);
  return static_cast<float>(m.top + m.bottom + menu) * Tpp(TheScreen().TwipsPerPixelY());
}

int Form::ToPixelsX(float twips) {
  return static_cast<int>(std::lround(twips / Tpp(TheScreen().TwipsPerPixelX())));
}

int Form::ToPixelsY(float twips) {
  return static_cast<int>(std::lround(twips / Tpp(TheScreen().TwipsPerPixelY())));
}

void Form::applyGeometry() {
  if (windowState_ == vbMaximized && window_->isVisible()) return;
  const Margins m = frameMargins();
  applying_ = true;
  window_->move(ToPixelsX(left_), ToPixelsY(top_));
  window_->resize(std::max(1, ToPixelsX(width_) - m.left - m.right), std::max(1, ToPixelsY(height_) - m.top - m.bottom));
  // A hidden window gets its resize events only when shown: size the surface now.
  if (window_->layout()) window_->layout()->activate();
  fitSurface();
  applying_ = false;
}

// The window system changed the window (the user dragged it, or a minimum size applied): take the
// new pixels back as twips. Our own changes leave the fractional twips as they were set.
void Form::syncFromWindow() {
  if (applying_ || !window_->isVisible()) return;
  const Margins m = frameMargins();
  const float tppX = Tpp(TheScreen().TwipsPerPixelX()), tppY = Tpp(TheScreen().TwipsPerPixelY());
  const QRect frame = window_->frameGeometry();
  const QSize size = window_->size();
  if (size.width() != ToPixelsX(width_) - m.left - m.right)
    width_ = static_cast<float>(size.width() + m.left + m.right) * tppX;
  if (size.height() != ToPixelsY(height_) - m.top - m.bottom)
    height_ = static_cast<float>(size.height() + m.top + m.bottom) * tppY;
  if (frame.left() != ToPixelsX(left_)) left_ = static_cast<float>(frame.left()) * tppX;
  if (frame.top() != ToPixelsY(top_)) top_ = static_cast<float>(frame.top()) * tppY;
}

// --- Appearance

QString Form::Caption() const { return window_->windowTitle(); }
void Form::setCaption(const QString& c) { window_->setWindowTitle(c); }

void Form::setBackColor(QColor c) {
  back_ = c;
  // The scroll area's own background shows only in the corner between two scroll bars.
  QPalette p = scroller_->viewport()->palette();
  p.setColor(QPalette::Window, back_);
  scroller_->viewport()->setPalette(p);
  client_->update();
}

void Form::setFont(FontRef f) {
  if (!f) return;
  if (font_) font_->setOnChange(nullptr);
  font_ = std::move(f);
  font_->setOnChange([this] { client_->update(); });
  fontBold_ = font_->Bold();
  client_->update();
}

void Form::setIcon(const QIcon& icon) { window_->setWindowIcon(icon); }

// --- Controls

Control& Form::Controls(int i) const { return *controls_.at(static_cast<size_t>(i)); }

void Form::adopt(std::unique_ptr<Control> c) { controls_.push_back(std::move(c)); }

// --- Drawing surface

QFont Form::surfaceFont() const {
  QFont f = font_->toQFont();
  f.setBold(fontBold_);
  return f;
}

void Form::Print(const QString& text) {
  if (text.isEmpty()) return;
  drawn_.push_back({text, currentX_, currentY_, fontBold_});
  const float bottom = currentY_ + TextHeight(text);
  currentX_ += TextWidth(text);
  if (currentX_ > drawnRight_ || bottom > drawnBottom_) {
    drawnRight_ = std::max(drawnRight_, currentX_);
    drawnBottom_ = std::max(drawnBottom_, bottom);
    fitSurface();
  }
  client_->update();
}

void Form::PrintLine(const QString& text) {
  Print(text);
  currentX_ = 0;
  currentY_ += TextHeight(QStringLiteral("0"));
}

void Form::Cls() {
  drawn_.clear();
  currentX_ = 0;
  currentY_ = 0;
  drawnRight_ = 0;
  drawnBottom_ = 0;
  fitSurface();
  client_->update();
}

QSize Form::DrawingExtent() const {
  if (drawn_.empty()) return {0, 0};
  return {static_cast<int>(std::ceil(drawnRight_ / Tpp(TheScreen().TwipsPerPixelX()))),
          static_cast<int>(std::ceil(drawnBottom_ / Tpp(TheScreen().TwipsPerPixelY())))};
}

// The surface covers the visible client area and every drawn line: where the drawing reaches past
// the window, the scroll bars reach it. Positions on the surface never change.
void Form::fitSurface() {
  const QSize view = scroller_->maximumViewportSize();
  const QSize extent = DrawingExtent();
  QSize size(std::max(view.width(), extent.width()), std::max(view.height(), extent.height()));
  // A scroll bar in one direction takes room from the other.
  const int barW = scroller_->verticalScrollBar()->sizeHint().width();
  const int barH = scroller_->horizontalScrollBar()->sizeHint().height();
  const bool needH = extent.width() > view.width() || (extent.height() > view.height() && extent.width() > view.width() - barW);
  const bool needV = extent.height() > view.height() || (needH && extent.height() > view.height() - barH);
  if (needV && !needH) size.setWidth(std::max(extent.width(), view.width() - barW));
  if (needH && !needV) size.setHeight(std::max(extent.height(), view.height() - barH));
  if (needH && needV) size = QSize(std::max(extent.width(), view.width() - barW), std::max(extent.height(), view.height() - barH));
  if (client_->size() != size) client_->resize(size);
}

float Form::TextWidth(const QString& text) const {
  const QFontMetricsF fm(surfaceFont(), client_);
  return static_cast<float>(fm.horizontalAdvance(text)) * Tpp(TheScreen().TwipsPerPixelX());
}

float Form::TextHeight(const QString& text) const {
  const QFontMetricsF fm(surfaceFont(), client_);
  const auto lines = text.count(QLatin1Char('\n')) + 1;
  return static_cast<float>(fm.height() * static_cast<double>(lines)) * Tpp(TheScreen().TwipsPerPixelY());
}

// --- Life cycle

void Form::Load() {
  if (loaded_) return;
  loaded_ = true;
  Run([this] { Form_Load(); });
}

void Form::Show() {
  Load();
  if (!loaded_) return;
  if (startUpPosition_ == vbStartUpScreen || startUpPosition_ == vbStartUpOwner) {
    // Centred on the screen: the system's placement, whatever Left and Top said.
    if (QScreen* s = QGuiApplication::primaryScreen()) {
      const QRect avail = s->availableGeometry();
      const float tppX = Tpp(TheScreen().TwipsPerPixelX()), tppY = Tpp(TheScreen().TwipsPerPixelY());
      left_ = static_cast<float>(avail.left()) * tppX + (static_cast<float>(avail.width()) * tppX - width_) / 2;
      top_ = static_cast<float>(avail.top()) * tppY + (static_cast<float>(avail.height()) * tppY - height_) / 2;
    }
  }
  applyGeometry();
  if (windowState_ == vbMaximized)
    window_->showMaximized();
  else if (windowState_ == vbMinimized)
    window_->showMinimized();
  else
    window_->show();
}

void Form::ShowModal() {
  Load();
  if (!loaded_) return;
  TheInteraction().RunModal(*this);
}

void Form::Unload() {
  if (!loaded_) return;
  loaded_ = false;
  if (!closing_) {
    closing_ = true;
    window_->close();
    closing_ = false;
  }
  Form_Unload();
  if (afterUnload) afterUnload();
}

void Form::Refresh() {
  if (client_->isVisible()) client_->repaint();
}

void Form::Run(const std::function<void()>& handler) { RunHandler(handler); }

}  // namespace forms
