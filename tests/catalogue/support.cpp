#include "tests/catalogue/support.h"

#include <algorithm>
#include <cmath>

namespace cattest {

std::optional<QString> RecordingInteraction::ShowOpen(const forms::OpenFileRequest& request) {
  events_->push_back("dialog");
  return ScriptedInteraction::ShowOpen(request);
}

int RecordingInteraction::MsgBox(const QString& text, int buttons, const QString& title) {
  events_->push_back("msgbox");
  return ScriptedInteraction::MsgBox(text, buttons, title);
}

QString RecordingInteraction::InputBox(const QString& prompt, const QString& title,
                                       const QString& defaultText) {
  events_->push_back("input");
  return ScriptedInteraction::InputBox(prompt, title, defaultText);
}

void LoggingPrinter::EndDoc() {
  events_->push_back("EndDoc");
  RecordingPrinter::EndDoc();
}

FakeTable Table(const std::string& name, int32_t records, std::vector<dao::FieldInfo> fields,
                std::vector<dao::IndexInfo> indexes) {
  return testsupport::MakeTable(name, At(2021, 3, 5, 14, 7, 9), At(2023, 11, 28, 9, 30, 0), records,
                                std::move(fields), std::move(indexes));
}

FakeQuery Query(const std::string& name, const std::string& sql, int16_t type) {
  FakeQuery q;
  q.info.name = name;
  q.info.type = type;
  q.info.dateCreated = At(2020, 1, 2, 3, 4, 5);
  q.info.lastUpdated = At(2022, 12, 31, 23, 59, 58);
  q.sql = sql;
  return q;
}

void CatalogueTest::SetUp() {
  MainWindowTest::SetUp();
  if (HasFatalFailure()) return;
  engine_->events = &events_;
  UseUser(std::make_shared<RecordingInteraction>(&events_));
  UsePrinter(std::make_shared<LoggingPrinter>(&events_));
}

std::vector<forms::DrawnText> CatalogueTest::Texts() const {
  std::vector<forms::DrawnText> out;
  for (const auto& d : window_->Drawn())
    if (!d.text.isEmpty()) out.push_back(d);
  return out;
}

forms::DrawnText CatalogueTest::Find(const QString& text) const {
  for (const auto& d : window_->Drawn())
    if (d.text == text) return d;
  ADD_FAILURE() << "nothing drawn reads \"" << text.toStdString() << "\"";
  return {};
}

bool CatalogueTest::Has(const QString& text) const {
  for (const auto& d : window_->Drawn())
    if (d.text == text) return true;
  return false;
}

std::vector<forms::DrawnText> CatalogueTest::Line(float y) const {
  std::vector<forms::DrawnText> out;
  for (const auto& d : Texts())
    if (std::fabs(d.y - y) < 0.5f) out.push_back(d);
  std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.x < b.x; });
  return out;
}

}  // namespace cattest
