// "Relazioni…": the relationship diagram of the HTML dictionary (the same Graphviz layout), drawn
// with Qt SVG; zoom, pan, a click on a table shows it in the main window, and the diagram saves as
// SVG, PNG or PDF.
#include <QMainWindow>
#include <QFileDialog>
#include <QFileInfo>
#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QSvgRenderer>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QXmlStreamReader>
#include <cmath>

#include "app/Tavrek.h"
#include "documenta/Documenta.h"
#include "documenta/Parts.h"
#include "documenter/diagram.h"
#include "documenter/dictionary.h"

namespace documenta {

namespace {

constexpr double kGap = 24;  // between the related tables and the others

// One <svg> element of the diagram, drawn at its own size in points.
class SvgPart : public QGraphicsItem {
 public:
  explicit SvgPart(const QByteArray& svg) : renderer_(svg) {}
  QRectF boundingRect() const override { return QRectF(QPointF(0, 0), renderer_.viewBoxF().size()); }
  void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override {
    renderer_.render(painter, boundingRect());
  }
  QSvgRenderer& renderer() { return renderer_; }

 private:
  QSvgRenderer renderer_;
};

// The <svg> elements of the documenter's diagram text.
std::vector<QByteArray> SplitSvg(const std::string& svg) {
  std::vector<QByteArray> out;
  size_t at = 0;
  for (;;) {
    const size_t start = svg.find("<svg", at);
    if (start == std::string::npos) break;
    const size_t end = svg.find("</svg>", start);
    if (end == std::string::npos) break;
    out.push_back(QByteArray::fromStdString(svg.substr(start, end + 6 - start)));
    at = end + 6;
  }
  return out;
}

// Graphviz's node elements ("node3") and the names dot knew them by ("t2").
std::vector<std::pair<QString, QString>> NodeIds(const QByteArray& svg) {
  std::vector<std::pair<QString, QString>> out;
  QXmlStreamReader xml(svg);
  QString pending;
  while (!xml.atEnd()) {
    xml.readNext();
    if (!xml.isStartElement()) continue;
    if (xml.name() == QLatin1String("g") && xml.attributes().value(QLatin1String("class")) == QLatin1String("node")) {
      pending = xml.attributes().value(QLatin1String("id")).toString();
    } else if (xml.name() == QLatin1String("title") && !pending.isEmpty()) {
      out.emplace_back(pending, xml.readElementText());
      pending.clear();
    }
  }
  return out;
}

}  // namespace

DiagramView::DiagramView(QWidget* parent) : QGraphicsView(parent) {
  setObjectName(QStringLiteral("Diagramma"));
  setScene(new QGraphicsScene(this));
  setDragMode(QGraphicsView::ScrollHandDrag);
  setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
  setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
  setBackgroundBrush(Qt::white);
}

void DiagramView::setDiagram(const std::string& svg, const QStringList& tables) {
  scene()->clear();
  nodes_.clear();
  tables_ = tables;
  parts_ = SplitSvg(svg);
  double y = 0;
  for (const QByteArray& text : parts_) {
    auto* item = new SvgPart(text);
    item->setPos(0, y);
    scene()->addItem(item);
    for (const auto& [id, title] : NodeIds(text)) {
      bool ok = false;
      const int index = title.mid(1).toInt(&ok);
      if (!title.startsWith(QLatin1Char('t')) || !ok || index < 0 || index >= tables.size()) continue;
      QSvgRenderer& r = item->renderer();
      const QRectF bounds = r.transformForElement(id).mapRect(r.boundsOnElement(id));
      nodes_.push_back({tables.at(index), bounds.translated(-r.viewBoxF().topLeft()).translated(0, y)});
    }
    y += item->boundingRect().height() + kGap;
  }
  scene()->setSceneRect(scene()->itemsBoundingRect());
}

QRectF DiagramView::DiagramRect() const { return scene()->itemsBoundingRect(); }

void DiagramView::zoomBy(double factor) {
  const double now = transform().m11();
  if (now * factor < 0.05 || now * factor > 20) return;
  scale(factor, factor);
}

void DiagramView::fit() {
  resetTransform();
  if (!scene()->items().isEmpty()) fitInView(DiagramRect(), Qt::KeepAspectRatio);
  // Never larger than the drawing's own size: a small diagram stays readable as it is.
  if (transform().m11() > 1.5) {
    resetTransform();
    scale(1.5, 1.5);
  }
}

// The first view: the whole diagram when it can be read that way, else its start at a readable
// size (the rest is reached by scrolling, the wheel or "Adatta").
void DiagramView::firstView() {
  fit();
  if (transform().m11() >= 0.45) return;
  resetTransform();
  scale(0.8, 0.8);
  const QRectF all = DiagramRect();
  centerOn(mapToScene(viewport()->rect()).boundingRect().center() - mapToScene(QPoint(0, 0)) + all.topLeft());
}

bool DiagramView::PickTable(const QString& name) {
  for (const Node& n : nodes_)
    if (n.table == name) {
      if (TableClicked) TableClicked(n.table);
      return true;
    }
  return false;
}

void DiagramView::mousePressEvent(QMouseEvent* event) {
  pressAt_ = event->position().toPoint();
  QGraphicsView::mousePressEvent(event);
}

// A click (not a drag) on a table shows it.
void DiagramView::mouseReleaseEvent(QMouseEvent* event) {
  QGraphicsView::mouseReleaseEvent(event);
  if (event->button() != Qt::LeftButton || (event->position().toPoint() - pressAt_).manhattanLength() > 4) return;
  const QPointF at = mapToScene(event->position().toPoint());
  for (const Node& n : nodes_)
    if (n.rect.contains(at)) {
      if (TableClicked) TableClicked(n.table);
      return;
    }
}

void DiagramView::wheelEvent(QWheelEvent* event) {
  if (event->angleDelta().y() == 0) return QGraphicsView::wheelEvent(event);
  zoomBy(event->angleDelta().y() > 0 ? 1.15 : 1 / 1.15);
}

QByteArray DiagramView::SvgDocument() const {
  const QRectF all = DiagramRect();
  QByteArray out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  out += QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
                        "width=\"%1pt\" height=\"%2pt\" viewBox=\"0 0 %1 %2\">\n")
             .arg(std::ceil(all.width()))
             .arg(std::ceil(all.height()))
             .toUtf8();
  double y = 0;
  for (const QByteArray& part : parts_) {
    QSvgRenderer r(part);
    QByteArray placed = part;
    placed.replace(0, 4, QStringLiteral("<svg x=\"0\" y=\"%1\"").arg(y).toUtf8());
    out += placed + "\n";
    y += r.viewBoxF().height() + kGap;
  }
  out += "</svg>\n";
  return out;
}

