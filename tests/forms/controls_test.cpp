// Controls: labels that size themselves, lists, menu entries, the file dialog, containers, and the
// modal life cycle of a window.
#include <QAction>
#include <QApplication>
#include <QToolButton>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QMenuBar>
#include <QTimer>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include "forms/control.h"
#include "forms/form.h"
#include "forms/interaction.h"
#include "forms/runtime_error.h"
#include "forms/screen.h"

namespace {

using forms::Form;
using forms::Label;

class Controls : public ::testing::Test {
 protected:
  void SetUp() override {
    scripted = std::make_shared<forms::ScriptedInteraction>();
    forms::SetInteraction(scripted);
  }
  void TearDown() override { forms::SetInteraction(nullptr); }
  std::shared_ptr<forms::ScriptedInteraction> scripted;
  Form form{QStringLiteral("Prova")};
};

TEST_F(Controls, AutoSizingLabelFitsItsCaptionInItsFont) {
  Label& l = form.Add<Label>(QStringLiteral("Label1"), 1);
  l.setFont(std::make_shared<forms::Font>(QStringLiteral("Arial"), 9.0, true));
  l.Move(120, 480, 570, 225);
  l.setAutoSize(true);
  l.setCaption(QStringLiteral("Label1"));
  const float shortWidth = l.Width();
  l.setCaption(QStringLiteral("Anagrafica clienti"));
  EXPECT_GT(l.Width(), 2 * shortWidth);
  EXPECT_FLOAT_EQ(l.Left(), 120);
  EXPECT_FLOAT_EQ(l.Top(), 480);
  // A bigger font makes the label bigger, at once.
  const float w9 = l.Width(), h9 = l.Height();
  l.Font()->setSize(14);
  EXPECT_GT(l.Width(), w9);
  EXPECT_GT(l.Height(), h9);
  // The widget follows (to the pixel).
  EXPECT_EQ(l.widget()->width(), Form::ToPixelsX(l.Left() + l.Width()) - Form::ToPixelsX(l.Left()));
}

TEST_F(Controls, FixedLabelKeepsItsSize) {
  Label& l = form.Add<Label>(QStringLiteral("Fisso"));
  l.Move(0, 0, 570, 225);
  l.setCaption(QStringLiteral("un testo molto più lungo dell'etichetta"));
  EXPECT_FLOAT_EQ(l.Width(), 570);
  EXPECT_FLOAT_EQ(l.Height(), 225);
}

TEST_F(Controls, WordWrappingLabelKeepsItsWidthAndGrowsInHeight) {
  Label& l = form.Add<Label>(QStringLiteral("Nota"));
  l.Move(360, 960, 4620, 450);
  l.setWordWrap(true);
  l.setAutoSize(true);
  l.setCaption(QStringLiteral("breve"));
  const float oneLine = l.Height();
  l.setCaption(QString(QStringLiteral("parola ")).repeated(40));
  EXPECT_FLOAT_EQ(l.Width(), 4620);
  EXPECT_GT(l.Height(), 3 * oneLine);
}

TEST_F(Controls, ListBoxEntriesSelectionAndClick) {
  forms::ListBox& list = form.Add<forms::ListBox>(QStringLiteral("List1"));
  int clicks = 0;
  QString clicked;
  list.Click = [&] {
    ++clicks;
    clicked = list.Text();
  };
  list.AddItem(QStringLiteral("Clienti"));
  list.AddItem(QStringLiteral("Ordini"));
  EXPECT_EQ(list.ListCount(), 2);
  EXPECT_EQ(list.ListIndex(), -1);
  EXPECT_EQ(list.Text(), QString());
  list.ClickItem(1);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(clicked, QStringLiteral("Ordini"));
  EXPECT_EQ(list.ListIndex(), 1);
  list.setListIndex(0);  // no click
  EXPECT_EQ(clicks, 1);
  list.Clear();
  EXPECT_EQ(list.ListCount(), 0);
  EXPECT_EQ(list.ListIndex(), -1);
}

// A label added after a list box, where the two overlap, stays under the list: what is seen
// (and clicked) there is the list.
TEST_F(Controls, ListBoxStandsAboveALabelAddedAfterIt) {
  form.setClientSize(6000, 3000);
  forms::ListBox& list = form.Add<forms::ListBox>(QStringLiteral("List1"));
  list.Move(3000, 120, 2000, 1800);
  Label& label = form.Add<Label>(QStringLiteral("Label1"), 0);
  label.Move(120, 120, 4500, 225);
  label.setCaption(QStringLiteral("/un/percorso/molto/lungo/del/database/che/passa/sotto/la/lista.mdb"));
  form.Show();
  QApplication::processEvents();
  const QPoint overlap(forms::Form::ToPixelsX(3500), forms::Form::ToPixelsY(180));
  ASSERT_TRUE(label.widget()->geometry().contains(overlap));
  QWidget* seen = form.clientArea()->childAt(overlap);
  ASSERT_NE(seen, nullptr);
  EXPECT_TRUE(seen == list.widget() || list.widget()->isAncestorOf(seen));
  // Left of the list, the label is what is seen.
  EXPECT_EQ(form.clientArea()->childAt(QPoint(forms::Form::ToPixelsX(300), overlap.y())), label.widget());
  form.Unload();
}

TEST_F(Controls, AMouseClickOrAKeyOnAListEntryRaisesClick) {
  forms::ListBox& list = form.Add<forms::ListBox>(QStringLiteral("List1"));
  list.Move(0, 0, 2000, 1800);
  list.AddItem(QStringLiteral("Clienti"));
  list.AddItem(QStringLiteral("Ordini"));
  QString clicked;
  list.Click = [&] { clicked = list.List(list.ListIndex()); };
  form.Show();
  auto* widget = static_cast<QListWidget*>(list.widget());
  const QRect r = widget->visualItemRect(widget->item(1));
  QTest::mouseClick(widget->viewport(), Qt::LeftButton, {}, r.center());
  EXPECT_EQ(clicked, QStringLiteral("Ordini"));
  // Moving the selection with the keyboard clicks too.
  QTest::keyClick(widget, Qt::Key_Up);
  EXPECT_EQ(clicked, QStringLiteral("Clienti"));
  form.Unload();
}

TEST_F(Controls, AFailingClickGoesThroughTheFailureTreatment) {
  forms::ListBox& list = form.Add<forms::ListBox>(QStringLiteral("List1"));
  list.AddItem(QStringLiteral("Collegata"));
  list.Click = [] { throw forms::RuntimeError(forms::kErrOverflow, QStringLiteral("Overflow")); };
  list.ClickItem(0);
  ASSERT_EQ(scripted->msgBoxCalls.size(), 1u);
  EXPECT_EQ(scripted->msgBoxCalls[0].text, QStringLiteral("Errore 6\rOverflow"));
}

TEST_F(Controls, MenuEntriesAreCommandsOnTheMenuBar) {
  forms::MenuItem& a = form.Add<forms::MenuItem>(QStringLiteral("Apri"), QStringLiteral("Apri Database"));
  forms::MenuItem& b = form.Add<forms::MenuItem>(QStringLiteral("Esci"), QStringLiteral("Esci"));
  int opened = 0;
  a.Click = [&] { ++opened; };
  b.setEnabled(false);
  const QList<QAction*> actions = form.window()->menuWidget()->actions();
  ASSERT_EQ(actions.size(), 2);
  EXPECT_EQ(actions[0]->text(), QStringLiteral("Apri Database"));
  EXPECT_EQ(actions[0]->menu(), nullptr);  // no drop-down: the entry is the command
  EXPECT_FALSE(actions[1]->isEnabled());
  EXPECT_FALSE(b.Enabled());
  actions[0]->trigger();
  EXPECT_EQ(opened, 1);
  // A menu bar makes the non-client part taller.
  const float before = form.Height() - form.ScaleHeight();
  Form bare(QStringLiteral("Senza menu"));
  EXPECT_GT(before, bare.Height() - bare.ScaleHeight());
}

TEST_F(Controls, MenuEntriesWrapOntoFurtherRowsOnANarrowWindow) {
  for (const char* caption : {"Apri Database", "Scegli Tabella", "Scegli Query", "Stampa struttura", "Esci", "Info"})
    form.Add<forms::MenuItem>(QString::fromLatin1(caption), QString::fromLatin1(caption));
  QWidget* bar = form.window()->menuWidget();
  const int oneRow = bar->heightForWidth(2000);
  form.setClientSize(3000, 3000);  // 200 pixels: too narrow for one row
  const float nonClient = form.Height() - form.ScaleHeight();
  EXPECT_GE(bar->heightForWidth(200), 2 * oneRow - 4);
  form.setClientSize(15000, 3000);
  EXPECT_LT(form.Height() - form.ScaleHeight(), nonClient);

  form.setClientSize(3000, 3000);
  form.Show();

  QApplication::processEvents();
  // Every entry is on show inside the bar, none hidden behind an extension button.
  const QList<QToolButton*> buttons = bar->findChildren<QToolButton*>();
  ASSERT_EQ(buttons.size(), 6);
  for (QToolButton* b : buttons) {
    EXPECT_TRUE(b->isVisible()) << b->text().toStdString();
    EXPECT_TRUE(bar->rect().contains(b->geometry())) << b->text().toStdString();
  }
  // The client area is as tall as the window says: the bar takes exactly the rows it needs.
  EXPECT_EQ(form.clientArea()->height(), forms::Form::ToPixelsY(3000));
  form.Unload();
}

TEST_F(Controls, FileDialogAnswersAndPresetAnswer) {
  forms::CommonDialog& dlg = form.Add<forms::CommonDialog>(QStringLiteral("CommonDialog1"));
  dlg.DialogTitle = QStringLiteral("APRI DATABASE");
  dlg.Filter = QStringLiteral("Access|*.mdb");
  dlg.DefaultExt = QStringLiteral("mdb");
  scripted->openAnswers = {QStringLiteral("/dati/Clienti.mdb"), std::nullopt};

  dlg.ShowOpen();
  EXPECT_EQ(dlg.FileName, QStringLiteral("/dati/Clienti.mdb"));
  EXPECT_EQ(dlg.FileTitle, QStringLiteral("Clienti.mdb"));
  ASSERT_EQ(scripted->openCalls.size(), 1u);
  EXPECT_EQ(scripted->openCalls[0].title, QStringLiteral("APRI DATABASE"));
  EXPECT_EQ(scripted->openCalls[0].filter, QStringLiteral("Access|*.mdb"));
  EXPECT_EQ(scripted->openCalls[0].defaultExt, QStringLiteral("mdb"));

  dlg.ShowOpen();  // cancelled
  EXPECT_EQ(dlg.FileName, QString());
  EXPECT_EQ(dlg.FileTitle, QString());

  // A preset answer is taken once, without showing anything.
  dlg.PresetAnswer(QStringLiteral("/avvio/Magazzino.mdb"));
  dlg.ShowOpen();
  EXPECT_EQ(scripted->openCalls.size(), 2u);
  EXPECT_EQ(dlg.FileTitle, QStringLiteral("Magazzino.mdb"));
  EXPECT_FALSE(dlg.HasPresetAnswer());
  dlg.ShowOpen();
  EXPECT_EQ(scripted->openCalls.size(), 3u);
}

TEST_F(Controls, ControlsInAFrameArePlacedRelativeToIt) {
  auto& frame = form.Add<forms::GenericControl>(forms::Kind::Frame, QStringLiteral("Frame1"));
  frame.Move(1500, 1500, 3000, 1500);
  Label& inner = form.Add<Label>(QStringLiteral("Dentro"));
  inner.setContainer(&frame);
  inner.Move(300, 150, 900, 300);
  EXPECT_EQ(inner.widget()->parentWidget(), frame.widget());
  EXPECT_EQ(inner.widget()->pos(), QPoint(Form::ToPixelsX(300), Form::ToPixelsY(150)));
}

TEST_F(Controls, ControlsKeepTheOrderTheyWereAddedIn) {
  form.Add<forms::MenuItem>(QStringLiteral("Apri"), QStringLiteral("Apri"));
  form.Add<forms::ListBox>(QStringLiteral("List1"));
  form.Add<Label>(QStringLiteral("Label1"), 0);
  ASSERT_EQ(form.ControlCount(), 3);
  EXPECT_EQ(form.Controls(0).Name(), QStringLiteral("Apri"));
  EXPECT_TRUE(form.Controls(1).Is(forms::Kind::ListBox));
  EXPECT_EQ(form.Controls(2).Index(), 0);
  EXPECT_FALSE(form.Controls(0).HasFont());
  EXPECT_TRUE(form.Controls(1).HasFont());
}

// A window whose load and unload are observable.
class Counting : public Form {
 public:
  Counting() : Form(QStringLiteral("Conta"), true) {}
  int loads = 0, unloads = 0, clicks = 0;

 protected:
  void Form_Load() override { ++loads; }
  void Form_Unload() override { ++unloads; }
  void Form_Click() override {
    ++clicks;
    Unload();
  }
};

TEST_F(Controls, ModalWindowLoadsOnceAndEndsAtUnload) {
  Counting w;
  w.ShowModal();
  EXPECT_EQ(w.loads, 1);
  EXPECT_EQ(w.unloads, 1);
  EXPECT_FALSE(w.IsLoaded());
  ASSERT_EQ(scripted->modalForms.size(), 1u);
  EXPECT_EQ(scripted->modalForms[0], QStringLiteral("Conta"));
}

TEST_F(Controls, QtModalLoopEndsWhenTheWindowIsClicked) {
  forms::SetInteraction(nullptr);  // the real modal loop
  Counting w;
  w.setClientSize(1500, 1500);
  QTimer::singleShot(50, [&w] { QTest::mouseClick(w.clientArea(), Qt::LeftButton, {}, QPoint(5, 5)); });
  w.ShowModal();
  EXPECT_EQ(w.clicks, 1);
  EXPECT_EQ(w.unloads, 1);
  EXPECT_FALSE(w.window()->isVisible());
}

}  // namespace
