// Draws the desktop program's artwork: the icon strip of the main dialog's buttons, the
// background picture "DROP" of the main page, the window icon in its sizes, the document
// icons used when the desktop's icon theme has none for spreadsheets or text files, and the
// pictures of the Windows installer's pages.
//
// The pictures are drawn from code at build time, so the repository holds how they look
// rather than pixels, and they stay sharp at twice the size for high-density screens. The
// colours are the logo's: ink, deep and shallow tarn water, the red pressure curve, the shore.
//
//     tarnwell_artwork OUTPUT_FOLDER
#include <QColor>
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QString>
#include <QTransform>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

const QColor kInk(0x1F, 0x3A, 0x68);
const QColor kDeep(0x2E, 0x6D, 0xB4);
const QColor kShallow(0x8C, 0xC4, 0xEC);
const QColor kCurve(0xC8, 0x32, 0x28);
const QColor kShore(0x5B, 0x8C, 0x3E);
const QColor kSky(0xEE, 0xF4, 0xFA);

// Everything is drawn on a 32 by 32 design grid and scaled to the size asked for.
using Drawing = std::function<void(QPainter&)>;

QImage render(int size, const Drawing& draw, double design = 32.0) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / design, size / design);
  draw(p);
  p.end();
  return image;
}

// A pressure build-up: a steep rise that levels off, across the box.
QPainterPath buildUpCurve(QRectF box) {
  QPainterPath path;
  const int steps = 48;
  for (int i = 0; i <= steps; ++i) {
    double t = static_cast<double>(i) / steps;
    double y = 1.0 - std::exp(-4.2 * t);
    QPointF point(box.left() + t * box.width(), box.bottom() - y * box.height());
    if (i == 0)
      path.moveTo(point);
    else
      path.lineTo(point);
  }
  return path;
}

