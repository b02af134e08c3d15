// The peer's whole process: imports one MS3D file with the peer library (no post-processing) and
// exits, 0 when it read a scene. The counterpart of `korva convert` in the whole-process benchmark.
#include <assimp/scene.h>

#include <assimp/Importer.hpp>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: korva_peer_import MODEL\n");
    return 2;
  }
  Assimp::Importer importer;
  return importer.ReadFile(argv[1], 0) ? 0 : 1;
}
