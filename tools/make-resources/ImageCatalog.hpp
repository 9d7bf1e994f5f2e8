#pragma once
// Every picture that ships in the application's resource folder: its file
// name, its size in points (drawn at scale 1) and how it is painted.
#include <functional>
#include <string>
#include <vector>

#include "Canvas.hpp"

namespace mv::resources {

struct Picture {
  std::string name;  // file name with extension, ".png" or ".jpg"
  int width = 0;
  int height = 0;
  std::function<void(Canvas&)> paint;
};

std::vector<Picture> imageCatalog();

}  // namespace mv::resources
