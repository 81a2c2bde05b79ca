// The About window: product name, version, author line and two terms-of-use notices on a small
// borderless light-yellow panel, scaled to the screen at every load and closed by any click.
#pragma once

#include <array>

#include "forms/control.h"
#include "forms/form.h"

class Info : public forms::Form {
 public:
  Info();

  forms::Shape& Shape1;
  forms::Label& Label1(int index);

 protected:
  void Form_Load() override;
  void Form_Click() override;

 private:
  void Label1_Click(int index);
  std::array<forms::Label*, 5> label1_{};
};