void DiagramView::Render(QPainter& painter, const QRectF& target) {
  scene()->render(&painter, target, DiagramRect(), Qt::KeepAspectRatio);
}

namespace {

// Saves the diagram as the suffix of `file` says (svg, png or pdf). "" or the reason.
QString SaveDiagram(DiagramView& view, const QString& file) {
  const QString suffix = QFileInfo(file).suffix().toLower();
  const QRectF all = view.DiagramRect();
  if (suffix == QLatin1String("svg")) {
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(view.SvgDocument()) < 0 || !out.commit())
      return QStringLiteral("impossibile scrivere ") + file;
    return QString();
  }
  if (suffix == QLatin1String("png")) {
    // Twice the size in points, for a sharp picture.
    QImage image((all.size() * 2).toSize().expandedTo(QSize(1, 1)), QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    view.Render(painter, QRectF(QPointF(0, 0), image.size()));
    painter.end();
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || !image.save(&out, "PNG") || !out.commit())
      return QStringLiteral("impossibile scrivere ") + file;
    return QString();
  }
  if (suffix == QLatin1String("pdf")) {
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) return QStringLiteral("impossibile scrivere ") + file;
    {
      QPdfWriter pdf(&out);
      pdf.setTitle(QStringLiteral("Relazioni"));
      pdf.setPageSize(QPageSize(all.size() + QSizeF(24, 24), QPageSize::Point));
      pdf.setPageMargins(QMarginsF(12, 12, 12, 12), QPageLayout::Point);
      QPainter painter(&pdf);
      view.Render(painter, QRectF(QPointF(0, 0), QSizeF(painter.device()->width(), painter.device()->height())));
    }
    if (!out.commit()) return QStringLiteral("impossibile scrivere ") + file;
    return QString();
  }
  return QStringLiteral("formato non riconosciuto (svg, png o pdf): ") + file;
}

}  // namespace

