#include "forms/interaction.h"

#include "forms/form.h"

namespace forms {

namespace {
std::shared_ptr<Interaction>& Current() {
  static std::shared_ptr<Interaction> current;
  return current;
}

QString TitleOrApp(const QString& title) { return title.isEmpty() ? QString::fromLatin1(kAppTitle) : title; }
}  // namespace

Interaction& TheInteraction() {
  auto& c = Current();
  if (!c) c = std::make_shared<QtInteraction>();
  return *c;
}

void SetInteraction(std::shared_ptr<Interaction> i) { Current() = std::move(i); }

int MsgBox(const QString& text, int buttons, const QString& title) {
  return TheInteraction().MsgBox(text, buttons, TitleOrApp(title));
}

QString InputBox(const QString& prompt, const QString& title, const QString& defaultText) {
  return TheInteraction().InputBox(prompt, TitleOrApp(title), defaultText);
}

QString PasswordBox(const QString& prompt, const QString& title) {
  return TheInteraction().PasswordBox(prompt, TitleOrApp(title));
}

// --- ScriptedInteraction

std::optional<QString> ScriptedInteraction::ShowOpen(const OpenFileRequest& request) {
  openCalls.push_back(request);
  if (openAnswers.empty()) return std::nullopt;
  const bool chosen = openAnswers.front().has_value();
  const QString path = chosen ? *openAnswers.front() : QString();
  openAnswers.pop_front();
  if (!chosen) return std::nullopt;
  return path;
}

int ScriptedInteraction::MsgBox(const QString& text, int buttons, const QString& title) {
  msgBoxCalls.push_back({text, buttons, title});
  if (msgBoxAnswers.empty()) return vbCancel;
  int answer = msgBoxAnswers.front();
  msgBoxAnswers.pop_front();
  return answer;
}

QString ScriptedInteraction::InputBox(const QString& prompt, const QString& title, const QString& defaultText) {
  inputCalls.push_back({prompt, title, defaultText});
  if (inputAnswers.empty()) return QString();
  const QString text = inputAnswers.front().has_value() ? *inputAnswers.front() : QString();
  inputAnswers.pop_front();
  return text;
}

QString ScriptedInteraction::PasswordBox(const QString& prompt, const QString& title) {
  const QString text = InputBox(prompt, title, QString());
  inputCalls.back().masked = true;
  return text;
}

void ScriptedInteraction::RunModal(Form& form) {
  modalForms.push_back(form.Name());
  if (onModal)
    onModal(form);
  else
    form.Unload();
}

}  // namespace forms
