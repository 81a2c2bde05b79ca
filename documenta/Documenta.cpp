#include "documenta/Documenta.h"

#include <QMainWindow>
#include <QAbstractItemModel>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScreen>
#include <QThread>
#include <QTreeView>

#include "app/Tavrek.h"
#include "documenta/Parts.h"

namespace documenta {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// --- TablePart

TablePart::TablePart(const QString& name, const QStringList& headers, QWidget* parent)
    : QTableView(parent), model_(new QStandardItemModel(0, static_cast<int>(headers.size()), this)) {
  setObjectName(name);
  model_->setHorizontalHeaderLabels(headers);
  setModel(model_);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setWordWrap(false);
  verticalHeader()->setVisible(false);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  horizontalHeader()->setStretchLastSection(true);
  horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
  setSortingEnabled(true);
}

void TablePart::clear() {
  model_->removeRows(0, model_->rowCount());
  horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
}

void TablePart::addRow(const QStringList& cells) {
  QList<QStandardItem*> row;
  for (const QString& c : cells) {
    auto* item = new QStandardItem(c);
    item->setToolTip(c.size() > 60 ? c : QString());
    row.append(item);
  }
  model_->appendRow(row);
}

// The view may not have its final width yet (a window not shown): the limit is in characters.
void TablePart::fitColumns() {
  const int widest = fontMetrics().averageCharWidth() * 36;
  for (int c = 0; c + 1 < model_->columnCount(); ++c) {
    resizeColumnToContents(c);
    if (columnWidth(c) > widest) setColumnWidth(c, widest);
  }
}

void TablePart::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    QStringList lines;
    const QModelIndexList rows = selectionModel()->selectedRows();
    std::vector<int> order;
    for (const QModelIndex& r : rows) order.push_back(r.row());
    std::sort(order.begin(), order.end());
    for (int r : order) {
      QStringList cells;
      for (int c = 0; c < model_->columnCount(); ++c) cells << model_->index(r, c).data().toString();
      lines << cells.join(QLatin1Char('\t'));
    }
    QGuiApplication::clipboard()->setText(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    return;
  }
  QTableView::keyPressEvent(event);
}

// --- Windows and texts

QWidget* NewWindow(QWidget* parent, const QString& name, const QString& title, int width, int height) {
  auto* w = new QWidget(parent, Qt::Window);
  w->setObjectName(name);
  w->setWindowTitle(title);
  w->setAttribute(Qt::WA_DeleteOnClose);
  QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
  QRect room = screen ? screen->availableGeometry() : QRect(0, 0, 800, 600);
  // Room for the window manager's frame and title.
  const int frameW = 16, frameH = 40;
  const QSize size(std::min(width, room.width() - frameW), std::min(height, room.height() - frameH));
  w->resize(size);
  w->move(room.x() + (room.width() - size.width() - frameW) / 2 + 4,
          room.y() + (room.height() - size.height() - frameH) / 2 + 30);
  return w;
}

namespace {

void TreeLines(const QAbstractItemModel& model, const QModelIndex& parent, int depth, QStringList& lines) {
  for (int r = 0; r < model.rowCount(parent); ++r) {
    QStringList cells;
    for (int c = 0; c < model.columnCount(parent); ++c) cells << model.index(r, c, parent).data().toString();
    lines << QString(depth, QLatin1Char('\t')) + cells.join(QLatin1Char('\t'));
    const QModelIndex child = model.index(r, 0, parent);
    if (model.hasChildren(child)) TreeLines(model, child, depth + 1, lines);
  }
}

}  // namespace

QString PartText(QWidget* part, bool& ok) {
  ok = true;
  if (auto* text = qobject_cast<QPlainTextEdit*>(part)) return text->toPlainText();
  if (auto* list = qobject_cast<QListWidget*>(part)) {
    QString out;
    for (int i = 0; i < list->count(); ++i) out += list->item(i)->text() + QLatin1Char('\n');
    return out;
  }
  if (auto* combo = qobject_cast<QComboBox*>(part)) {
    QString out;
    for (int i = 0; i < combo->count(); ++i) out += combo->itemText(i) + QLatin1Char('\n');
    return out;
  }
  if (auto* view = qobject_cast<QAbstractItemView*>(part)) {
    const QAbstractItemModel* model = view->model();
    if (!model) return QString();
    QStringList lines, header;
    for (int c = 0; c < model->columnCount(); ++c) header << model->headerData(c, Qt::Horizontal).toString();
    lines << header.join(QLatin1Char('\t'));
    TreeLines(*model, QModelIndex(), 0, lines);
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
  }
  ok = false;
  return QString();
}

// --- Windows

Windows::Windows(Tavrek& main) : main_(main) {}

Windows::~Windows() {
  CloseAll();
  for (QThread* t : workers_) {
    t->wait();
    delete t;
  }
}

void Windows::CloseAll() {
  for (QPointer<QWidget>* w : {&details_, &relations_, &application_, &export_, &compare_})
    if (*w) (*w)->close();
}

std::vector<QWidget*> Windows::Shown() const {
  std::vector<QWidget*> out;
  for (const QPointer<QWidget>* w : {&details_, &relations_, &application_, &export_, &compare_})
    if (*w && (*w)->isVisible()) out.push_back(*w);
  return out;
}

}  // namespace documenta

// --- The menu's handlers

documenta::Windows& Tavrek::DocumentaWindows() {
  if (!documenta_) documenta_ = std::make_unique<documenta::Windows>(*this);
  return *documenta_;
}

void Tavrek::CloseDocumentaWindows() {
  if (documenta_) documenta_->CloseAll();
}

void Tavrek::Dettagli_Click() {
  if (dbOpen == 1 && db) DocumentaWindows().ShowDetails();
}
void Tavrek::Relazioni_Click() {
  if (dbOpen == 1 && db) DocumentaWindows().ShowRelations();
}
void Tavrek::Applicazione_Click() {
  if (dbOpen == 1 && db) DocumentaWindows().ShowApplication();
}
void Tavrek::Esporta_Click() {
  if (dbOpen == 1 && db) DocumentaWindows().ShowExport();
}
void Tavrek::Confronta_Click() {
  if (dbOpen == 1 && db) DocumentaWindows().ShowCompare();
}
