// What the windows of the "Documenta" menu share: a table part that sorts and copies, the
// window frame sized for the screen, and the text of a part as the script saves it.
#pragma once

#include <QKeyEvent>
#include <QStandardItemModel>
#include <QString>
#include <QStringList>
#include <QTableView>
#include <QWidget>
#include <string>
#include <vector>

namespace documenta {

// A read-only table: sorts on a click on its header (it starts in the order it was filled),
// selects rows, and Ctrl+C copies the selected rows as tab-separated lines.
class TablePart : public QTableView {
 public:
  TablePart(const QString& name, const QStringList& headers, QWidget* parent = nullptr);
  void clear();
  void addRow(const QStringList& cells);
  QStandardItemModel& model() const { return *model_; }
  // Fits the columns but the last (which takes the rest) to their contents, none wider than 36
  // average characters.
  void fitColumns();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QStandardItemModel* model_;
};

// A new top-level window titled `title`, named `name`, as large as `width` x `height` pixels or as
// the screen allows (800 x 600 included), and placed on it.
QWidget* NewWindow(QWidget* parent, const QString& name, const QString& title, int width, int height);

// The text of a part: a text view's text, a table's or tree's rows as tab-separated lines with the
// header first (a tree's rows indented by one tab per level), a list's entries one a line. Empty
// with `ok` false for a widget that shows none of these.
QString PartText(QWidget* part, bool& ok);

QString Q(const std::string& text);

}  // namespace documenta