void drawWindowIcon(QPainter& p) {
  QRectF tile(1.5, 1.5, 29, 29);
  QLinearGradient water(0, 1.5, 0, 30.5);
  water.setColorAt(0, kDeep.lighter(118));
  water.setColorAt(1, kInk);
  p.setPen(QPen(kInk.darker(130), 0.8));
  p.setBrush(water);
  p.drawRoundedRect(tile, 6, 6);
  p.save();
  QPainterPath clip;
  clip.addRoundedRect(tile, 6, 6);
  p.setClipPath(clip);
  // The tarn: shallow water along the bottom with one ripple line.
  QPainterPath lake;
  lake.moveTo(0, 24);
  lake.cubicTo(8, 22.2, 14, 25.6, 22, 23.6);
  lake.cubicTo(26, 22.6, 29, 23.2, 32, 23.8);
  lake.lineTo(32, 32);
  lake.lineTo(0, 32);
  lake.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(kShallow);
  p.drawPath(lake);
  p.setPen(QPen(QColor(255, 255, 255, 150), 0.7));
  p.setBrush(Qt::NoBrush);
  p.drawLine(QPointF(7, 27.4), QPointF(15, 27.4));
  p.drawLine(QPointF(18, 29.2), QPointF(25, 29.2));
  // Faint chart grid behind the curve.
  p.setPen(QPen(QColor(255, 255, 255, 45), 0.6));
  for (double x = 8; x < 30; x += 6) p.drawLine(QPointF(x, 5), QPointF(x, 22));
  for (double y = 8; y < 22; y += 5) p.drawLine(QPointF(4, y), QPointF(28, y));
  p.restore();
  // The curve rises out of the water.
  QPainterPath curve = buildUpCurve(QRectF(4.5, 6.5, 23, 16.5));
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(255, 255, 255, 210), 4.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(curve);
  p.setPen(QPen(kCurve, 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(curve);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawEllipse(QPointF(27.5, 6.9), 1.7, 1.7);
}

// Strip image 0: leave. A door frame with an arrow stepping out of it.
void drawExit(QPainter& p) {
  p.setPen(QPen(kInk, 1.2));
  QLinearGradient wood(0, 4, 0, 28);
  wood.setColorAt(0, QColor(0xF4, 0xF1, 0xEA));
  wood.setColorAt(1, QColor(0xD9, 0xD3, 0xC4));
  p.setBrush(wood);
  p.drawRoundedRect(QRectF(4.5, 3.5, 15, 25), 1.5, 1.5);
  // The open door, leaning out.
  QPainterPath door;
  door.moveTo(4.5, 3.5);
  door.lineTo(12.5, 6.5);
  door.lineTo(12.5, 30.5);
  door.lineTo(4.5, 28.5);
  door.closeSubpath();
  QLinearGradient panel(4, 0, 13, 0);
  panel.setColorAt(0, kDeep);
  panel.setColorAt(1, kInk);
  p.setBrush(panel);
  p.drawPath(door);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xF2, 0xC1, 0x4E));
  p.drawEllipse(QPointF(10.8, 18.5), 0.9, 0.9);
  // The arrow.
  QPainterPath arrow;
  arrow.moveTo(15, 14.2);
  arrow.lineTo(23, 14.2);
  arrow.lineTo(23, 10.5);
  arrow.lineTo(29.5, 16.5);
  arrow.lineTo(23, 22.5);
  arrow.lineTo(23, 18.8);
  arrow.lineTo(15, 18.8);
  arrow.closeSubpath();
  p.setPen(QPen(kCurve.darker(135), 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  QLinearGradient red(0, 10, 0, 23);
  red.setColorAt(0, kCurve.lighter(125));
  red.setColorAt(1, kCurve);
  p.setBrush(red);
  p.drawPath(arrow);
}

// A sheet of paper with a folded corner, as the document icons draw it.
QPainterPath sheetOutline(QRectF r, double fold) {
  QPainterPath path;
  path.moveTo(r.left(), r.top());
  path.lineTo(r.right() - fold, r.top());
  path.lineTo(r.right(), r.top() + fold);
  path.lineTo(r.right(), r.bottom());
  path.lineTo(r.left(), r.bottom());
  path.closeSubpath();
  return path;
}

void drawSheet(QPainter& p, QRectF r, double fold) {
  p.setPen(QPen(QColor(0x7A, 0x86, 0x99), 0.9));
  QLinearGradient paper(0, r.top(), 0, r.bottom());
  paper.setColorAt(0, Qt::white);
  paper.setColorAt(1, QColor(0xEE, 0xF1, 0xF5));
  p.setBrush(paper);
  p.drawPath(sheetOutline(r, fold));
  QPainterPath corner;
  corner.moveTo(r.right() - fold, r.top());
  corner.lineTo(r.right() - fold, r.top() + fold);
  corner.lineTo(r.right(), r.top() + fold);
  corner.closeSubpath();
  p.setBrush(QColor(0xD5, 0xDB, 0xE4));
  p.drawPath(corner);
}

// Strip image 1: load a file. An open folder with a PAS sheet in it.
void drawLoad(QPainter& p) {
  // The back of the folder.
  QPainterPath back;
  back.moveTo(2.5, 8.5);
  back.lineTo(11, 8.5);
  back.lineTo(13.5, 11);
  back.lineTo(27.5, 11);
  back.lineTo(27.5, 27.5);
  back.lineTo(2.5, 27.5);
  back.closeSubpath();
  p.setPen(QPen(QColor(0xA8, 0x74, 0x12), 1.0));
  p.setBrush(QColor(0xE8, 0xB3, 0x3A));
  p.drawPath(back);
  // The sheet, with the rising curve of a pressure test on it.
  p.save();
  p.translate(15.5, 4);
  p.rotate(8);
  p.translate(-15.5, -4);
  drawSheet(p, QRectF(8.5, 3.5, 15, 19), 4);
  p.setPen(QPen(kCurve, 1.4, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawPath(buildUpCurve(QRectF(10.5, 8, 11, 9)));
  p.restore();
  // The front flap.
  QPainterPath front;
  front.moveTo(1.5, 14.5);
  front.lineTo(25.5, 14.5);
  front.lineTo(30.5, 14.5);
  front.lineTo(27.5, 27.5);
  front.lineTo(2.5, 27.5);
  front.closeSubpath();
  QLinearGradient amber(0, 14, 0, 28);
  amber.setColorAt(0, QColor(0xFB, 0xD6, 0x6E));
  amber.setColorAt(1, QColor(0xEE, 0xB0, 0x2E));
  p.setPen(QPen(QColor(0xA8, 0x74, 0x12), 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(amber);
  p.drawPath(front);
}

// Strip image 2: configuration. A steel gear with a blue hub.
void drawConfiguration(QPainter& p) {
  const QPointF c(16, 16);
  const int teeth = 8;
  QPainterPath gear;
  for (int i = 0; i < teeth * 4; ++i) {
    double angle = (i / 4.0) * 2 * M_PI / teeth - M_PI / 2;
    int phase = i % 4;
    double radius = (phase == 1 || phase == 2) ? 14.0 : 10.8;
    double offset = (phase == 0 || phase == 2 ? -1 : 1) * 0.11;
    QPointF point(c.x() + radius * std::cos(angle + offset), c.y() + radius * std::sin(angle + offset));
    if (i == 0)
      gear.moveTo(point);
    else
      gear.lineTo(point);
  }
  gear.closeSubpath();
  QPainterPath hole;
  hole.addEllipse(c, 4.6, 4.6);
  gear = gear.subtracted(hole);
  QLinearGradient steel(0, 2, 0, 30);
  steel.setColorAt(0, QColor(0xC9, 0xD1, 0xDC));
  steel.setColorAt(1, QColor(0x6F, 0x7C, 0x8F));
  p.setPen(QPen(QColor(0x3E, 0x48, 0x57), 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(steel);
  p.drawPath(gear);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 90));
  p.drawEllipse(c, 8.2, 8.2);
  p.setPen(QPen(kInk, 1.0));
  p.setBrush(kDeep);
  p.drawEllipse(c, 3.4, 3.4);
}

// Strip image 3: about. A blue disc with a white "i".
void drawAbout(QPainter& p) {
  QRadialGradient blue(QPointF(12, 10), 18);
  blue.setColorAt(0, kDeep.lighter(135));
  blue.setColorAt(1, kInk);
  p.setPen(QPen(kInk.darker(130), 1.0));
  p.setBrush(blue);
  p.drawEllipse(QPointF(16, 16), 13.5, 13.5);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawEllipse(QPointF(16, 9.6), 2.2, 2.2);
  QPainterPath stem;
  stem.moveTo(13.2, 13.6);
  stem.lineTo(17.9, 13.6);
  stem.lineTo(17.9, 22.6);
  stem.lineTo(19.6, 22.6);
  stem.lineTo(19.6, 24.8);
  stem.lineTo(12.4, 24.8);
  stem.lineTo(12.4, 22.6);
  stem.lineTo(14.1, 22.6);
  stem.lineTo(14.1, 15.8);
  stem.lineTo(13.2, 15.8);
  stem.closeSubpath();
  p.drawPath(stem);
}

// The fallback icon for spreadsheets: a sheet with a green title band and a grid.
void drawSpreadsheet(QPainter& p) {
  QRectF r(5.5, 2.5, 21, 27);
  drawSheet(p, r, 6);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x1E, 0x7B, 0x45));
  p.drawRect(QRectF(8, 9, 16, 4));
  p.setPen(QPen(QColor(0x1E, 0x7B, 0x45, 170), 0.8));
  for (double y = 13; y <= 26.5; y += 3.4) p.drawLine(QPointF(8, y), QPointF(24, y));
  for (double x = 8; x <= 24.1; x += 5.33) p.drawLine(QPointF(x, 9), QPointF(x, 26.6));
  p.setPen(QPen(kCurve, 1.3, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawPath(buildUpCurve(QRectF(9.5, 16.5, 13, 8.5)));
}

// The fallback icon for text files: a sheet with lines of text.
void drawText(QPainter& p) {
  QRectF r(5.5, 2.5, 21, 27);
  drawSheet(p, r, 6);
  p.setPen(QPen(QColor(0x5A, 0x66, 0x78), 1.3, Qt::SolidLine, Qt::RoundCap));
  const double widths[] = {10, 14, 12, 14, 9, 13, 7};
  double y = 10;
  for (double w : widths) {
    p.drawLine(QPointF(9, y), QPointF(9 + w, y));
    y += 2.7;
  }
}

// The main page's background: sky over a mountain tarn, one large drop falling into it with
// its rings, and the faint grid of a pressure chart. Light everywhere text goes. Drawn on a
// 400 by 400 grid.
void paintTarn(QPainter& p) {
  const int size = 400;
  const QRect all(0, 0, size, size);
  QLinearGradient sky(0, 0, 0, size);
  sky.setColorAt(0.0, QColor(0xFB, 0xFD, 0xFF));
  sky.setColorAt(0.55, kSky);
  sky.setColorAt(1.0, QColor(0xDD, 0xEA, 0xF6));
  p.fillRect(all, sky);
  // Chart grid.
  p.setPen(QPen(QColor(0x2E, 0x6D, 0xB4, 22), 1));
  for (int x = 20; x < size; x += 40) p.drawLine(x, 0, x, size);
  for (int y = 20; y < size; y += 40) p.drawLine(0, y, size, y);
  // Far hills, then the shore.
  QPainterPath hills;
  hills.moveTo(0, 268);
  hills.cubicTo(60, 236, 110, 252, 160, 238);
  hills.cubicTo(220, 220, 280, 246, 330, 232);
  hills.cubicTo(360, 224, 385, 230, 400, 236);
  hills.lineTo(400, 300);
  hills.lineTo(0, 300);
  hills.closeSubpath();
  QColor hill = kShore.lighter(150);
  hill.setAlpha(120);
  p.setPen(Qt::NoPen);
  p.setBrush(hill);
  p.drawPath(hills);
  // The tarn.
  QPainterPath lake;
  lake.moveTo(0, 286);
  lake.cubicTo(100, 276, 300, 276, 400, 286);
  lake.lineTo(400, 400);
  lake.lineTo(0, 400);
  lake.closeSubpath();
  QLinearGradient water(0, 280, 0, 400);
  water.setColorAt(0, QColor(0x8C, 0xC4, 0xEC, 170));
  water.setColorAt(1, QColor(0x2E, 0x6D, 0xB4, 130));
  p.setBrush(water);
  p.drawPath(lake);
  // Rings where the drop meets the water.
  p.setBrush(Qt::NoBrush);
  for (int i = 0; i < 4; ++i) {
    QColor ring(255, 255, 255, 150 - i * 30);
    p.setPen(QPen(ring, 2.0 - i * 0.3));
    double rx = 46 + i * 34, ry = 9 + i * 6.5;
    p.drawEllipse(QPointF(200, 312), rx, ry);
  }
  // A faint pressure build-up curve across the sky.
  QPainterPath curve = buildUpCurve(QRectF(24, 120, 352, 130));
  p.setPen(QPen(QColor(0xC8, 0x32, 0x28, 60), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(curve);
  // The readings it was drawn through, as a gauge would have logged them.
  p.setPen(QPen(QColor(0xC8, 0x32, 0x28, 110), 1.5));
  p.setBrush(QColor(255, 255, 255, 200));
  for (int i = 1; i < 12; ++i) p.drawEllipse(curve.pointAtPercent(i / 12.0), 3.2, 3.2);
  // The drop.
  QPainterPath drop;
  drop.moveTo(200, 128);
  drop.cubicTo(214, 160, 250, 196, 250, 232);
  drop.cubicTo(250, 262, 228, 284, 200, 284);
  drop.cubicTo(172, 284, 150, 262, 150, 232);
  drop.cubicTo(150, 196, 186, 160, 200, 128);
  drop.closeSubpath();
  QLinearGradient body(150, 140, 250, 284);
  body.setColorAt(0, QColor(0x8C, 0xC4, 0xEC, 235));
  body.setColorAt(0.6, QColor(0x2E, 0x6D, 0xB4, 235));
  body.setColorAt(1, QColor(0x1F, 0x3A, 0x68, 240));
  p.setPen(QPen(QColor(0x1F, 0x3A, 0x68, 200), 2));
  p.setBrush(body);
  p.drawPath(drop);
  // Its highlight.
  QPainterPath shine;
  shine.moveTo(176, 214);
  shine.cubicTo(176, 196, 186, 182, 194, 168);
  shine.cubicTo(190, 188, 186, 204, 188, 226);
  shine.cubicTo(184, 236, 176, 230, 176, 214);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 150));
  p.drawPath(shine);
  p.setBrush(QColor(255, 255, 255, 110));
  p.drawEllipse(QPointF(226, 254), 5, 3.2);
}

QImage drawDrop() {
  QImage image(400, 400, QImage::Format_ARGB32_Premultiplied);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  paintTarn(p);
  p.end();
  return image;
}

// The installer's welcome and finish pages (NSIS wants 164 by 314 pixels): the middle of the
// main page's picture, its drop and rings, with the program's icon in the sky above.
QImage drawInstallerPanel() {
  const int width = 164, height = 314;
  QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const double scale = height / 400.0;
  p.save();
  p.translate((width - 400 * scale) / 2, 0);
  p.scale(scale, scale);
  paintTarn(p);
  p.restore();
  p.drawImage(QPointF((width - 64) / 2.0, 22), render(64, drawWindowIcon));
  p.end();
  return image;
}

// The installer's header (150 by 57 pixels, at the right of its white band): a faint build-up
// curve leading to the program's icon.
QImage drawInstallerHeader() {
  QImage image(150, 57, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath curve = buildUpCurve(QRectF(8, 16, 80, 30));
  p.setPen(QPen(QColor(0xC8, 0x32, 0x28, 90), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(curve);
  p.setPen(QPen(QColor(0xC8, 0x32, 0x28, 130), 1.2));
  p.setBrush(Qt::white);
  for (int i = 1; i < 6; ++i) p.drawEllipse(curve.pointAtPercent(i / 6.0), 2.2, 2.2);
  p.drawImage(QPointF(150 - 48 - 6, 4.5), render(48, drawWindowIcon));
  p.end();
  return image;
}

bool save(const QImage& image, const QString& folder, const QString& name) {
  QString path = folder + "/" + name;
  if (image.save(path, "PNG")) return true;
  std::fprintf(stderr, "tarnwell_artwork: cannot write %s\n", qPrintable(path));
  return false;
}

QImage strip(int cell) {
  const Drawing images[] = {drawExit, drawLoad, drawConfiguration, drawAbout};
  QImage out(cell * 4, cell, QImage::Format_ARGB32_Premultiplied);
  out.fill(Qt::transparent);
  QPainter p(&out);
  for (int i = 0; i < 4; ++i) p.drawImage(i * cell, 0, render(cell, images[i]));
  p.end();
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tarnwell_artwork OUTPUT_FOLDER\n");
    return 2;
  }
  QString folder = QString::fromLocal8Bit(argv[1]);
  if (!QDir().mkpath(folder)) {
    std::fprintf(stderr, "tarnwell_artwork: cannot create %s\n", argv[1]);
    return 1;
  }
  bool ok = save(strip(32), folder, "strip.png") && save(strip(64), folder, "strip@2x.png") &&
            save(drawDrop(), folder, "DROP.png") && save(drawInstallerPanel(), folder, "installer-welcome.png") &&
            save(drawInstallerHeader(), folder, "installer-header.png");
  for (int size : {16, 24, 32, 48, 64, 128, 256})
    ok = ok && save(render(size, drawWindowIcon), folder, QString("tarnwell-%1.png").arg(size));
  ok = ok && save(render(32, drawSpreadsheet), folder, "spreadsheet.png") &&
       save(render(64, drawSpreadsheet), folder, "spreadsheet@2x.png") &&
       save(render(32, drawText), folder, "text.png") && save(render(64, drawText), folder, "text@2x.png");
  return ok ? 0 : 1;
}
