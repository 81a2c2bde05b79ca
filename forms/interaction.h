// The modal interactions of the tool: file-open dialog, message box, input box, modal windows.
// The real implementation shows Qt dialogs; tests install a scripted double.
#pragma once

#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace forms {

class Form;

// Message box buttons and answers (the platform's values).
enum MsgBoxStyle : int { vbOKOnly = 0, vbOKCancel = 1, vbYesNoCancel = 3, vbYesNo = 4 };
enum MsgBoxResult : int { vbOK = 1, vbCancel = 2, vbYes = 6, vbNo = 7 };

// The application title: the caption of message and input boxes that give none.
inline const char* const kAppTitle = "Tavrek";

struct OpenFileRequest {
  QString title, filter, defaultExt, initialPath;
  int fontSize = 8;
};

class Interaction {
 public:
  virtual ~Interaction() = default;
  // The full path chosen, or nothing when the dialog was cancelled.
  virtual std::optional<QString> ShowOpen(const OpenFileRequest& request) = 0;
  // Shows `text` (a carriage return alone breaks the line) and returns the answer (MsgBoxResult).
  virtual int MsgBox(const QString& text, int buttons, const QString& title) = 0;
  // The typed text, or "" when cancelled.
  virtual QString InputBox(const QString& prompt, const QString& title, const QString& defaultText) = 0;
  // As InputBox, for a password: what is typed is shown masked; the typed text, or "" when
  // cancelled.
  virtual QString PasswordBox(const QString& prompt, const QString& title) = 0;
  // Shows a loaded window modally; returns when it has been unloaded.
  virtual void RunModal(Form& form) = 0;
};

// The real thing: Qt's file dialog, message box and input dialog, and an application-modal window
// with its own event loop.
class QtInteraction : public Interaction {
 public:
  std::optional<QString> ShowOpen(const OpenFileRequest& request) override;
  int MsgBox(const QString& text, int buttons, const QString& title) override;
  QString InputBox(const QString& prompt, const QString& title, const QString& defaultText) override;
  QString PasswordBox(const QString& prompt, const QString& title) override;
  void RunModal(Form& form) override;
};

// The width in pixels a top-level window needs for the window manager to show `title` whole: the
// text in a bold title font plus room for the icon and the title bar's buttons.
int TitleRoom(const QString& title);

// The interaction service in force (the Qt one unless a test installed another).
Interaction& TheInteraction();
void SetInteraction(std::shared_ptr<Interaction> i);

// MsgBox with the platform's defaults: OK only, the application title when `title` is empty.
int MsgBox(const QString& text, int buttons = vbOKOnly, const QString& title = QString());
QString InputBox(const QString& prompt, const QString& title = QString(), const QString& defaultText = QString());
QString PasswordBox(const QString& prompt, const QString& title = QString());

// A scripted double: answers come from queues; every request is recorded. An unexpected request
// (queue empty) records the request and answers Cancel / nothing / "" so that a test sees it.
class ScriptedInteraction : public Interaction {
 public:
  struct MsgBoxCall { QString text; int buttons; QString title; };
  struct InputBoxCall { QString prompt, title, defaultText; bool masked = false; };

  std::deque<std::optional<QString>> openAnswers;
  std::deque<int> msgBoxAnswers;
  std::deque<std::optional<QString>> inputAnswers;  // nullopt = Cancel
  // What to do with a modal window (e.g. click one of its labels). Default: unload it.
  std::function<void(Form&)> onModal;

  std::vector<OpenFileRequest> openCalls;
  std::vector<MsgBoxCall> msgBoxCalls;
  std::vector<InputBoxCall> inputCalls;
  std::vector<QString> modalForms;

  std::optional<QString> ShowOpen(const OpenFileRequest& request) override;
  int MsgBox(const QString& text, int buttons, const QString& title) override;
  QString InputBox(const QString& prompt, const QString& title, const QString& defaultText) override;
  // Recorded among inputCalls (masked) and answered from inputAnswers.
  QString PasswordBox(const QString& prompt, const QString& title) override;
  void RunModal(Form& form) override;
};

}  // namespace forms
