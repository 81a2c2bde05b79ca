// The Qt dialogs behind the modal interactions, driven headless: a timer finds the dialog that is
// on show, reads it and answers it.
#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <functional>
#include <gtest/gtest.h>

#include "forms/interaction.h"

namespace {

// Runs `answer` on the first modal dialog of type D that shows up.
template <class D>
void WhenShown(std::function<void(D*)> answer) {
  auto* timer = new QTimer(qApp);
  QObject::connect(timer, &QTimer::timeout, [timer, answer] {
    if (auto* d = qobject_cast<D*>(QApplication::activeModalWidget())) {
      timer->stop();
      timer->deleteLater();
      answer(d);
    }
  });
  timer->start(10);
}

TEST(QtMessageBox, CarriageReturnAloneBreaksTheLine) {
  QString shown, title;
  WhenShown<QMessageBox>([&](QMessageBox* box) {
    shown = box->text();
    title = box->windowTitle();
    box->button(QMessageBox::Ok)->click();
  });
  forms::QtInteraction qt;
  const int answer = qt.MsgBox(QStringLiteral("Errore 3049\rFile danneggiato."), forms::vbOKOnly, QStringLiteral("Tavrek"));
  EXPECT_EQ(answer, forms::vbOK);
  EXPECT_EQ(shown, QStringLiteral("Errore 3049\nFile danneggiato."));
  EXPECT_EQ(title, QStringLiteral("Tavrek"));
}

TEST(QtMessageBox, YesNoAnswers) {
  forms::QtInteraction qt;
  WhenShown<QMessageBox>([](QMessageBox* box) {
    EXPECT_NE(box->button(QMessageBox::No), nullptr);
    EXPECT_EQ(box->button(QMessageBox::Ok), nullptr);
    EXPECT_EQ(box->button(QMessageBox::Yes)->text(), QStringLiteral("Sì"));
    box->button(QMessageBox::Yes)->click();
  });
  EXPECT_EQ(qt.MsgBox(QStringLiteral("vuoi chiudere la pagina?"), forms::vbYesNo, QStringLiteral("t")), forms::vbYes);
  WhenShown<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::No)->click(); });
  EXPECT_EQ(qt.MsgBox(QStringLiteral("vuoi chiudere la pagina?"), forms::vbYesNo, QStringLiteral("t")), forms::vbNo);
}

TEST(QtInputBox, TypedTextIsShownAsTypedAndReturned) {
  QLineEdit::EchoMode echo = QLineEdit::NoEcho;
  QString prompt;
  WhenShown<QInputDialog>([&](QInputDialog* d) {
    prompt = d->labelText();
    auto* edit = d->findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr);
    echo = edit->echoMode();
    QTest::keyClicks(edit, QStringLiteral("  segreto "));
    d->accept();
  });
  forms::QtInteraction qt;
  const QString typed = qt.InputBox(QStringLiteral("Immettere Password"), QStringLiteral("DATABASE PROTETTO"), QString());
  EXPECT_EQ(typed, QStringLiteral("  segreto "));
  EXPECT_EQ(echo, QLineEdit::Normal);
  EXPECT_EQ(prompt, QStringLiteral("Immettere Password"));
}

// The password prompt: the same dialog, with what is typed hidden.
TEST(QtPasswordBox, TypedTextIsMaskedAndReturnedAsTyped) {
  QLineEdit::EchoMode echo = QLineEdit::Normal;
  QString title;
  WhenShown<QInputDialog>([&](QInputDialog* d) {
    title = d->windowTitle();
    auto* edit = d->findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr);
    echo = edit->echoMode();
    QTest::keyClicks(edit, QStringLiteral(" segreto"));
    d->accept();
  });
  forms::QtInteraction qt;
  EXPECT_EQ(qt.PasswordBox(QStringLiteral("Immettere Password"), QStringLiteral("DATABASE PROTETTO")), QStringLiteral(" segreto"));
  EXPECT_EQ(echo, QLineEdit::Password);
  EXPECT_EQ(title, QStringLiteral("DATABASE PROTETTO"));
}

