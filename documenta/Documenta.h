// The windows of the "Documenta" menu: everything the object model holds beyond the main window's
// table view (details of a table, the relationship diagram, the application and its code), the
// exports tavrek-dump writes and the comparison of two databases. Each window is a plain Qt
// window over the open database of the main window; every output comes from the documenter's
// writers, the same that tavrek-dump calls.
//
// The parts a script drives (TAVREK_TEST_SCRIPT) carry object names: "Tabella" and "Proprieta"
// (details), "Diagramma" (relationships), "Oggetti", "Codice" and "UsatoDa" (application),
// "Formati" (export), "Differenze" (comparison); the windows are "FinestraDettagli",
// "FinestraRelazioni", "FinestraApplicazione", "FinestraEsporta" and "FinestraConfronta".
#pragma once

#include <QGraphicsView>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class Tavrek;
class QThread;

namespace documenta {

// One output of "Esporta…": its script name ("html", "pdf", "postgresql", …), its Italian title
// in the list, the suffix of its file and the save dialog's filter.
struct ExportFormat {
  QString key;
  QString title;
  QString suffix;
};
const std::vector<ExportFormat>& ExportFormats();
// The format of that script name (or title), nullptr when there is none.
const ExportFormat* FindExportFormat(const QString& keyOrTitle);

// Writes `format` for the database file `path` (opened afresh, read-only, with `connect`) into
// `output`, on the calling thread, with the writers tavrek-dump uses and as it calls them: the file
// appears whole or not at all. `cancelled` is looked at between the steps; once it is set nothing
// is written. Returns "" on success, else the Italian reason ("Errore N" and the description for
// an engine error).
QString WriteExport(const ExportFormat& format, const std::string& path, const std::string& connect,
                    const QString& output, const std::shared_ptr<std::atomic<bool>>& cancelled);

// The relationship diagram's view: pans with the mouse, zooms with the wheel, and reports a click
// on a table.
class DiagramView : public QGraphicsView {
 public:
  explicit DiagramView(QWidget* parent = nullptr);
  // Loads the diagram: `svg` as the documenter draws it (one or two <svg> elements), and per
  // Graphviz node id ("t3") the table's name.
  void setDiagram(const std::string& svg, const QStringList& tables);
  void zoomBy(double factor);
  void fit();
  // Fits the diagram, or shows its beginning at a readable size when fitting makes it too small.
  void firstView();
  // The table names, in diagram order.
  const QStringList& Tables() const { return tables_; }
  // Acts as a click on the table named `name`; false when the diagram does not show it.
  bool PickTable(const QString& name);
  // The whole diagram as one SVG document.
  QByteArray SvgDocument() const;
  // Draws the whole diagram into `painter`'s device area `target`.
  void Render(class QPainter& painter, const QRectF& target);
  QRectF DiagramRect() const;
  std::function<void(const QString&)> TableClicked;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  struct Node {
    QString table;
    QRectF rect;  // scene coordinates
  };
  QStringList tables_;
  std::vector<QByteArray> parts_;  // each <svg> element as a document
  std::vector<Node> nodes_;
  QPoint pressAt_;
};

// Saves the diagram of the "Relazioni" window `window` as its suffix says (svg, png, pdf): "" or
// the reason it could not.
QString SaveRelations(QWidget* window, const QString& file);

// The windows, created on first use and kept; closed when another database is opened.
class Windows {
 public:
  explicit Windows(Tavrek& main);
  ~Windows();

  void ShowDetails();
  void ShowRelations();
  void ShowApplication();
  void ShowExport();
  void ShowCompare();  // asks for the second file
  void CloseAll();

  // "Confronta con…" on `file` (its password, "" for none, asked for in a dialog when `ask` and the
  // file wants one). Shows the result window. Returns "" or the Italian reason it failed.
  QString Compare(const QString& file, const QString& password, bool ask);
  // Runs the export of `format` into `output` off the GUI thread, with a progress dialog that can
  // cancel; returns "" when written, "annullato" when cancelled, else the reason.
  QString Export(const ExportFormat& format, const QString& output);

  // The top-level windows on show, for the script.
  std::vector<QWidget*> Shown() const;

 private:
  Tavrek& main_;
  QPointer<QWidget> details_, relations_, application_, export_, compare_;
  std::vector<QThread*> workers_;
};

}  // namespace documenta
