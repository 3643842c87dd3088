#include "link/FactoryImage.h"

// An erased memory until the contents of a new controller are filled in.
MemoryImage factoryImage() {
  MemoryImage image;
  image.fill(0xFF);
  return image;
}
