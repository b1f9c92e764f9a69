#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <cstdio>

#include "tools/make_assets/asset.h"

namespace assets {
std::vector<Asset>& Registry() {
  static std::vector<Asset> all;
  return all;
}
}  // namespace assets

// make_assets DIR        writes every asset into DIR
// make_assets --check DIR  exits 1 when a file in DIR differs from what would be written
int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  const bool check = argc == 3 && QString(argv[1]) == "--check";
  if (argc != 2 && !check) {
    std::fprintf(stderr, "usage: make_assets [--check] DIR\n");
    return 2;
  }
  const QDir dir(QString::fromLocal8Bit(argv[argc - 1]));
  int differing = 0;
  for (const auto& asset : assets::Registry()) {
    const QByteArray bytes = asset.make();
    QFile file(dir.filePath(QString::fromStdString(asset.fileName)));
    if (check) {
      if (!file.open(QIODevice::ReadOnly) || file.readAll() != bytes) {
        std::fprintf(stderr, "%s differs from the generator's output\n", asset.fileName.c_str());
        ++differing;
      }
      continue;
    }
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
      return 1;
    }
  }
  return differing == 0 ? 0 : 1;
}
