// A font object shared by reference between a control and whoever holds it, as the platform's
// font objects are: changing the size through one reference changes the control's font.
#pragma once

#include <QFont>
#include <QString>
#include <functional>
#include <memory>

namespace forms {

class Font {
 public:
  Font(QString name, double size, bool bold = false, bool italic = false);
  const QString& Name() const { return name_; }
  void setName(const QString& n);
  // Point size, kept to four decimal places (what is read back is what is kept).
  double Size() const { return size_; }
  void setSize(double points);
  bool Bold() const { return bold_; }
  void setBold(bool b);
  bool Italic() const { return italic_; }
  void setItalic(bool i);
  // The Qt font for this object (point size with its fraction).
  QFont toQFont() const;
  // Called after every change: the control that uses this font re-applies it.
  void setOnChange(std::function<void()> f) { onChange_ = std::move(f); }

 private:
  void changed();
  QString name_;
  double size_;
  bool bold_;
  bool italic_;
  std::function<void()> onChange_;
};

using FontRef = std::shared_ptr<Font>;

}  // namespace forms
