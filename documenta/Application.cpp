// "Applicazione…": forms, reports, macros and modules in a tree; the VBA or macro text of the one
// chosen, highlighted, and the tables and queries it names and the objects that name it.
#include <QMainWindow>
#include <QFontDatabase>
#include <algorithm>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QSplitter>
#include <QStandardItemModel>
#include <QSyntaxHighlighter>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/Tavrek.h"
#include "documenta/Documenta.h"
#include "documenta/Parts.h"
#include "documenter/catalogue_support.h"
#include "documenter/dictionary.h"
#include "documenter/references.h"

namespace documenta {

namespace {

// VBA keywords, strings and comments (a comment runs from an apostrophe outside a string, or
// from "Rem", to the end of the line).
class VbaHighlighter : public QSyntaxHighlighter {
 public:
  explicit VbaHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {
    keyword_.setForeground(QColor(0, 0, 160));
    keyword_.setFontWeight(QFont::Bold);
    string_.setForeground(QColor(160, 40, 0));
    comment_.setForeground(QColor(0, 128, 0));
    comment_.setFontItalic(true);
    const char* const words[] = {
        "Attribute", "And", "As", "Boolean", "ByRef", "ByVal", "Byte", "Call", "Case", "Const", "Currency", "Date",
        "Debug", "Declare", "Dim", "Do", "Double", "Each", "Else", "ElseIf", "End", "Enum", "Erase", "Error",
        "Event", "Exit", "Explicit", "False", "For", "Friend", "Function", "Get", "GoSub", "GoTo", "If", "Implements",
        "In", "Integer", "Is", "Let", "Like", "Long", "Loop", "Me", "Mod", "New", "Next", "Not", "Nothing", "Null",
        "Object", "On", "Option", "Optional", "Or", "ParamArray", "Preserve", "Private", "Property", "Public",
        "RaiseEvent", "ReDim", "Resume", "Return", "Select", "Set", "Single", "Static", "Step", "Stop", "String",
        "Sub", "Then", "To", "True", "Type", "TypeOf", "Until", "Variant", "Wend", "While", "With", "WithEvents",
        "Xor", "Compare", "Database", "Base", "Private", "LongLong", "LongPtr", "PtrSafe"};
    QStringList escaped;
    for (const char* w : words) escaped << QString::fromLatin1(w);
    keywords_ = QRegularExpression(QStringLiteral("\\b(") + escaped.join(QLatin1Char('|')) + QStringLiteral(")\\b"),
                                   QRegularExpression::CaseInsensitiveOption);
  }

 protected:
  void highlightBlock(const QString& text) override {
    // Strings first, then the comment start outside them, then keywords in the code part.
    int commentAt = -1;
    std::vector<std::pair<int, int>> strings;
    for (int i = 0; i < text.size(); ++i) {
      if (text[i] == u'"') {
        int end = i + 1;
        while (end < text.size()) {
          if (text[end] == u'"') {
            if (end + 1 < text.size() && text[end + 1] == u'"') {
              end += 2;
              continue;
            }
            break;
          }
          ++end;
        }
        strings.emplace_back(i, std::min<int>(static_cast<int>(text.size()), end + 1) - i);
        i = end;
      } else if (text[i] == u'\'') {
        commentAt = i;
        break;
      } else if ((i == 0 || !text[i - 1].isLetterOrNumber()) && text.mid(i, 4).compare(QLatin1String("Rem "), Qt::CaseInsensitive) == 0) {
        bool onlyBlanks = true;
        for (int j = 0; j < i; ++j) onlyBlanks = onlyBlanks && (text[j].isSpace() || text[j] == u':');
        if (onlyBlanks || text.left(i).trimmed().endsWith(QLatin1Char(':'))) {
          commentAt = i;
          break;
        }
      }
    }
    const QString code = commentAt >= 0 ? text.left(commentAt) : text;
    auto it = keywords_.globalMatch(code);
    while (it.hasNext()) {
      const auto m = it.next();
      setFormat(static_cast<int>(m.capturedStart()), static_cast<int>(m.capturedLength()), keyword_);
    }
    for (const auto& [start, length] : strings) setFormat(start, length, string_);
    if (commentAt >= 0) setFormat(commentAt, static_cast<int>(text.size()) - commentAt, comment_);
  }