void Windows::ShowRelations() {
  if (!relations_) {
    std::string svg, error;
    QStringList tables;
    {
      const tavrek::doc::Dictionary dictionary = tavrek::doc::ReadDictionary(*main_.db);
      const tavrek::doc::Diagram diagram = tavrek::doc::BuildDiagram(dictionary);
      for (const tavrek::doc::DiagramTable& t : diagram.tables) tables << Q(t.name);
      std::optional<std::string> drawn = tavrek::doc::DiagramSvg(diagram, error);
      if (drawn) svg = *drawn;
      for (const tavrek::doc::DictionaryTable& t : dictionary.tables)
        if (t.rs) t.rs->Close();
    }
    QWidget* w = NewWindow(main_.window(), QStringLiteral("FinestraRelazioni"), QStringLiteral("Relazioni"), 1000, 700);
    auto* layout = new QVBoxLayout(w);
    auto* buttons = new QHBoxLayout;
    auto* view = new DiagramView(w);
    const std::pair<QString, std::function<void()>> actions[] = {
        {QStringLiteral("&Ingrandisci"), [view] { view->zoomBy(1.25); }},
        {QStringLiteral("&Riduci"), [view] { view->zoomBy(0.8); }},
        {QStringLiteral("&Adatta"), [view] { view->fit(); }},
        {QStringLiteral("&Salva…"), [view, w] {
           const QString file = QFileDialog::getSaveFileName(
               w, QStringLiteral("Salva il diagramma"), QStringLiteral("relazioni.svg"),
               QStringLiteral("SVG (*.svg);;PNG (*.png);;PDF (*.pdf)"));
           if (file.isEmpty()) return;
           const QString why = SaveDiagram(*view, file);
           if (!why.isEmpty()) QMessageBox::warning(w, QStringLiteral("Relazioni"), why);
         }},
    };
    for (const auto& [caption, run] : actions) {
      auto* b = new QPushButton(caption, w);
      QObject::connect(b, &QPushButton::clicked, w, run);
      buttons->addWidget(b);
    }
    buttons->addStretch(1);
    auto* note = new QLabel(w);
    note->setObjectName(QStringLiteral("Nota"));
    layout->addLayout(buttons);
    layout->addWidget(note);
    layout->addWidget(view, 1);
    if (svg.empty()) {
      note->setText(error.empty() ? QStringLiteral("Nessuna tabella da disegnare.")
                                  : QStringLiteral("Diagramma non disponibile: ") + Q(error));
    } else {
      note->setText(QStringLiteral("Un clic su una tabella la mostra nella finestra principale; "
                                   "la rotella ingrandisce, il trascinamento sposta."));
      note->setWordWrap(true);
    }
    view->setDiagram(svg, tables);
    Tavrek& main = main_;
    view->TableClicked = [&main](const QString& table) {
      // As "Scegli Tabella" and a click on the table in the list.
      main.Run([&main, table] {
        if (main.dbOpen != 1) return;
        main.ApriTab_Click();
        for (int i = 0; i < main.List1.ListCount(); ++i)
          if (main.List1.List(i) == table) {
            main.List1.ClickItem(i);
            break;
          }
      });
    };
    relations_ = w;
    w->show();
    view->firstView();
  }
  relations_->show();
  relations_->raise();
  relations_->activateWindow();
}

// Used by the script: the file's suffix chooses the format.
QString SaveRelations(QWidget* window, const QString& file) {
  auto* view = window ? window->findChild<DiagramView*>() : nullptr;
  if (!view) return QStringLiteral("la finestra Relazioni non è aperta");
  return SaveDiagram(*view, file);
}

}  // namespace documenta
