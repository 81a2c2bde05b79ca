// The modal interactions shown with Qt's own dialogs.
#include <QApplication>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLineEdit>
#include <QSpacerItem>
#include <QInputDialog>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

#include "forms/form.h"
#include "forms/interaction.h"

namespace forms {

namespace {

// "Access|*.mdb|Tutti|*.*" → "Access (*.mdb);;Tutti (*.*)"
QString QtFilter(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2)
    out << parts[i] + QStringLiteral(" (") + QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' ')) +
               QLatin1Char(')');
  return out.join(QStringLiteral(";;"));
}

// A carriage return alone, or with its line feed, ends a line of the message.
QString MessageLines(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

QWidget* ActiveParent() { return QApplication::activeWindow(); }

}  // namespace

int TitleRoom(const QString& title) {
  // The window manager draws the title in its own font, usually a bold one of the system size,
  // between the window's icon and its buttons: room for both is added to the text's width.
  QFont font = QApplication::font("QMdiSubWindowTitleBar");
  font.setBold(true);
  constexpr int kDecorations = 140;
  return QFontMetrics(font).horizontalAdvance(title) + kDecorations;
}

namespace {

// A message box is only as wide as its text and buttons, and window managers cut a longer title
// short; when the title carries information (the page question's free share), the box is made
// wide enough to show it whole. The message and the buttons stay as they are.
void WidenForTitle(QMessageBox& box, const QString& title) {
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (!grid || title.isEmpty()) return;
  grid->addItem(new QSpacerItem(TitleRoom(title), 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0,
                1, grid->columnCount());
}

}  // namespace

std::optional<QString> QtInteraction::ShowOpen(const OpenFileRequest& request) {
  QFileDialog dialog(ActiveParent(), request.title);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  if (!request.filter.isEmpty()) dialog.setNameFilter(QtFilter(request.filter));
  if (!request.defaultExt.isEmpty()) dialog.setDefaultSuffix(request.defaultExt);
  if (!request.initialPath.isEmpty()) dialog.selectFile(request.initialPath);
  dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("Cerca in:"));
  dialog.setLabelText(QFileDialog::FileName, QStringLiteral("Nome file:"));
  dialog.setLabelText(QFileDialog::FileType, QStringLiteral("Tipo file:"));
  dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Apri"));
  dialog.setLabelText(QFileDialog::Reject, QStringLiteral("Annulla"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front();
}

int QtInteraction::MsgBox(const QString& text, int buttons, const QString& title) {
  QMessageBox box(ActiveParent());
  box.setWindowTitle(title);
  box.setText(MessageLines(text));
  switch (buttons & 0x70) {
    case 16: box.setIcon(QMessageBox::Critical); break;
    case 32: box.setIcon(QMessageBox::Question); break;
    case 48: box.setIcon(QMessageBox::Warning); break;
    case 64: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
  }
  switch (buttons & 7) {
    case vbOKCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case vbYesNoCancel: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel); break;
    case vbYesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    default: box.setStandardButtons(QMessageBox::Ok); break;
  }
  // The tool speaks Italian, its buttons too.
  const std::pair<QMessageBox::StandardButton, const char*> texts[] = {
      {QMessageBox::Ok, "OK"}, {QMessageBox::Cancel, "Annulla"}, {QMessageBox::Yes, "Sì"}, {QMessageBox::No, "No"}};
  for (const auto& [button, text] : texts)
    if (QAbstractButton* b = box.button(button)) b->setText(QString::fromUtf8(text));
  WidenForTitle(box, title);
  switch (box.exec()) {
    case QMessageBox::Yes: return vbYes;
    case QMessageBox::No: return vbNo;
    case QMessageBox::Cancel: return vbCancel;
    case QMessageBox::Ok: return vbOK;
    default: return (buttons & 7) == vbYesNo ? vbNo : vbCancel;
  }
}

namespace {

QString AskText(const QString& prompt, const QString& title, const QString& defaultText, QLineEdit::EchoMode echo) {
  QInputDialog dialog(ActiveParent());
  dialog.setWindowTitle(title);
  dialog.setLabelText(MessageLines(prompt));
  dialog.setInputMode(QInputDialog::TextInput);
  dialog.setTextEchoMode(echo);
  dialog.setTextValue(defaultText);
  dialog.setOkButtonText(QStringLiteral("OK"));
  dialog.setCancelButtonText(QStringLiteral("Annulla"));
  if (dialog.exec() != QDialog::Accepted) return QString();
  return dialog.textValue();
}

}  // namespace

QString QtInteraction::InputBox(const QString& prompt, const QString& title, const QString& defaultText) {
  return AskText(prompt, title, defaultText, QLineEdit::Normal);
}

// Typed characters show as dots; an input method's suggestions are turned off by the echo mode.
QString QtInteraction::PasswordBox(const QString& prompt, const QString& title) {
  return AskText(prompt, title, QString(), QLineEdit::Password);
}

void QtInteraction::RunModal(Form& form) {
  if (!form.IsLoaded()) form.Load();
  if (!form.IsLoaded()) return;  // the load unloaded it again
  QEventLoop loop;
  form.afterUnload = [&loop] { loop.quit(); };
  form.window()->setWindowModality(Qt::ApplicationModal);
  form.Show();
  if (form.IsLoaded()) loop.exec();
  form.afterUnload = nullptr;
}

}  // namespace forms