 private:
  QRegularExpression keywords_;
  QTextCharFormat keyword_, string_, comment_;
};

struct Group {
  const char* container;
  const char* title;
  const char* kind;  // as the cross-reference names the kind
};
constexpr Group kGroups[] = {{"Forms", "Maschere", "form"},
                             {"Reports", "Report", "report"},
                             {"Scripts", "Macro", "macro"},
                             {"Modules", "Moduli", "module"}};

// The text searched for names of an object: its code or macro, and a form's or report's stored
// definition.
std::string SearchText(const dao::Document& d) {
  std::string text = d.Text();
  for (const std::string& s : d.StoredTexts()) text += "\n" + s;
  return text;
}

void ShowObject(dao::Database& db, const std::vector<tavrek::doc::ReferenceEntry>& references, const QString& kind,
                const QString& name, QPlainTextEdit& code, TablePart& usedBy) {
  usedBy.clear();
  const dao::Document* doc = nullptr;
  for (const Group& g : kGroups)
    if (kind == QLatin1String(g.kind))
      if (const dao::Container* c = tavrek::doc::FindContainer(db, g.container))
        for (const dao::Document& d : c->Documents())
          if (Q(d.Name()) == name) doc = &d;
  if (!doc) {
    code.clear();
    return;
  }
  if (!doc->Error().empty()) {
    code.setPlainText(QStringLiteral("' Impossibile leggere il testo: ") + Q(doc->Error()));
  } else if (doc->Text().empty()) {
    // A form or report without code: what its definition names (record source, controls…).
    QString text = kind == QLatin1String("module") ? QStringLiteral("' Modulo senza codice.\n")
                                                     : QStringLiteral("' Nessun codice VBA.\n");
    if (!doc->StoredTexts().empty()) text += QStringLiteral("'\n' Testi della definizione:\n");
    for (const std::string& s : doc->StoredTexts()) {
      const QString line = Q(s);
      // Bytes of the binary definition that happened to pass for text are left out.
      if (std::any_of(line.begin(), line.end(), [](QChar c) { return c.unicode() < 0x20 || c == QChar::ReplacementCharacter; }))
        continue;
      text += QStringLiteral("'   ") + line + QLatin1Char('\n');
    }
    code.setPlainText(text);
  } else {
    code.setPlainText(Q(doc->Text()));
  }
  // What it names: the tables and queries whose users include it (or the module behind it).
  const std::string k = kind.toStdString(), n = name.toStdString();
  const std::string behind = k == "form" ? "Form_" + n : k == "report" ? "Report_" + n : std::string();
  for (const tavrek::doc::ReferenceEntry& e : references)
    for (const tavrek::doc::Reference& r : e.usedBy)
      if ((r.kind == k && r.name == n) || (!behind.empty() && r.kind == "module" && r.name == behind)) {
        usedBy.addRow({QStringLiteral("usa"), Q(tavrek::doc::ReferenceWord(e.kind)), Q(e.name),
                       Q(tavrek::doc::ReferenceWord(r.match))});
        break;
      }
  // Who names it: the other objects and the queries whose text names it.
  for (const Group& g : kGroups)
    if (const dao::Container* c = tavrek::doc::FindContainer(db, g.container))
      for (const dao::Document& d : c->Documents()) {
        if (d.Name() == n && k == g.kind) continue;
        const std::string match = tavrek::doc::MatchName(SearchText(d), n);
        if (!match.empty())
          usedBy.addRow({QStringLiteral("usato da"), Q(tavrek::doc::ReferenceWord(g.kind)), Q(d.Name()),
                         Q(tavrek::doc::ReferenceWord(match))});
      }
  for (const dao::QueryDef& q : db.QueryDefs()) {
    if (q.Name().rfind("~sq_", 0) == 0) continue;
    const std::string match = tavrek::doc::MatchName(q.SQL(), n);
    if (!match.empty())
      usedBy.addRow({QStringLiteral("usato da"), QStringLiteral("query"), Q(q.Name()),
                     Q(tavrek::doc::ReferenceWord(match))});
  }
  usedBy.fitColumns();
}

}  // namespace

void Windows::ShowApplication() {
  if (!application_) {
    QWidget* w = NewWindow(main_.window(), QStringLiteral("FinestraApplicazione"), QStringLiteral("Applicazione"), 1000, 700);
    auto* layout = new QVBoxLayout(w);
    auto* split = new QSplitter(Qt::Horizontal, w);
    auto* tree = new QTreeView(split);
    tree->setObjectName(QStringLiteral("Oggetti"));
    auto* model = new QStandardItemModel(0, 2, tree);
    model->setHorizontalHeaderLabels({QStringLiteral("Oggetto"), QStringLiteral("Modificato")});
    tree->setModel(model);
    tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* right = new QSplitter(Qt::Vertical, split);
    auto* code = new QPlainTextEdit(right);
    code->setObjectName(QStringLiteral("Codice"));
    code->setReadOnly(true);
    code->setLineWrapMode(QPlainTextEdit::NoWrap);
    code->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    new VbaHighlighter(code->document());
    auto* usedBy = new TablePart(QStringLiteral("UsatoDa"),
                                 {QStringLiteral("Legame"), QStringLiteral("Tipo"), QStringLiteral("Nome"),
                                  QStringLiteral("Corrispondenza")},
                                 right);
    right->addWidget(code);
    right->addWidget(usedBy);
    right->setStretchFactor(0, 3);
    right->setStretchFactor(1, 1);
    split->addWidget(tree);
    split->addWidget(right);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 3);
    // The tree wide enough for its names and dates, the code the rest.
    split->setSizes({w->width() * 2 / 5, w->width() * 3 / 5});
    layout->addWidget(split, 1);
    auto* note = new QLabel(QStringLiteral("Corrispondenze testuali: un nome in un commento conta, un nome composto "
                                           "mentre il codice gira no."),
                            w);
    note->setWordWrap(true);
    layout->addWidget(note);

    for (const Group& g : kGroups) {
      auto* head = new QStandardItem(QString::fromUtf8(g.title));
      const dao::Container* c = tavrek::doc::FindContainer(*main_.db, g.container);
      if (c)
        for (const dao::Document& d : c->Documents()) {
          auto* item = new QStandardItem(Q(d.Name()));
          item->setData(QString::fromLatin1(g.kind), Qt::UserRole);
          if (!d.Error().empty()) item->setToolTip(Q(d.Error()));
          head->appendRow({item, new QStandardItem(Q(tavrek::doc::DateText(d.LastUpdated())))});
        }
      head->setText(QStringLiteral("%1 (%2)").arg(QString::fromUtf8(g.title)).arg(head->rowCount()));
      model->appendRow({head, new QStandardItem()});
    }
    tree->expandAll();
    tree->resizeColumnToContents(0);
    auto references = std::make_shared<std::vector<tavrek::doc::ReferenceEntry>>(tavrek::doc::CrossReference(*main_.db));
    Tavrek& main = main_;
    QObject::connect(tree->selectionModel(), &QItemSelectionModel::currentChanged, w,
                     [&main, references, code, usedBy](const QModelIndex& current) {
                       const QModelIndex first = current.siblingAtColumn(0);
                       const QString kind = first.data(Qt::UserRole).toString();
                       if (kind.isEmpty() || main.dbOpen != 1 || !main.db) return;
                       main.Run([&] { ShowObject(*main.db, *references, kind, first.data().toString(), *code, *usedBy); });
                     });
    application_ = w;
  }
  application_->show();
  application_->raise();
  application_->activateWindow();
}

}  // namespace documenta
