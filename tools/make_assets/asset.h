#pragma once
// The pictures both deliverables show are generated, not drawn by hand: each
// file in this folder registers the assets it makes, and `make_assets DIR`
// writes them all. The generated files are kept in assets/ and a test checks
// that they still match what the generator makes.
#include <QByteArray>
#include <functional>
#include <string>
#include <vector>

namespace assets {

struct Asset {
  std::string fileName;                  // e.g. "Dp1.jpg"
  std::function<QByteArray()> make;      // the file's exact bytes
};

std::vector<Asset>& Registry();

struct Registrar {
  Registrar(std::string fileName, std::function<QByteArray()> make) {
    Registry().push_back({std::move(fileName), std::move(make)});
  }
};

}  // namespace assets
