#pragma once
#include "runtime/platform/export.h"
#include <string>

#include "runtime/forms/color.h"
#include "runtime/forms/element.h"

namespace forms {

// Text in a box. "&" marks an access key as in every caption ("&&" shows one
// "&"). Text is drawn from the top of the box.
class KVQMXTMR_EXPORT Label : public Element {
 public:
  enum class Alignment { Left, Right, Center };

  Label(ElementOwner& owner, std::string name);

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);

  const std::string& FontName() const { return fontName_; }
  float FontSize() const { return fontSize_; }
  bool FontBold() const { return fontBold_; }
  void SetFontName(std::string name);
  // Points; must be above 0.
  void SetFontSize(float points);
  void SetFontBold(bool bold);

  Color ForeColor() const { return foreColor_; }
  void SetForeColor(Color color);
  Color BackColor() const { return backColor_; }
  void SetBackColor(Color color);

  Alignment GetAlignment() const { return alignment_; }
  void SetAlignment(Alignment alignment);
  bool BackTransparent() const { return backTransparent_; }
  void SetBackTransparent(bool transparent);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool wrap);

  void Paint(QPainter& painter) const override;
  QRect PaintBounds() const override;

 private:
  std::string caption_;
  std::string fontName_;
  float fontSize_ = 8.25f;
  bool fontBold_ = false;
  Color foreColor_{0, 0, 0};
  Color backColor_{240, 240, 240};
  Alignment alignment_ = Alignment::Left;
  bool backTransparent_ = false;
  bool wordWrap_ = false;
};

}  // namespace forms