// A short message under a long title: the box is as wide as the title needs, so that the window
// manager does not cut it ("Disponibile il 37% della pagina" is the point of the question).
TEST(QtMessageBox, IsWideEnoughForItsTitle) {
  const QString title = QStringLiteral("Disponibile il 37% della pagina");
  int width = 0;
  QString text;
  WhenShown<QMessageBox>([&](QMessageBox* box) {
    width = box->width();
    text = box->text();
    box->button(QMessageBox::No)->click();
  });
  forms::QtInteraction qt;
  qt.MsgBox(QStringLiteral("chiudo?"), forms::vbYesNo, title);
  EXPECT_EQ(text, QStringLiteral("chiudo?"));
  EXPECT_GE(width, forms::TitleRoom(title));
  EXPECT_GT(forms::TitleRoom(title), forms::TitleRoom(QStringLiteral("Disponibi")));
}

TEST(QtInputBox, CancelGivesTheEmptyText) {
  WhenShown<QInputDialog>([](QInputDialog* d) {
    QTest::keyClicks(d->findChild<QLineEdit*>(), QStringLiteral("abc"));
    d->reject();
  });
  forms::QtInteraction qt;
  EXPECT_EQ(qt.InputBox(QStringLiteral("Immettere Password"), QStringLiteral("DATABASE PROTETTO"), QString()), QString());
}

TEST(QtFileDialog, TitleAndFilterFromTheRequestAndCancel) {
  QString title;
  QStringList filters;
  WhenShown<QFileDialog>([&](QFileDialog* d) {
    title = d->windowTitle();
    filters = d->nameFilters();
    d->reject();
  });
  forms::QtInteraction qt;
  forms::OpenFileRequest request{QStringLiteral("APRI DATABASE"),
                                 QStringLiteral("Access|*.mdb;*.mde;*.accdb;*.accde|Tutti|*.*"),
                                 QStringLiteral("mdb"), QString(), 8};
  EXPECT_FALSE(qt.ShowOpen(request).has_value());
  EXPECT_EQ(title, QStringLiteral("APRI DATABASE"));
  // Several patterns of one entry are separated by blanks in Qt's form.
  EXPECT_EQ(filters, (QStringList{QStringLiteral("Access (*.mdb *.mde *.accdb *.accde)"), QStringLiteral("Tutti (*.*)")}));
}

TEST(Scripted, AnswersInOrderAndRecordsUnexpectedRequests) {
  forms::ScriptedInteraction s;
  s.openAnswers = {QStringLiteral("/a.mdb"), std::nullopt};
  s.inputAnswers = {QStringLiteral("pw"), std::nullopt};
  EXPECT_EQ(s.ShowOpen({}), std::optional<QString>(QStringLiteral("/a.mdb")));
  EXPECT_FALSE(s.ShowOpen({}).has_value());
  EXPECT_FALSE(s.ShowOpen({}).has_value());  // queue empty: Cancel
  EXPECT_EQ(s.openCalls.size(), 3u);
  EXPECT_EQ(s.InputBox(QStringLiteral("p"), QStringLiteral("t"), QString()), QStringLiteral("pw"));
  EXPECT_EQ(s.InputBox(QStringLiteral("p"), QStringLiteral("t"), QString()), QString());
  s.inputAnswers = {QStringLiteral("pw")};
  EXPECT_EQ(s.PasswordBox(QStringLiteral("p"), QStringLiteral("t")), QStringLiteral("pw"));
  ASSERT_EQ(s.inputCalls.size(), 3u);
  EXPECT_FALSE(s.inputCalls[1].masked);
  EXPECT_TRUE(s.inputCalls[2].masked);
  EXPECT_EQ(s.MsgBox(QStringLiteral("m"), forms::vbYesNo, QStringLiteral("t")), forms::vbCancel);
  EXPECT_EQ(s.msgBoxCalls.size(), 1u);
}

}  // namespace
