#include "link/FactoryImage.h"

#include "link/FactoryConfiguration.h"
#include "link/MemoryImage.h"

// An erased memory into which the factory configuration has been written the
// way the configurator writes one, so every byte outside the two areas and
// outside the written records stays 0xFF.
MemoryImage factoryImage() {
  MemoryImage image;
  image.fill(0xFF);
  writeConfiguration(factoryConfiguration(), image);
  return image;
}
