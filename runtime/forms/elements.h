#pragma once
// Windowless elements: they own no window and are drawn by their container,
// back to front, clipped to the container's client area. Geometry is a
// TwipsBox relative to that client area. A setter that refuses a value raises
// platform::Error and leaves the old value in place.
#include <cstdint>
#include <string>

#include <QImage>
#include <QRect>
#include <QRegion>

#include "runtime/forms/color.h"
#include "runtime/forms/twips_box.h"

class QPainter;

namespace forms {

class Container;
class Element;

// What an element asks of the container that draws it; the element knows
// its container only through this.
class ElementOwner {
 public:
  // The element's looks, place, size or visibility changed.
  virtual void ElementChanged(Element& element) = 0;

 protected:
  ~ElementOwner() = default;
};

class Element {
 public:
  Element(ElementOwner& owner, std::string name);
  virtual ~Element();
  Element(const Element&) = delete;
  Element& operator=(const Element&) = delete;

  const std::string& Name() const { return name_; }

  virtual float Left() const { return box_.left; }
  virtual float Top() const { return box_.top; }
  virtual float Width() const { return box_.width; }
  virtual float Height() const { return box_.height; }
  // Width and height must not be negative.
  virtual void SetLeft(float twips);
  virtual void SetTop(float twips);
  virtual void SetWidth(float twips);
  virtual void SetHeight(float twips);
  void Move(float left, float top, float width, float height);

  bool Visible() const { return visible_; }
  void SetVisible(bool visible);

  // Draws the element in the container's pixel space; only visible elements
  // are asked.
  virtual void Paint(QPainter& painter) const = 0;
  // Every pixel Paint can touch with the element as it is now, in the same
  // space; empty when it draws nothing. A change repaints only these pixels,
  // as they were before and as they are after.
  virtual QRect PaintBounds() const = 0;

 protected:
  // What a setter calls once a value has really changed. A new place, size or
  // visibility is compared with what the screen shows when the container
  // next repaints, so a value set and set back before then draws nothing;
  // new looks (colour, width, picture, text, a line's ends) always repaint
  // the element's box.
  void PlacementChanged();
  void LooksChanged();

  TwipsBox box_;

 private:
  friend class Container;
  // The pixels to repaint for the changes since the last call, and the
  // element's footprint on screen from now on.
  QRegion TakeChangedPixels();
  // A paint ran while changes were waiting: part of the screen may already
  // show the element as it is now.
  void NotePaintedWhileChanging();
  QRect Footprint() const;

  ElementOwner& owner_;
  std::string name_;
  bool visible_ = true;
  // Change tracking, driven by the container: the footprint the screen
  // shows (as of the last repaint asked for), and what happened since.
  QRect shownFootprint_;
  QRect paintedFootprints_;
  bool changing_ = false;
  bool looksChanged_ = false;
  bool paintedMeanwhile_ = false;
};

enum class ShapeKind { Rectangle, Circle };

// An outline: a rectangle filling its box, or the largest circle that fits the
// box, centred in it. The inside is transparent. The outline lies within the
// box, so a shape never paints outside its own bounds.
class Shape : public Element {
 public:
  using Element::Element;

  ShapeKind Kind() const { return kind_; }
  void SetShape(ShapeKind kind);

  Color BorderColor() const { return borderColor_; }
  void SetBorderColor(Color color);

  // Pixels. Values outside 1..8192 raise platform::Error and keep the old
  // width.
  int16_t BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int16_t pixels);

  void Paint(QPainter& painter) const override;
  QRect PaintBounds() const override;

  static constexpr int16_t kMinBorderWidth = 1;
  static constexpr int16_t kMaxBorderWidth = 8192;

 private:
  // The box the outline fills: the element's box, or for a circle the
  // largest square centred in it; empty when there is nothing to draw.
  QRect OutlineBox() const;
  ShapeKind kind_ = ShapeKind::Rectangle;
  Color borderColor_{0, 0, 0};
  int16_t borderWidth_ = 1;
};

// A solid straight line between two points (twips). Left, Top, Width and
// Height describe the box spanned by the end points; moving or sizing that box
// moves or stretches the line.
class Line : public Element {
 public:
  using Element::Element;

  float X1() const { return x1_; }
  float Y1() const { return y1_; }
  float X2() const { return x2_; }
  float Y2() const { return y2_; }
  void SetX1(float twips);
  void SetY1(float twips);
  void SetX2(float twips);
  void SetY2(float twips);
  void SetPoints(float x1, float y1, float x2, float y2);

  float Left() const override;
  float Top() const override;
  float Width() const override;
  float Height() const override;
  void SetLeft(float twips) override;
  void SetTop(float twips) override;
  void SetWidth(float twips) override;
  void SetHeight(float twips) override;

  Color BorderColor() const { return color_; }
  void SetBorderColor(Color color);
  // Pixels, 1..8192 as for shapes.
  int16_t BorderWidth() const { return width_px_; }
  void SetBorderWidth(int16_t pixels);

  void Paint(QPainter& painter) const override;
  QRect PaintBounds() const override;

 private:
  static QPoint PixelEnd(float x, float y);
  float x1_ = 0, y1_ = 0, x2_ = 0, y2_ = 0;
  Color color_{0, 0, 0};
  int16_t width_px_ = 1;
};

// A picture. Not stretched, the element takes the picture's natural size (one
// picture pixel per logical pixel) and size requests are refused silently, as
// the element adjusts them; stretched, the picture fills the box. Drawn at a
// screen scale above 1 or stretched, a picture is smoothed unless it is
// marked sharp: flat blocks of colour meant to meet edge to edge keep hard
// edges.
class Image : public Element {
 public:
  using Element::Element;

  bool Sharp() const { return sharp_; }
  void SetSharp(bool sharp);

  void SetPicture(const QImage& picture);
  const QImage& Picture() const { return picture_; }

  bool Stretch() const { return stretch_; }
  void SetStretch(bool stretch);

  float Width() const override;
  float Height() const override;

  void Paint(QPainter& painter) const override;
  QRect PaintBounds() const override;

 private:
  // Where the picture lands; empty without a picture or with a box of no area.
  QRect PictureBox() const;
  bool NaturalSize() const { return !stretch_ && !picture_.isNull(); }
  QImage picture_;
  bool stretch_ = false;
  bool sharp_ = false;
};

// Text in a box. "&" marks an access key as in every caption ("&&" shows one
// "&"). Text is drawn from the top of the box.
class Label : public Element {
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
