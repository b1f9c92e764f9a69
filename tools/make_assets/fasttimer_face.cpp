// The fast timer's design-time face: a small wall clock, 28 x 28 pixels, on a
// transparent ground so it sits on whatever colour the designer's form has.
#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include "tools/make_assets/asset.h"

namespace {

constexpr int kSize = 28;

QByteArray MakeFace() {
  QImage image(kSize, kSize, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QPointF centre(kSize / 2.0, kSize / 2.0);

    // Bezel and dial.
    p.setPen(QPen(QColor(32, 32, 32), 2.0));
    p.setBrush(QColor(60, 96, 168));
    p.drawEllipse(centre, 13.0, 13.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(250, 250, 240));
    p.drawEllipse(centre, 10.5, 10.5);

    // Hour marks; the quarters are longer so the face reads at this size.
    for (int hour = 0; hour < 12; ++hour) {
      const double angle = qDegreesToRadians(hour * 30.0);
      const double outer = 9.5;
      const double inner = hour % 3 == 0 ? 6.5 : 8.0;
      const QPointF dir(std::sin(angle), -std::cos(angle));
      p.setPen(QPen(QColor(32, 32, 32), hour % 3 == 0 ? 1.6 : 1.0, Qt::SolidLine, Qt::FlatCap));
      p.drawLine(centre + dir * inner, centre + dir * outer);
    }

    // Hands at ten past ten, the watchmaker's pose, plus a red sweep hand.
    auto hand = [&](double degrees, double length, const QPen& pen) {
      const double angle = qDegreesToRadians(degrees);
      p.setPen(pen);
      p.drawLine(centre, centre + QPointF(std::sin(angle), -std::cos(angle)) * length);
    };
    hand(305.0, 5.5, QPen(QColor(20, 20, 20), 2.0, Qt::SolidLine, Qt::RoundCap));
    hand(60.0, 8.0, QPen(QColor(20, 20, 20), 1.5, Qt::SolidLine, Qt::RoundCap));
    hand(160.0, 8.5, QPen(QColor(210, 30, 30), 1.0, Qt::SolidLine, Qt::RoundCap));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(210, 30, 30));
    p.drawEllipse(centre, 1.3, 1.3);
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}

const assets::Registrar registerFace("fasttimer_face.png", MakeFace);

}  // namespace
