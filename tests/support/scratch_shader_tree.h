// A throw-away source tree for shader reload tests: <tmp>/src/shaders/ for the files and
// <tmp>/work/ as the working directory, so that "../src/shaders/" leads to the test's files.
// Constructing it changes the working directory; destroying it changes back and removes the tree.
#pragma once

#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

// mkdtemp where there is one; Windows has only _mktemp_s, which picks the name without making it.
inline bool makeScratchFolder(std::string& pattern) {
#ifdef _WIN32
  return _mktemp_s(pattern.data(), pattern.size() + 1) == 0 && std::filesystem::create_directory(pattern);
#else
  return mkdtemp(pattern.data()) != nullptr;
#endif
}

class ScratchShaderTree {
 public:
  ScratchShaderTree() : previous(std::filesystem::current_path()) {
    std::string pattern = (std::filesystem::temp_directory_path() / "kyla-reload-XXXXXX").string();
    if (!makeScratchFolder(pattern)) ADD_FAILURE() << "cannot create a scratch folder";
    root = pattern;
    std::filesystem::create_directories(root / "src" / "shaders");
    std::filesystem::create_directories(root / "work");
    std::filesystem::current_path(root / "work");
  }
  ~ScratchShaderTree() {
    std::filesystem::current_path(previous);
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
  }
  ScratchShaderTree(const ScratchShaderTree&) = delete;
  ScratchShaderTree& operator=(const ScratchShaderTree&) = delete;

  // Writes src/shaders/<name> byte for byte.
  void write(const std::string& name, const std::string& text) const {
    std::ofstream file(root / "src" / "shaders" / name, std::ios::binary | std::ios::trunc);
    file << text;
    ASSERT_TRUE(file.good()) << "cannot write " << name;
  }
  void remove(const std::string& name) const { std::filesystem::remove(root / "src" / "shaders" / name); }
  std::filesystem::path shaderPath(const std::string& name) const { return root / "src" / "shaders" / name; }

 private:
  std::filesystem::path previous;
  std::filesystem::path root;
};
