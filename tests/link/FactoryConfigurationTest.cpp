#include "link/FactoryConfiguration.h"

#include <gtest/gtest.h>

#include "document/WriteCheck.h"
#include "link/FactoryImage.h"
#include "link/MemoryImage.h"

TEST(FactoryConfiguration, NewDocumentWithADemoProgramThatSurvivesTheMemory) {
  const DeviceData config = factoryConfiguration();
  EXPECT_EQ(config.name(), "Новая прошивка");
  EXPECT_EQ(config.general.partition(), 2);
  ASSERT_EQ(config.programCount(), 20);
  const GeneralParameters defaults;
  for (std::size_t i = 0; i < defaults.parameterList().size(); ++i)
    EXPECT_EQ(config.general.parameterList()[i]->value(), defaults.parameterList()[i]->value());
  for (int n = 1; n < 20; ++n) {
    EXPECT_EQ(config.programAt(n)->name(), "Новая программа");
    EXPECT_EQ(config.programAt(n)->stepCount(), 0);
  }

  const Program& demo = *config.programAt(0);
  ASSERT_EQ(demo.stepCount(), 4);
  EXPECT_EQ((*demo.stepAt(1))[Step::U03].maxValue(), 100);  // a humidity condition counts in percent

  const WriteCheck check = checkBeforeWrite(config);
  EXPECT_TRUE(check.fits());
  EXPECT_TRUE(check.adjusted.empty());

  // The simulated controller starts from it.
  const MemoryImage image = factoryImage();
  for (int b = kL1End; b < L2_BASE; ++b) ASSERT_EQ(image[b], 0xFF) << b;
  DeviceData read = readConfiguration(image);
  EXPECT_TRUE(valueDifferences(config, read).empty());
}
