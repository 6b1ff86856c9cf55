// Turns the artwork that resources/gui/draw_artwork.cc drew into what a Windows resource file
// and the installer take: icon files for the icons and the strip's buttons, bitmaps for the
// page behind the main dialog and for the installer's pages. Runs on the build machine, like the drawing itself, so both programs show the
// very same pictures.
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

// An icon file whose images are PNG files, as Windows takes them since Vista.
bool saveIcon(const std::vector<QImage>& images, const QString& path) {
  std::vector<QByteArray> pngs;
  for (const QImage& image : images) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) return false;
    pngs.push_back(png);
  }
  QByteArray file;
  auto put16 = [&](uint16_t v) { file.append(char(v & 0xFF)).append(char(v >> 8)); };
  auto put32 = [&](uint32_t v) { put16(uint16_t(v & 0xFFFF)); put16(uint16_t(v >> 16)); };
  put16(0);
  put16(1);  // an icon, not a cursor
  put16(uint16_t(images.size()));
  uint32_t offset = 6 + 16 * uint32_t(images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    // 256 is written as 0: the field has a byte.
    file.append(char(images[i].width() & 0xFF)).append(char(images[i].height() & 0xFF));
    file.append(char(0)).append(char(0));
    put16(1);
    put16(32);
    put32(uint32_t(pngs[i].size()));
    put32(offset);
    offset += uint32_t(pngs[i].size());
  }
  for (const QByteArray& png : pngs) file.append(png);
  QFile out(path);
  return out.open(QIODevice::WriteOnly) && out.write(file) == file.size();
}

QImage load(const QString& folder, const QString& name) {
  QImage image(folder + "/" + name);
  if (image.isNull()) std::fprintf(stderr, "win_artwork: cannot read %s\n", qPrintable(folder + "/" + name));
  return image.convertToFormat(QImage::Format_ARGB32);
}

// Cell `index` of the button strip.
QImage cell(const QImage& strip, int index) {
  const int side = strip.height();
  return strip.copy(index * side, 0, side, side);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: win_artwork ARTWORK-FOLDER OUTPUT-FOLDER\n");
    return 2;
  }
  const QString in = QString::fromLocal8Bit(argv[1]), out = QString::fromLocal8Bit(argv[2]);
  std::vector<QImage> program;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) program.push_back(load(in, QString("tarnwell-%1.png").arg(size)));
  const QImage strip = load(in, "strip.png"), strip2 = load(in, "strip@2x.png");
  bool ok = saveIcon(program, out + "/tarnwell.ico");
  const char* names[] = {"exit", "load", "configuration", "about"};  // the strip's order
  for (int i = 0; i < 4; ++i)
    ok = ok && saveIcon({cell(strip, i), cell(strip2, i)}, out + "/" + names[i] + ".ico");
  ok = ok && saveIcon({load(in, "spreadsheet.png"), load(in, "spreadsheet@2x.png")}, out + "/spreadsheet.ico");
  ok = ok && saveIcon({load(in, "text.png"), load(in, "text@2x.png")}, out + "/text.ico");
  // Bitmaps without alpha: the pages are opaque, and the installer's pictures are what NSIS takes.
  for (const char* name : {"DROP", "installer-welcome", "installer-header"})
    ok = ok && load(in, QString(name) + ".png").convertToFormat(QImage::Format_RGB888).save(out + "/" + name + ".bmp",
                                                                                            "BMP");
  if (!ok) std::fprintf(stderr, "win_artwork: could not write the Windows artwork into %s\n", argv[2]);
  return ok ? 0 : 1;
}
